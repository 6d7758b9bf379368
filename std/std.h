// Reporting, bounded text helpers, the module-object guard and the address
// and path helpers every module of the program uses.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstddef>

// Wide source position of the caller, for the first line of a report.
#define MP_WIDEN2(x) L##x
#define MP_WIDEN(x) MP_WIDEN2(x)
#define WFILE MP_WIDEN(__FILE__)
#define HERE WFILE, __LINE__

// Static module objects are built in this order and destroyed in reverse:
// the clock first, then the error log, then every other module, so any
// module may report from its constructor or destructor.
#define MODULE_INIT_DATE __attribute__((init_priority(1001)))
#define MODULE_INIT_ELOG __attribute__((init_priority(1002)))
#define MODULE_INIT __attribute__((init_priority(1010)))

// Texts of this many characters plus a terminator: paths, names, reports.
constexpr int kTextMax = 260;

// Process-wide values fixed at start-up.
struct AppIdentity {
  HINSTANCE inst;
  wchar_t name[kTextMax + 1];   // program name: class, mutex, settings file
  wchar_t title[kTextMax + 1];  // caption of the main window
};
extern AppIdentity app;

// Bounded formatting: always terminated, cut at the buffer's capacity.
// Returns the length written.
int FormatV(wchar_t* buf, size_t cap, const wchar_t* fmt, va_list args);
int Format(wchar_t* buf, size_t cap, const wchar_t* fmt, ...);
int FormatA(char* buf, size_t cap, const char* fmt, ...);
// Truncating copy; returns the length copied.
int CopyText(wchar_t* dst, size_t cap, const wchar_t* src);
int CopyTextA(char* dst, size_t cap, const char* src);
// "%s/%s" of a directory and a file name; 0 when it does not fit.
int JoinPath(wchar_t* out, size_t cap, const wchar_t* dir, const wchar_t* name);

// Every message box of the program goes through this function so that tests
// can record boxes and answer them.
using MessageBoxFn = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);
MessageBoxFn SetMessageBoxFn(MessageBoxFn fn);  // returns the previous one
int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);

// Report modes: 0 box and log, 1 box, 2 log, 3 debugger, 4 nothing,
// anything else as 0.
int Report(HWND owner, int mode, const wchar_t* fmt, ...);
// For operations whose caller chooses the mode: 5 means silence.
constexpr int kSilent = 5;
int ReportFor(HWND owner, int mode, const wchar_t* fmt, ...);
void DebugPrint(const wchar_t* fmt, ...);
// The calling thread's last error as English text, then the context and
// "(code)". One buffer per thread; use the result at once.
const wchar_t* SysErrorText(const wchar_t* context);

// Counts the instances of one module class. The first instance owns the
// module's resources; a second is refused with a report and owns nothing.
class ModuleGuard {
 public:
  ModuleGuard(int& count, const wchar_t* objectName, const wchar_t* srcFile, int line,
              const wchar_t* home = L"stdafx");
  ~ModuleGuard();
  ModuleGuard(const ModuleGuard&) = delete;
  ModuleGuard& operator=(const ModuleGuard&) = delete;
  bool Owner() const { return owner_; }

 private:
  int& count_;
  bool owner_;
};

// Address texts. IpPad checks a dotted address and writes the zero-padded
// form ("%03d.%03d.%03d.%03d", or "%03d.%03d" when four is 0) into each
// text given; 1 when valid, else 0 and the texts are left alone.
int IpPad(wchar_t* wide, size_t wideCap, char* narrow, size_t narrowCap, int four);
// Plain dotted decimal of a stored address; one static buffer per thread.
const wchar_t* IpPlain(const wchar_t* text, int four);
// Makes sure the directory of a file path exists (parents first).
int CreateDirFor(HWND owner, const wchar_t* path);
