#include "std2/std2_grpdlg.h"

#include <cstring>

#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"

int CGrpDlg::instances_ = 0;
CGrpDlg grpdlg MODULE_INIT;

namespace {
const char kHeader[] = "#AXV900-MCARD-DATA grpdlg -----------";
const wchar_t kDefaultCopyPath[] = L"C:\\Apache2\\htdocs\\factdata\\setting\\section_grpdlg.txt";
constexpr int kKeyLength = 8;
constexpr int kNameMax = 20;

const char* const kKeys[CGrpDlg::kSlots] = {
    "GD_G0001", "GD_M0101", "GD_M0102", "GD_M0103", "GD_M0104", "GD_M0105",
    "GD_G0002", "GD_M0201", "GD_M0202", "GD_M0203", "GD_M0204", "GD_M0205",
    "GD_G0003", "GD_M0301", "GD_M0302", "GD_M0303", "GD_M0304", "GD_M0305",
    "GD_G0004", "GD_M0401", "GD_M0402", "GD_M0403", "GD_M0404", "GD_M0405",
    "GD_G0005", "GD_M0501", "GD_M0502", "GD_M0503", "GD_M0504", "GD_M0505",
    "GD_G0006", "GD_M0601", "GD_M0602", "GD_M0603", "GD_M0604", "GD_M0605",
};
}  // namespace

CGrpDlg::CGrpDlg() : guard_(instances_, L"grpdlg", HERE) {}

const char* CGrpDlg::Key(int slot) const { return kKeys[slot]; }
void CGrpDlg::Defaults() { FillDefaults(nullptr); }
int CGrpDlg::Read() { return ReadAt(HERE); }
int CGrpDlg::Write(HWND owner) { return WriteAt(owner, HERE); }
int CGrpDlg::Ensure(HWND owner) { return EnsureAt(owner, HERE); }
int CGrpDlg::CopyOut(HWND owner) { return CopyOutAt(owner, HERE); }

void CGrpDlgFile::Path(wchar_t* buf) {
  wchar_t def[kTextMax + 1];
  JoinPath(def, kTextMax + 1, profile.dir, L"grpdlg.txt");
  profile.ReadString(L"GRPDLG", def, buf, kTextMax + 1);
}

void CGrpDlgFile::FillDefaults(const wchar_t* memberDefault) {
  for (int slot = 0; slot < Slots(); ++slot) {
    wchar_t* name = Name(slot);
    memset(name, 0, sizeof(wchar_t) * kGroupNameChars);
    if (memberDefault) CopyText(name, kGroupNameChars - 1, memberDefault);
  }
  for (int s = 1; s <= SectionCount(); ++s) {
    Format(Name(SectionSlot(s)), kGroupNameChars - 1, L"Section%d", s);
    if (memberDefault) continue;
    for (int m = 1; m <= MemberCount(); ++m)
      Format(Name(MemberSlot(s, m)), kGroupNameChars - 1, L"Member%d-%d", s, m);
  }
}

int CGrpDlgFile::ReadAt(const wchar_t* srcFile, int line) {
  wchar_t path[kTextMax + 1];
  Path(path);
  TableText text;
  if (!text.LoadOrLog(path, srcFile, line)) return 0;
  bool found[256] = {};
  int left = Slots();
  for (size_t n = 0; n < text.Count() && left > 0; ++n) {
    const char* row = text.LineOrReport(n, srcFile, line);
    if (!row) continue;
    for (int slot = 0; slot < Slots(); ++slot) {
      if (found[slot] || strncmp(row, Key(slot), kKeyLength) != 0) continue;
      found[slot] = true;
      --left;
      // One separating character after the key, whatever it is.
      const char* value = row[kKeyLength] ? row + kKeyLength + 1 : row + kKeyLength;
      wchar_t name[TableText::kLineMax + 1];
      // A name that cannot be converted keeps the slot's name (ToWide reports).
      if (ToWide(value, name, TableText::kLineMax + 1, nullptr, srcFile, line)) {
        memset(Name(slot), 0, sizeof(wchar_t) * kGroupNameChars);
        CopyText(Name(slot), kNameMax + 1, name);
      }
      break;
    }
  }
  return left == 0 ? 1 : 0;
}

int CGrpDlgFile::WriteAt(HWND owner, const wchar_t* srcFile, int line) {
  wchar_t target[kTextMax + 1];
  Path(target);
  return WriteTextFile(
      owner, target,
      [this](FILE* f) {
        if (!FilePrint(f, L"%S\n", kHeader)) return false;
        for (int slot = 0; slot < Slots(); ++slot)
          if (!FilePrint(f, L"%S %s\n", Key(slot), Name(slot))) return false;
        return FilePrint(f, L"#end_of_data\n") > 0;
      },
      srcFile, line);
}

int CGrpDlgFile::EnsureAt(HWND owner, const wchar_t* srcFile, int line) {
  wchar_t path[kTextMax + 1];
  Path(path);
  return EnsureFile(path, [&] { WriteAt(owner, srcFile, line); });
}

int CGrpDlgFile::CopyOutAt(HWND owner, const wchar_t* srcFile, int line) {
  wchar_t source[kTextMax + 1];
  Path(source);
  return PlaceFactoryCopy(owner, source, L"GRPDLG_CP", kDefaultCopyPath, srcFile, line);
}
