#include "std/std_date.h"

int CDate::instances_ = 0;
CDate date MODULE_INIT_DATE;

static void SystemLocalTime(SYSTEMTIME* now) { GetLocalTime(now); }
static TimeSourceFn g_timeSource = SystemLocalTime;

TimeSourceFn SetTimeSource(TimeSourceFn fn) {
  TimeSourceFn old = g_timeSource;
  g_timeSource = fn ? fn : SystemLocalTime;
  return old;
}

void ReadLocalTime(SYSTEMTIME* now) { g_timeSource(now); }

void FormatDateText(const SYSTEMTIME& t, wchar_t* buf, size_t cap) {
  Format(buf, cap, L"%d/%02d/%02d", t.wYear, t.wMonth, t.wDay);
}

void FormatTimeText(const SYSTEMTIME& t, wchar_t* buf, size_t cap) {
  Format(buf, cap, L"%02d:%02d'%02d", t.wHour, t.wMinute, t.wSecond);
}

CDate::CDate() : guard_(instances_, L"date", HERE) {
  if (!guard_.Owner()) return;
  lock_ = CreateSemaphoreW(nullptr, 1, 1, L"date");
  Tick();
  timer_ = SetTimer(nullptr, 0, 300, TimerProc);
  if (!timer_) Report(nullptr, 1, L"%s:%d\r\nSetTimer ERROR", HERE);
}

CDate::~CDate() {
  if (!guard_.Owner()) return;
  if (timer_) KillTimer(nullptr, timer_);
  if (lock_) CloseHandle(lock_);
  lock_ = nullptr;
}

void CALLBACK CDate::TimerProc(HWND, UINT, UINT_PTR, DWORD) {
  try {
    date.Tick();
  } catch (...) {
    // Never unwind into the system's timer dispatch.
  }
}

void CDate::Tick() {
  if (WaitForSingleObject(lock_, 3000) != WAIT_OBJECT_0) {
    Report(nullptr, 2, L"%s:%d\r\nSEMTAKE::%s", HERE, SysErrorText(L":WaitForSingleObject"));
    return;
  }
  SYSTEMTIME now;
  ReadLocalTime(&now);
  FormatDateText(now, date_, 20);
  FormatTimeText(now, time_, 10);
  ReleaseSemaphore(lock_, 1, nullptr);
}

int CDate::Copy(const wchar_t* src, wchar_t* dst, int line) {
  if (WaitForSingleObject(lock_, 3000) != WAIT_OBJECT_0) {
    Report(nullptr, 2, L"%s:%d\r\nSEMTAK::%s", WFILE, line, SysErrorText(L":WaitForSingleObject"));
    return 0;
  }
  CopyText(dst, kClockTextMin, src);
  ReleaseSemaphore(lock_, 1, nullptr);
  return 1;
}

int CDate::GetDate(wchar_t* buf) { return Copy(date_, buf, __LINE__); }
int CDate::GetTime(wchar_t* buf) { return Copy(time_, buf, __LINE__); }
