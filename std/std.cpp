#include "std/std.h"

#include <cwchar>
#include <cstdio>

#include "std/std_elog.h"

AppIdentity app;

int FormatV(wchar_t* buf, size_t cap, const wchar_t* fmt, va_list args) {
  if (!buf || cap == 0) return 0;
  // The C library leaves the buffer unterminated when the text is cut.
  int n = _vsnwprintf(buf, cap - 1, fmt, args);
  if (n < 0 || static_cast<size_t>(n) >= cap - 1) n = static_cast<int>(cap - 1);
  buf[n] = L'\0';
  return n;
}

int Format(wchar_t* buf, size_t cap, const wchar_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = FormatV(buf, cap, fmt, args);
  va_end(args);
  return n;
}

int FormatA(char* buf, size_t cap, const char* fmt, ...) {
  if (!buf || cap == 0) return 0;
  va_list args;
  va_start(args, fmt);
  int n = _vsnprintf(buf, cap - 1, fmt, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= cap - 1) n = static_cast<int>(cap - 1);
  buf[n] = '\0';
  return n;
}

template <typename Ch>
static int CopyBounded(Ch* dst, size_t cap, const Ch* src) {
  if (!dst || cap == 0) return 0;
  size_t n = 0;
  if (src) {
    while (n + 1 < cap && src[n]) {
      dst[n] = src[n];
      ++n;
    }
  }
  dst[n] = Ch{};
  return static_cast<int>(n);
}

int CopyText(wchar_t* dst, size_t cap, const wchar_t* src) { return CopyBounded(dst, cap, src); }
int CopyTextA(char* dst, size_t cap, const char* src) { return CopyBounded(dst, cap, src); }

int JoinPath(wchar_t* out, size_t cap, const wchar_t* dir, const wchar_t* name) {
  size_t need = wcslen(dir) + 1 + wcslen(name);
  if (need + 1 > cap) {
    if (cap) out[0] = L'\0';
    return 0;
  }
  Format(out, cap, L"%s/%s", dir, name);
  return 1;
}

// ---------------------------------------------------------------- boxes

static int RealMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption,
                                 UINT style) {
  return MessageBoxW(owner, text, caption, style);
}

static MessageBoxFn g_messageBox = RealMessageBox;

MessageBoxFn SetMessageBoxFn(MessageBoxFn fn) {
  MessageBoxFn old = g_messageBox;
  g_messageBox = fn ? fn : RealMessageBox;
  return old;
}

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) {
  return g_messageBox(owner, text, caption, style);
}

// ---------------------------------------------------------------- reports

static int Dispatch(HWND owner, int mode, const wchar_t* text) {
  switch (mode) {
    case 1:
      return ShowMessageBox(owner, text, GetCommandLineW(), MB_OK | MB_ICONINFORMATION);
    case 2:
      return elog.Write(text);
    case 3:
      DebugPrint(L"%s", text);
      return 0;
    case 4:
      return 0;
    default:
      // Logged first, so the entry is on disk while the box waits.
      elog.Write(text);
      return ShowMessageBox(owner, text, GetCommandLineW(), MB_OK | MB_ICONINFORMATION);
  }
}

static int ReportV(HWND owner, int mode, const wchar_t* fmt, va_list args) {
  wchar_t text[kTextMax + 1];
  FormatV(text, kTextMax + 1, fmt, args);
  return Dispatch(owner, mode, text);
}

int Report(HWND owner, int mode, const wchar_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int result = ReportV(owner, mode, fmt, args);
  va_end(args);
  return result;
}

int ReportFor(HWND owner, int mode, const wchar_t* fmt, ...) {
  if (mode == kSilent) return 0;
  va_list args;
  va_start(args, fmt);
  int result = ReportV(owner, mode, fmt, args);
  va_end(args);
  return result;
}

void DebugPrint(const wchar_t* fmt, ...) {
  wchar_t text[kTextMax + 1];
  va_list args;
  va_start(args, fmt);
  FormatV(text, kTextMax + 1, fmt, args);
  va_end(args);
  OutputDebugStringW(text);
}

const wchar_t* SysErrorText(const wchar_t* context) {
  // One buffer per thread: the HTTP worker reports while the UI thread does.
  static thread_local wchar_t buf[501];
  DWORD code = GetLastError();
  wchar_t sys[501] = L"";
  if (code != 0) {
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 1033, sys, 500, nullptr);
    if (n == 0)
      n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, sys, 500, nullptr);
    sys[n < 500 ? n : 500] = L'\0';
    if (wchar_t* end = wcsstr(sys, L"\r\n")) *end = L'\0';
  }
  Format(buf, 501, L"%s%s(%d)", sys, context ? context : L"", static_cast<int>(code));
  SetLastError(code);
  return buf;
}

// ---------------------------------------------------------------- guard

ModuleGuard::ModuleGuard(int& count, const wchar_t* objectName, const wchar_t* srcFile, int line,
                         const wchar_t* home)
    : count_(count), owner_(++count == 1) {
  if (!owner_)
    Report(nullptr, 1, L"%s:%d\r\nDon't CREATE this class by yourself. Use '%s.' which defined in %s.",
           srcFile, line, objectName, home);
}

ModuleGuard::~ModuleGuard() { --count_; }

// ---------------------------------------------------------------- addresses

// Reads the address digits of any character type; 1 when the text holds
// only digits and dots, no more than 20 characters and no part above 255.
template <typename Ch>
static int ParseAddress(const Ch* text, int nums[4], int checked) {
  for (int i = 0; i < 4; ++i) nums[i] = 0;
  int len = 0;
  while (text[len]) {
    if (++len > 20) return 0;
  }
  int count = 0, value = 0;
  bool inNumber = false, tooBig[4] = {false, false, false, false};
  for (int i = 0; i <= len; ++i) {
    Ch c = text[i];
    if (c >= '0' && c <= '9') {
      if (value <= 255) value = value * 10 + (c - '0');
      inNumber = true;
    } else if (c == '.' || c == 0) {
      if (inNumber) {
        if (count < 4) {
          nums[count] = value > 255 ? 0 : value;
          tooBig[count] = value > 255;
        }
        ++count;
      }
      inNumber = false;
      value = 0;
    } else {
      return 0;
    }
  }
  for (int i = 0; i < checked; ++i)
    if (tooBig[i]) return 0;
  return 1;
}

int IpPad(wchar_t* wide, size_t wideCap, char* narrow, size_t narrowCap, int four) {
  int nums[4];
  int ok = wide ? ParseAddress(wide, nums, four ? 4 : 2)
                : (narrow ? ParseAddress(narrow, nums, four ? 4 : 2) : 0);
  if (!ok) return 0;
  size_t need = four ? 16 : 8;  // padded form plus terminator
  if ((wide && wideCap < need) || (narrow && narrowCap < need)) return 0;
  if (wide) {
    if (four) Format(wide, wideCap, L"%03d.%03d.%03d.%03d", nums[0], nums[1], nums[2], nums[3]);
    else Format(wide, wideCap, L"%03d.%03d", nums[0], nums[1]);
  }
  if (narrow) {
    if (four) FormatA(narrow, narrowCap, "%03d.%03d.%03d.%03d", nums[0], nums[1], nums[2], nums[3]);
    else FormatA(narrow, narrowCap, "%03d.%03d", nums[0], nums[1]);
  }
  return 1;
}

const wchar_t* IpPlain(const wchar_t* text, int four) {
  static thread_local wchar_t buf[20];
  int nums[4] = {0, 0, 0, 0};
  int count = 0, value = 0;
  bool inNumber = false;
  for (int i = 0; text && i < 19 && count < 4; ++i) {
    wchar_t c = text[i];
    if (c >= L'0' && c <= L'9') {
      if (value <= 255) value = value * 10 + (c - L'0');
      inNumber = true;
      continue;
    }
    if (inNumber) nums[count++] = value;
    inNumber = false;
    value = 0;
    if (c == 0) break;
  }
  if (inNumber && count < 4) nums[count] = value;
  if (four) Format(buf, 20, L"%d.%d.%d.%d", nums[0], nums[1], nums[2], nums[3]);
  else Format(buf, 20, L"%d.%d", nums[0], nums[1]);
  return buf;
}

// ---------------------------------------------------------------- paths

static bool IsDirectory(const wchar_t* path) {
  DWORD attr = GetFileAttributesW(path);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// Cuts the last component off; false when none is left to remove.
static bool ParentOf(wchar_t* path) {
  wchar_t* slash = nullptr;
  for (wchar_t* p = path; *p; ++p)
    if (*p == L'/' || *p == L'\\') slash = p;
  if (!slash || slash == path) return false;
  *slash = L'\0';
  return true;
}

static bool MakeDirectory(const wchar_t* dir, DWORD* error) {
  if (IsDirectory(dir)) return true;
  if (!CreateDirectoryW(dir, nullptr)) *error = GetLastError();
  if (IsDirectory(dir)) return true;
  wchar_t parent[kTextMax + 1];
  CopyText(parent, kTextMax + 1, dir);
  if (!ParentOf(parent) || !MakeDirectory(parent, error)) return false;
  if (!CreateDirectoryW(dir, nullptr)) *error = GetLastError();
  return IsDirectory(dir);
}

int CreateDirFor(HWND owner, const wchar_t* path) {
  wchar_t dir[kTextMax + 1];
  CopyText(dir, kTextMax + 1, path);
  DWORD error = ERROR_PATH_NOT_FOUND;
  if (ParentOf(dir) && MakeDirectory(dir, &error)) return 1;
  SetLastError(error);
  Report(owner, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":CreateDirectory()"));
  return 0;
}
