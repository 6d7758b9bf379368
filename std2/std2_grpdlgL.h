// The ten-section variant of the section and member names.
#pragma once

#include "std2/std2_grpdlg.h"

class CGrpDlgL : public CGrpDlgFile {
 public:
  static constexpr int kSlots = 210;
  CGrpDlgL();
  void Defaults() override;
  int Read() override;
  int Write(HWND owner) override;
  int Ensure(HWND owner) override;
  int CopyOut(HWND owner) override;
  int Slots() const override { return kSlots; }
  int SectionCount() const override { return 10; }
  int MemberCount() const override { return 20; }
  const char* Key(int slot) const override { return keys[slot]; }
  wchar_t* Name(int slot) override { return names[slot]; }
  int SectionSlot(int s) const override { return s - 1; }
  int MemberSlot(int s, int m) const override { return 10 + 20 * (s - 1) + (m - 1); }

  wchar_t names[kSlots][kGroupNameChars] = {};
  char keys[kSlots][21] = {};

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CGrpDlgL grpdlg2;

// The variant LUCKY_1 chose.
CGrpDlgFile& ActiveGrpDlg();
