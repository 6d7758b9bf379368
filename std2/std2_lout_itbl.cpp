#include "std2/std2_lout_itbl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"

LayoutCell layout[kCells];
GapSlot DX[kCols];
GapSlot DY[kRows];

static void NoGroups(LayoutItem& item) {
  for (int32_t& g : item.group) g = -1;
}

void ResetLayout() {
  memset(layout, 0, sizeof layout);
  for (LayoutCell& cell : layout) NoGroups(cell);
  memset(DX, 0, sizeof DX);
  memset(DY, 0, sizeof DY);
}

void ClearCell(LayoutCell& cell) {
  int32_t spare = cell.spare;
  static_cast<LayoutItem&>(cell) = LayoutItem{};
  NoGroups(cell);
  cell.spare = spare;
  if (cell.hwnd) SetWindowTextW(cell.hwnd, L"");
}

void CopyItem(LayoutCell& to, const LayoutCell& from) {
  static_cast<LayoutItem&>(to) = static_cast<const LayoutItem&>(from);
}

const wchar_t* SegmentLabel(int segment) {
  static const wchar_t* const kLabels[10] = {L"ALL", L"S01", L"S02", L"S03", L"S04",
                                             L"S05", L"S06", L"S07", L"S08", L"S09"};
  return segment >= 1 && segment <= 9 ? kLabels[segment] : kLabels[0];
}

int DisplayCode(int state) { return state < 0 ? 0 : state % 10; }

int MarkOf(int state) {
  if (state < 10) return kUnmarked;
  return state < 20 ? kSelected : kMoveMarked;
}

int IsMarkShown(int state) { return state >= 10 && state < 30; }

int WithoutMark(int state) { return state < 10 ? state : state % 10; }

// ---------------------------------------------------------------- the file

int CLoitbl::instances_ = 0;
CLoitbl loitbl MODULE_INIT;

const char kNoStr[] = "--NO_STR--";

namespace {
const char kHeader[] = "AXV600-MCARD-DATA lout_itbl -----------";
const char kEndOfData[] = "#end_of_data";
const wchar_t kDefaultCopyPath[] = L"C:\\Apache2\\htdocs\\factdata\\setting\\lout_itbl.txt";
constexpr int kReportChars = 50;

bool StartsWith(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}
}  // namespace

const wchar_t* TableField(const wchar_t* text) { return text[0] ? text : L"--NO_STR--"; }

const char* ItemKeyword(int kind) {
  return kind == LTB ? "LTB" : kind == SENSOR ? "SENSOR" : "LOOM";
}

bool TokenToWide(const char* token, wchar_t* out, int chars) {
  out[0] = L'\0';
  if (strstr(token, kNoStr)) return true;
  wchar_t wide[TableText::kLineMax + 2];
  if (!ConvertToWide(token, wide, TableText::kLineMax + 2)) return false;
  CopyText(out, static_cast<size_t>(chars) + 1, wide);
  return true;
}

CLoitbl::CLoitbl() : guard_(instances_, L"loitbl", HERE) {}

void CLoitbl::Path(wchar_t* buf) {
  wchar_t def[kTextMax + 1];
  JoinPath(def, kTextMax + 1, profile.dir, L"lout_itbl.txt");
  profile.ReadString(L"LOUT_ITBL", def, buf, kTextMax + 1);
}

int CLoitbl::Load() {
  wchar_t path[kTextMax + 1];
  Path(path);
  ResetLayout();
  migrated_ = false;
  rewritePending_ = false;
  int ok = Read(path);
  // The file stays until Ensure has written its replacement.
  if (ok && migrated_) rewritePending_ = true;
  return ok;
}

int CLoitbl::Read(const wchar_t* path) {
  TableText text;
  if (!text.Load(path)) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      wchar_t context[kTextMax + 1];
      Format(context, kTextMax + 1, L":CreateFile(%s)", path);
      Report(nullptr, 0, L"%s:%d\r\n%s", HERE, SysErrorText(context));
    }
    return 0;
  }
  ReadItems(text);
  types.Read(text);
  hosts.Read(text);
  return 1;
}

void CLoitbl::ReadItems(const TableText& text) {
  for (size_t i = 0; i < text.Count(); ++i) {
    const char* line = text.LineOrReport(i, HERE);
    if (!line) continue;
    if (StartsWith(line, "LOOM ")) ParseItem(line, 5, LOOM);
    else if (StartsWith(line, "LTB ")) ParseItem(line, 4, LTB);
    else if (StartsWith(line, "SENSOR ")) ParseItem(line, 7, SENSOR);
    else if (StartsWith(line, "DX ")) ReadGap(line, DX);
    else if (StartsWith(line, "DY ")) ReadGap(line, DY);
  }
}

namespace {
// Fields read in order as the format "%d %d %s ..." would: the first token
// that is not a number ends the fields; missing ones are 0 or empty.
class FieldReader {
 public:
  FieldReader(char** tokens, int count) : tokens_(tokens), count_(count) {}
  long long Number() {
    long long v = 0;
    if (ended_ || next_ >= count_ || !ParseNumber(tokens_[next_], &v)) {
      ended_ = true;
      return 0;
    }
    ++next_;
    return v;
  }
  const char* Text() {
    if (ended_ || next_ >= count_) {
      ended_ = true;
      return "";
    }
    return tokens_[next_++];
  }

 private:
  char** tokens_;
  int count_;
  int next_ = 0;
  bool ended_ = false;
};

bool InRange(long long v, long long lo, long long hi) { return v >= lo && v <= hi; }
}  // namespace

void CLoitbl::ReadGap(const char* line, GapSlot* gaps) {
  char copy[TableText::kLineMax + 1];
  CopyTextA(copy, sizeof copy, line + 3);
  char* tokens[2];
  FieldReader fields(tokens, SplitTokens(copy, tokens, 2));
  long long index = fields.Number(), value = fields.Number();
  if (!InRange(index, 0, kCols - 1) || !InRange(value, 0, 9)) {
    wchar_t shown[kReportChars + 1];
    LineForReport(line, shown, kReportChars + 1);
    Report(nullptr, 0, L"%s:%d\r\nERROR gap: %s", HERE, shown);
    return;
  }
  gaps[index].value = static_cast<int32_t>(value);
}

int CLoitbl::ParseItem(const char* line, int keywordLength, int kind) {
  wchar_t shown[kReportChars + 1];
  LineForReport(line, shown, kReportChars + 1);
  char copy[TableText::kLineMax + 1];
  CopyTextA(copy, sizeof copy, line + keywordLength);
  char* tokens[6];
  FieldReader fields(tokens, SplitTokens(copy, tokens, 6));
  long long x = fields.Number(), y = fields.Number();
  const char* address = fields.Text();
  const char* name = fields.Text();
  long long segment = fields.Number(), state = fields.Number();

  if (!InRange(x, 0, kCols - 1)) {
    Report(nullptr, 0, L"%s:%d\r\nERROR x<0 || %d<x: %s", HERE, kCols - 1, shown);
    return 0;
  }
  if (!InRange(y, 0, kRows - 1)) {
    Report(nullptr, 0, L"%s:%d\r\nERROR y<0 || %d<y: %s", HERE, kRows - 1, shown);
    return 0;
  }
  bool migrate = false;
  char padded[21] = "";
  if (StartsWith(address, kNoStr)) {
    // An old loom without an address is an LTB unit; the file is rewritten.
    if (kind == LOOM) {
      kind = LTB;
      migrate = true;
    }
  } else {
    bool fits = strlen(address) <= 20;
    if (fits) CopyTextA(padded, sizeof padded, address);
    if (!fits || !IpPad(nullptr, 0, padded, sizeof padded, 0)) {
      Report(nullptr, 0, L"%s:%d\r\nERROR IP address: %s", HERE, shown);
      return 0;
    }
  }
  if (!InRange(segment, 0, 99)) {
    Report(nullptr, 0, L"%s:%d\r\nERROR sg<0 || 99<sg: %s", HERE, shown);
    return 0;
  }
  wchar_t wideName[11];
  if (!name[0] || StartsWith(name, kNoStr) || !TokenToWide(name, wideName, kind == SENSOR ? 8 : 5)) {
    Report(nullptr, 0, L"%s:%d\r\nERROR name: %s", HERE, shown);
    return 0;
  }
  if (!InRange(state, 0, 9999)) {
    Report(nullptr, 0, L"%s:%d\r\nERROR state: %s", HERE, shown);
    return 0;
  }
  LayoutCell& cell = Cell(static_cast<int>(x), static_cast<int>(y));
  // The padded address is ASCII digits and a dot.
  for (int i = 0; i < 11; ++i) cell.ip[i] = kind == LOOM && i < 7 ? padded[i] : L'\0';
  CopyText(cell.name, 11, wideName);
  cell.segment = static_cast<int32_t>(segment);
  cell.state = static_cast<int32_t>(state);
  cell.kind = kind;
  if (migrate) migrated_ = true;
  return 1;
}

namespace {
// Writes the table's lines; false after FilePrint has reported.
bool WriteTable(FILE* f) {
  if (!FilePrint(f, L"%S\n", kHeader)) return false;
  for (int i = 0; i < kCells; ++i) {
    const LayoutCell& c = layout[i];
    if (!IsOccupied(c)) continue;
    if (!FilePrint(f, L"%S %d %d %s %s %d %d\n", ItemKeyword(c.kind), i % kCols, i / kCols,
                   TableField(c.ip), TableField(c.name), c.segment, c.state))
      return false;
  }
  for (int k = 0; k < kCols; ++k) {
    if (DX[k].value && !FilePrint(f, L"DX %d %d\n", k, DX[k].value)) return false;
    if (DY[k].value && !FilePrint(f, L"DY %d %d\n", k, DY[k].value)) return false;
  }
  return types.Write(f) && hosts.Write(f) && FilePrint(f, L"%S\n", kEndOfData);
}
}  // namespace

int CLoitbl::Write(HWND owner, const wchar_t* path) {
  wchar_t target[kTextMax + 1];
  if (path) CopyText(target, kTextMax + 1, path);
  else Path(target);
  return WriteTextFile(owner, target, WriteTable, HERE);
}

int CLoitbl::IsSaved(HWND owner) {
  wchar_t path[kTextMax + 1], check[kTextMax + 1];
  Path(path);
  JoinPath(check, kTextMax + 1, profile.dir, L"lout_itbl.0");
  bool same = false;
  if (Write(owner, check)) {
    char* stored = nullptr;
    char* wanted = nullptr;
    size_t storedSize = LoadWholeFile(owner, &stored, path, HERE);
    size_t wantedSize = LoadWholeFile(owner, &wanted, check, HERE);
    same = storedSize > 0 && storedSize == wantedSize && memcmp(stored, wanted, storedSize) == 0;
    free(stored);
    free(wanted);
  }
  if (same) return 1;
  ShowMessageBox(owner, lang.Text(S_LOOMDATACHANGED), lang.Text(S_CONFIRM), MB_OK | MB_ICONQUESTION);
  return 0;
}

int CLoitbl::Ensure(HWND owner) {
  wchar_t path[kTextMax + 1];
  Path(path);
  if (rewritePending_) {
    if (Write(owner, nullptr)) rewritePending_ = false;
    return 0;
  }
  return EnsureFile(path, [&] { Write(owner, nullptr); });
}

void CLoitbl::CopyOut(HWND owner) {
  wchar_t source[kTextMax + 1];
  Path(source);
  PlaceFactoryCopy(owner, source, L"LOUT_ITBL_CP", kDefaultCopyPath, HERE);
}
