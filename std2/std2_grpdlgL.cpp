#include "std2/std2_grpdlgL.h"

#include "std2/std2_main.h"

int CGrpDlgL::instances_ = 0;
CGrpDlgL grpdlg2 MODULE_INIT;

CGrpDlgL::CGrpDlgL() : guard_(instances_, L"grpdlg2", HERE) {
  if (!guard_.Owner()) return;
  for (int s = 1; s <= 10; ++s) {
    FormatA(keys[SectionSlot(s)], 21, "GD_G%04d", s);
    for (int m = 1; m <= 20; ++m) FormatA(keys[MemberSlot(s, m)], 21, "GD_M%02d%02d", s, m);
  }
}

void CGrpDlgL::Defaults() { FillDefaults(L"-"); }
int CGrpDlgL::Read() { return ReadAt(HERE); }
int CGrpDlgL::Write(HWND owner) { return WriteAt(owner, HERE); }
int CGrpDlgL::Ensure(HWND owner) { return EnsureAt(owner, HERE); }
int CGrpDlgL::CopyOut(HWND owner) { return CopyOutAt(owner, HERE); }

CGrpDlgFile& ActiveGrpDlg() {
  if (LUCKY_1) return grpdlg2;
  return grpdlg;
}
