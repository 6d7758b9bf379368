#include "std/std_semlog.h"

#include "std/std_date.h"

int CSemLog::instances_ = 0;
CSemLog semlog MODULE_INIT_SEMLOG;

CSemLog::CSemLog() : guard_(instances_, L"semlog", HERE) {
  if (!guard_.Owner()) return;
  lock_ = CreateSemaphoreW(nullptr, 1, 1, L"inet");
}

CSemLog::~CSemLog() {
  if (!guard_.Owner()) return;
  if (lock_) CloseHandle(lock_);
  lock_ = nullptr;
}

int CSemLog::Add(HWND owner, const wchar_t* text, COLORREF colour) {
  if (!lock_) return 0;
  if (WaitForSingleObject(lock_, 3000) != WAIT_OBJECT_0) {
    Report(owner, 2, L"%s:%d\r\nSEMTAK::%s", HERE, SysErrorText(L":WaitForSingleObject"));
    return 0;
  }
  for (auto& slot : slots_) {
    if (slot[0]) continue;
    wchar_t day[kClockTextMin] = L"";
    wchar_t time[kClockTextMin] = L"";
    date.GetDate(day);
    date.GetTime(time);
    // The year is left out: "2024/05/17" shows as "05/17".
    const wchar_t* monthDay = wcslen(day) > 5 ? day + 5 : L"";
    Format(slot, kPendingChars, L"%d %s:%s %s\n", static_cast<int>(colour), monthDay, time,
           text ? text : L"");
    break;
  }
  ReleaseSemaphore(lock_, 1, nullptr);
  return 1;
}

int CSemLog::Drain(HWND owner, wchar_t* buffer) {
  if (!lock_) return 0;
  if (WaitForSingleObject(lock_, 3000) != WAIT_OBJECT_0) {
    Report(owner, 2, L"%s:%d\r\nSEMTAK::%s", HERE, SysErrorText(L":WaitForSingleObject"));
    return 0;
  }
  memcpy(buffer, slots_, sizeof(slots_));
  memset(slots_, 0, sizeof(slots_));
  ReleaseSemaphore(lock_, 1, nullptr);
  return 1;
}
