#include "std2/std2_grpsetL.h"

#include "std2/std2_base.h"
#include "std2/std2_main.h"

int CGrpSetL::instances_ = 0;
CGrpSetL grpsetL MODULE_INIT;
CStandInPane grpsetLPane(L"CGrpSetL", kGroupPaneWidth);

CGrpSetL::CGrpSetL() : guard_(instances_, L"grpsetL", HERE) {}

int CGrpSetL::Read() { return ReadAt(HERE); }
int CGrpSetL::Write(HWND owner, const wchar_t* path) { return WriteAt(owner, path, HERE); }
int CGrpSetL::IsSaved(HWND owner) { return IsSavedAt(owner, HERE); }
int CGrpSetL::Ensure(HWND owner) { return EnsureAt(owner, HERE); }
int CGrpSetL::CopyOut(HWND owner) { return CopyOutAt(owner, HERE); }

CGrpSetFile& ActiveGrpSet() {
  if (LUCKY_1) return grpsetL;
  return grpset;
}
