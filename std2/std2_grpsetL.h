// The ten-section variant of the group memberships (twenty members each).
#pragma once

#include "std2/std2_grpset.h"

class CGrpSetL : public CGrpSetFile {
 public:
  CGrpSetL();
  int Read() override;
  int Write(HWND owner, const wchar_t* path) override;
  int IsSaved(HWND owner) override;
  int Ensure(HWND owner) override;
  int CopyOut(HWND owner) override;
  int Sections() const override { return 10; }

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CGrpSetL grpsetL;
extern CStandInPane grpsetLPane;

// The variant LUCKY_1 chose.
CGrpSetFile& ActiveGrpSet();
