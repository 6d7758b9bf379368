// The settings store: MILLPLAN.ini (sections SETTING and WINDOW) and other
// INI files of the settings directory, through the private-profile functions.
#pragma once

#include "std/std.h"

// One item of a menu built by InsertMenuItems; a mask of 0 ends the list.
struct MenuItemDesc {
  UINT mask;
  UINT id;
  const wchar_t* text;
};

class CProfile {
 public:
  CProfile();
  // The settings directory is fixed for the program; tests use their own.
  void SetDir(const wchar_t* dir);
  // Settings file "%s/%s.ini" of the directory and the program name.
  void SetFile(const wchar_t* programName);

  int ReadInt(const wchar_t* key, int def);
  void ReadString(const wchar_t* key, const wchar_t* def, wchar_t* buf, DWORD size);
  int WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                  const wchar_t* fileName, HWND owner, const wchar_t* srcFile, int line, int mode);
  int WriteFormat(const wchar_t* section, const wchar_t* key, const wchar_t* fileName, HWND owner,
                  const wchar_t* srcFile, int line, int mode, const wchar_t* fmt, ...);
  int WriteStruct(const wchar_t* section, const wchar_t* key, const void* data, UINT size,
                  const wchar_t* fileName, HWND owner, const wchar_t* srcFile, int line);
  // 1 with the block in buf; 0 when absent, of another length or a bad checksum.
  int ReadStruct(const wchar_t* section, const wchar_t* key, void* buf, UINT size,
                 const wchar_t* fileName);
  int InsertMenuItems(HWND owner, HMENU popup, HMENU submenu, const MenuItemDesc* items,
                      const wchar_t* srcFile, int line);

  wchar_t dir[kTextMax + 1] = L"";
  wchar_t file[kTextMax + 1] = L"";

 private:
  // The settings file, or "%s/%s" of the directory and the given name.
  void PathOf(const wchar_t* fileName, wchar_t* out);
  static int instances_;
  ModuleGuard guard_;
};

extern CProfile profile;

// Parses an integer the way settings are read: optional sign and decimal
// digits at the start; no number, or one that overflows, gives def.
int ParseSettingInt(const wchar_t* text, int def);
