#include "std/std_inetdlg.h"

#include "std/std_profile.h"

int CInetDlg::instances_ = 0;
CInetDlg intdlg MODULE_INIT;

CInetDlg::CInetDlg() : guard_(instances_, L"intdlg", HERE) {}

void CInetDlg::Load() {
  profile.ReadString(L"HOSTIP", L"172.17.0.210", hostIp, 21);
  profile.ReadString(L"UNAME", L"", uname, 20);
  profile.ReadString(L"PSWD", L"", pswd, 20);
  access = profile.ReadInt(L"ACCESS", 1);
  iMAVO = profile.ReadInt(L"iMAVO", 0);
}
