#include "std/std_profile.h"

#include <climits>
#include <cwchar>

int CProfile::instances_ = 0;
CProfile profile MODULE_INIT;

CProfile::CProfile() : guard_(instances_, L"profile", HERE) {}

void CProfile::SetDir(const wchar_t* d) { CopyText(dir, kTextMax + 1, d); }

void CProfile::SetFile(const wchar_t* programName) {
  Format(file, kTextMax + 1, L"%s/%s.ini", dir, programName);
}

void CProfile::PathOf(const wchar_t* fileName, wchar_t* out) {
  if (fileName) JoinPath(out, kTextMax + 1, dir, fileName);
  else CopyText(out, kTextMax + 1, file);
}

int ParseSettingInt(const wchar_t* text, int def) {
  const wchar_t* p = text;
  bool negative = false;
  if (*p == L'+' || *p == L'-') negative = (*p++ == L'-');
  if (*p < L'0' || *p > L'9') return def;
  long long value = 0;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    value = value * 10 + (*p - L'0');
    if (value > static_cast<long long>(INT_MAX) + 1) return def;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return def;
  return static_cast<int>(value);
}

int CProfile::ReadInt(const wchar_t* key, int def) {
  wchar_t text[64];
  GetPrivateProfileStringW(L"SETTING", key, L"", text, 64, file);
  return ParseSettingInt(text, def);
}

void CProfile::ReadString(const wchar_t* key, const wchar_t* def, wchar_t* buf, DWORD size) {
  GetPrivateProfileStringW(L"SETTING", key, def, buf, size, file);
}

int CProfile::WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                          const wchar_t* fileName, HWND owner, const wchar_t* srcFile, int line,
                          int mode) {
  wchar_t path[kTextMax + 1];
  PathOf(fileName, path);
  if (WritePrivateProfileStringW(section, key, value, path)) return 1;
  ReportFor(owner, mode, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":WritePrivateProfileString"));
  return 0;
}

int CProfile::WriteFormat(const wchar_t* section, const wchar_t* key, const wchar_t* fileName,
                          HWND owner, const wchar_t* srcFile, int line, int mode,
                          const wchar_t* fmt, ...) {
  wchar_t value[kTextMax + 1];
  va_list args;
  va_start(args, fmt);
  FormatV(value, kTextMax + 1, fmt, args);
  va_end(args);
  return WriteString(section, key, value, fileName, owner, srcFile, line, mode);
}

int CProfile::WriteStruct(const wchar_t* section, const wchar_t* key, const void* data, UINT size,
                          const wchar_t* fileName, HWND owner, const wchar_t* srcFile, int line) {
  wchar_t path[kTextMax + 1];
  PathOf(fileName, path);
  if (WritePrivateProfileStructW(section, key, const_cast<void*>(data), size, path)) return 1;
  Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":WritePrivateProfileStruct"));
  return 0;
}

int CProfile::ReadStruct(const wchar_t* section, const wchar_t* key, void* buf, UINT size,
                         const wchar_t* fileName) {
  wchar_t path[kTextMax + 1];
  PathOf(fileName, path);
  return GetPrivateProfileStructW(section, key, buf, size, path) ? 1 : 0;
}

int CProfile::InsertMenuItems(HWND owner, HMENU popup, HMENU submenu, const MenuItemDesc* items,
                              const wchar_t* srcFile, int line) {
  for (UINT pos = 0; items[pos].mask != 0; ++pos) {
    MENUITEMINFOW mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = items[pos].mask;
    // The type applies only where the mask asks for it: that item is a separator.
    mii.fType = MFT_SEPARATOR;
    mii.hSubMenu = submenu;
    mii.wID = items[pos].id;
    mii.dwTypeData = const_cast<wchar_t*>(items[pos].text);
    if (!InsertMenuItemW(popup, pos, TRUE, &mii)) {
      Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":InsertMenuItem"));
      return 0;
    }
  }
  return 1;
}
