// Group memberships: the ten `group` numbers of every loom and LTB unit,
// stored by name in grpset.txt. Two variants share the file and its format:
// `grpset` (six sections) and `grpsetL` (ten sections), chosen by LUCKY_1.
#pragma once

#include "std/std.h"

constexpr int kMemberMax = 20;  // member numbers of either variant: 1..20

class CGrpSetFile {
 public:
  virtual ~CGrpSetFile() = default;
  // The file's path: SETTING/GRPSET, default grpset.txt of the settings directory.
  static void Path(wchar_t* buf);
  // Reads the file into the table's `group` numbers (start-up); always 0.
  virtual int Read() = 0;
  // Writes the memberships; refused (0) while the layout file is not saved.
  virtual int Write(HWND owner, const wchar_t* path) = 0;
  // 1 when the table written out equals grpset.txt; else tells the user, 0.
  virtual int IsSaved(HWND owner) = 0;
  // 1 when the file is there; writes it when missing and returns 0.
  virtual int Ensure(HWND owner) = 0;
  // Places section_grpset.txt for the factory server (SETTING/GRPSET_CP).
  virtual int CopyOut(HWND owner) = 0;
  // How many sections the variant's windows edit.
  virtual int Sections() const = 0;

 protected:
  int ReadAt(const wchar_t* srcFile, int line);
  int WriteAt(HWND owner, const wchar_t* path, const wchar_t* srcFile, int line);
  int IsSavedAt(HWND owner, const wchar_t* srcFile, int line);
  int EnsureAt(HWND owner, const wchar_t* srcFile, int line);
  int CopyOutAt(HWND owner, const wchar_t* srcFile, int line);
};

class CGrpSet : public CGrpSetFile {
 public:
  CGrpSet();
  int Read() override;
  int Write(HWND owner, const wchar_t* path) override;
  int IsSaved(HWND owner) override;
  int Ensure(HWND owner) override;
  int CopyOut(HWND owner) override;
  int Sections() const override { return 6; }

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CGrpSet grpset;

class CStandInPane;
// The group side pane of the six-section variant (shown in group mode).
extern CStandInPane grpsetPane;
constexpr int kGroupPaneWidth = 220;
