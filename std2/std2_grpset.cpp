#include "std2/std2_grpset.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_base.h"
#include "std2/std2_lout_itbl.h"

int CGrpSet::instances_ = 0;
CGrpSet grpset MODULE_INIT;
CStandInPane grpsetPane(L"CGrpSet", kGroupPaneWidth);

CGrpSet::CGrpSet() : guard_(instances_, L"grpset", HERE) {}

int CGrpSet::Read() { return ReadAt(HERE); }
int CGrpSet::Write(HWND owner, const wchar_t* path) { return WriteAt(owner, path, HERE); }
int CGrpSet::IsSaved(HWND owner) { return IsSavedAt(owner, HERE); }
int CGrpSet::Ensure(HWND owner) { return EnsureAt(owner, HERE); }
int CGrpSet::CopyOut(HWND owner) { return CopyOutAt(owner, HERE); }

namespace {
const char kHeader[] = "#AXV900-MCARD-DATA grpset -----------";
const wchar_t kDefaultCopyPath[] = L"C:\\Apache2\\htdocs\\factdata\\setting\\section_grpset.txt";

// The cells the file holds: named looms and LTB units, never sensors.
bool InFile(const LayoutCell& c) { return IsOccupied(c) && c.kind != SENSOR; }

// Ordinal order of the 16-bit code units; a prefix sorts first.
bool NameBefore(int a, int b) { return wcscmp(layout[a].name, layout[b].name) < 0; }

bool WriteLines(FILE* f) {
  std::vector<int> looms;
  for (int i = 0; i < kCells; ++i)
    if (InFile(layout[i])) looms.push_back(i);
  // Stable, so looms of one name keep their table order.
  std::stable_sort(looms.begin(), looms.end(), NameBefore);
  if (!FilePrint(f, L"%S\n", kHeader)) return false;
  for (int i : looms) {
    const int32_t* g = layout[i].group;
    if (!FilePrint(f, L"LOOM %s %d %d %d %d %d %d %d %d %d %d\n", layout[i].name, g[0], g[1], g[2],
                   g[3], g[4], g[5], g[6], g[7], g[8], g[9]))
      return false;
  }
  return FilePrint(f, L"#end_of_data\n") > 0;
}

// The first cell of the file's set with this name, in table order.
int FindLoom(const wchar_t* name) {
  for (int i = 0; i < kCells; ++i)
    if (InFile(layout[i]) && wcscmp(layout[i].name, name) == 0) return i;
  return -1;
}
}  // namespace

void CGrpSetFile::Path(wchar_t* buf) {
  wchar_t def[kTextMax + 1];
  JoinPath(def, kTextMax + 1, profile.dir, L"grpset.txt");
  profile.ReadString(L"GRPSET", def, buf, kTextMax + 1);
}

int CGrpSetFile::ReadAt(const wchar_t* srcFile, int line) {
  wchar_t path[kTextMax + 1];
  Path(path);
  TableText text;
  if (!text.LoadOrLog(path, srcFile, line)) return 0;
  bool taken[kCells] = {};
  for (size_t n = 0; n < text.Count(); ++n) {
    const char* row = text.LineOrReport(n, srcFile, line);
    if (!row) continue;
    wchar_t shown[51];
    if (strncmp(row, "LOOM ", 5) != 0) continue;
    char copy[TableText::kLineMax + 1];
    CopyTextA(copy, sizeof copy, row + 5);
    char* tokens[11];
    int count = SplitTokens(copy, tokens, 11);
    if (count == 0) continue;
    wchar_t name[TableText::kLineMax + 1];
    // A name too long for a cell, or not text of the code page, names no loom.
    if (!ConvertToWide(tokens[0], name, TableText::kLineMax + 1) || wcslen(name) > 10) continue;
    int32_t numbers[kSections];
    bool bad = false;
    for (int s = 0; s < kSections; ++s) {
      long long v = 0;
      if (1 + s >= count) {
        numbers[s] = 0;  // missing numbers count as 0
      } else if (ParseNumber(tokens[1 + s], &v) && v >= -1 && v <= kMemberMax) {
        numbers[s] = static_cast<int32_t>(v);
      } else {
        numbers[s] = -1;
        bad = true;
      }
    }
    if (bad) {
      LineForReport(row, shown, 51);
      Report(nullptr, 0, L"%s:%d\r\nERROR group: %s", srcFile, line, shown);
    }
    int cell = FindLoom(name);
    // A second loom of the same name never takes the first one's line.
    if (cell < 0 || taken[cell]) continue;
    taken[cell] = true;
    memcpy(layout[cell].group, numbers, sizeof numbers);
  }
  return 0;
}

int CGrpSetFile::WriteAt(HWND owner, const wchar_t* path, const wchar_t* srcFile, int line) {
  // Memberships are stored by name: never beside an unsaved layout.
  if (!loitbl.IsSaved(owner)) return 0;
  wchar_t target[kTextMax + 1];
  if (path) CopyText(target, kTextMax + 1, path);
  else Path(target);
  return WriteTextFile(owner, target, WriteLines, srcFile, line);
}

int CGrpSetFile::IsSavedAt(HWND owner, const wchar_t* srcFile, int line) {
  wchar_t path[kTextMax + 1], check[kTextMax + 1];
  Path(path);
  JoinPath(check, kTextMax + 1, profile.dir, L"grpset.0");
  bool same = false;
  if (WriteAt(owner, check, srcFile, line)) {
    char* stored = nullptr;
    char* wanted = nullptr;
    size_t storedSize = LoadWholeFile(owner, &stored, path, srcFile, line);
    size_t wantedSize = LoadWholeFile(owner, &wanted, check, srcFile, line);
    same = storedSize > 0 && storedSize == wantedSize && memcmp(stored, wanted, storedSize) == 0;
    free(stored);
    free(wanted);
  }
  if (same) return 1;
  wchar_t text[2 * kLangTextMax + 4];
  Format(text, sizeof text / sizeof text[0], L"%s(%s)", lang.Text(S_LOOMDATACHANGED), lang.Text(S_SECTION));
  ShowMessageBox(owner, text, lang.Text(S_CONFIRM), MB_OK | MB_ICONQUESTION);
  return 0;
}

int CGrpSetFile::EnsureAt(HWND owner, const wchar_t* srcFile, int line) {
  wchar_t path[kTextMax + 1];
  Path(path);
  return EnsureFile(path, [&] { WriteAt(owner, nullptr, srcFile, line); });
}

int CGrpSetFile::CopyOutAt(HWND owner, const wchar_t* srcFile, int line) {
  wchar_t source[kTextMax + 1];
  Path(source);
  return PlaceFactoryCopy(owner, source, L"GRPSET_CP", kDefaultCopyPath, srcFile, line);
}
