// Names of the sections and their members, stored under fixed keys in
// grpdlg.txt. Two variants share the file: `grpdlg` (six sections of five
// members) and `grpdlg2` (ten sections of twenty), chosen by LUCKY_1.
#pragma once

#include "std/std.h"

constexpr int kGroupNameChars = 21;  // 20 characters and a terminator

class CGrpDlgFile {
 public:
  virtual ~CGrpDlgFile() = default;
  // The file's path: SETTING/GRPDLG, default grpdlg.txt of the settings directory.
  static void Path(wchar_t* buf);
  virtual void Defaults() = 0;
  // 1 when every key of the variant was found.
  virtual int Read() = 0;
  virtual int Write(HWND owner) = 0;
  // 1 when the file is there; writes it when missing and returns 0.
  virtual int Ensure(HWND owner) = 0;
  // Places section_grpdlg.txt for the factory server (SETTING/GRPDLG_CP).
  virtual int CopyOut(HWND owner) = 0;

  virtual int Slots() const = 0;
  virtual int SectionCount() const = 0;
  virtual int MemberCount() const = 0;
  virtual const char* Key(int slot) const = 0;
  virtual wchar_t* Name(int slot) = 0;
  // Slot of section s (1-based) and of member m (1-based) of section s.
  virtual int SectionSlot(int s) const = 0;
  virtual int MemberSlot(int s, int m) const = 0;

 protected:
  int ReadAt(const wchar_t* srcFile, int line);
  int WriteAt(HWND owner, const wchar_t* srcFile, int line);
  int EnsureAt(HWND owner, const wchar_t* srcFile, int line);
  int CopyOutAt(HWND owner, const wchar_t* srcFile, int line);
  // Clears every slot, then fills the variant's section and member names.
  void FillDefaults(const wchar_t* memberDefault);
};

class CGrpDlg : public CGrpDlgFile {
 public:
  static constexpr int kSlots = 36;
  CGrpDlg();
  void Defaults() override;
  int Read() override;
  int Write(HWND owner) override;
  int Ensure(HWND owner) override;
  int CopyOut(HWND owner) override;
  int Slots() const override { return kSlots; }
  int SectionCount() const override { return 6; }
  int MemberCount() const override { return 5; }
  const char* Key(int slot) const override;
  wchar_t* Name(int slot) override { return names[slot]; }
  int SectionSlot(int s) const override { return 6 * (s - 1); }
  int MemberSlot(int s, int m) const override { return 6 * (s - 1) + m; }

  wchar_t names[kSlots][kGroupNameChars] = {};

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CGrpDlg grpdlg;
