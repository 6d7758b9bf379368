// The clock: date and time texts refreshed every 300 ms on the thread that
// runs the message loop; they stamp log entries and show on the toolbar.
#pragma once

#include "std/std.h"

// Where the clock reads local time; tests install a fixed time.
using TimeSourceFn = void (*)(SYSTEMTIME* now);
TimeSourceFn SetTimeSource(TimeSourceFn fn);  // returns the previous one
void ReadLocalTime(SYSTEMTIME* now);

// "%d/%02d/%02d" and "%02d:%02d'%02d" of a time.
void FormatDateText(const SYSTEMTIME& t, wchar_t* buf, size_t cap);
void FormatTimeText(const SYSTEMTIME& t, wchar_t* buf, size_t cap);

constexpr int kClockTextMin = 21;  // callers' buffers hold at least this

class CDate {
 public:
  CDate();
  ~CDate();
  // Copy the current text under the clock's lock; 0 when the lock is not had
  // within 3 s (buffer untouched).
  int GetDate(wchar_t* buf);
  int GetTime(wchar_t* buf);
  void Tick();

 private:
  int Copy(const wchar_t* src, wchar_t* dst, int line);
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
  static int instances_;
  ModuleGuard guard_;
  HANDLE lock_ = nullptr;
  UINT_PTR timer_ = 0;
  wchar_t date_[20] = L"";
  wchar_t time_[10] = L"";
};

extern CDate date;
