// Host connection settings: where the host system is, the credentials a
// server asking for them gets, direct or proxy access, and the host switch.
#pragma once

#include "std/std.h"

class CInetDlg {
 public:
  CInetDlg();
  // Reads HOSTIP, UNAME, PSWD, ACCESS and iMAVO from the settings file.
  void Load();

  wchar_t hostIp[21] = L"";
  wchar_t uname[20] = L"";
  wchar_t pswd[20] = L"";
  int access = 1;  // 1 direct, 0 the system's proxy settings
  int iMAVO = 0;   // non-zero offers the MAVO host functions

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CInetDlg intdlg;
