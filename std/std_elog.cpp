#include "std/std_elog.h"

#include <cwchar>
#include <vector>

#include "std/std_date.h"
#include "std/std_file.h"
#include "std/std_profile.h"

int CElog::instances_ = 0;
CElog elog MODULE_INIT_ELOG;

CElog::CElog() : guard_(instances_, L"elog", HERE) {
  if (!guard_.Owner()) return;
  lock_ = CreateSemaphoreW(nullptr, 1, 1, L"elog");
}

CElog::~CElog() {
  if (!guard_.Owner()) return;
  CloseLocked();
  if (lock_) CloseHandle(lock_);
  lock_ = nullptr;
}

void CElog::CloseLocked() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

void CElog::Close() {
  if (WaitForSingleObject(lock_, 5000) != WAIT_OBJECT_0) return;
  CloseLocked();
  ReleaseSemaphore(lock_, 1, nullptr);
}

static int CreateEmpty(const wchar_t* path) {
  HANDLE h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(h);
  return 1;
}

// Learned from the directory entry, so a viewer that holds the log open
// does not stop the program.
static int SizeOf(const wchar_t* path, long long* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return 0;
  *size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return 1;
}

int CElog::OpenLocked(wchar_t* failure, size_t cap) {
  failure[0] = L'\0';
  wchar_t txt[kTextMax + 1], bkp[kTextMax + 1];
  JoinPath(txt, kTextMax + 1, profile.dir, L"elog.txt");
  JoinPath(bkp, kTextMax + 1, profile.dir, L"elog.bkp");
  entries_ = 0;
  if (GetFileAttributesW(txt) == INVALID_FILE_ATTRIBUTES && !CreateEmpty(txt)) {
    Format(failure, cap, L"%s:%d\r\n_tfopen ERROR", HERE);
    return 0;
  }
  long long size = 0;
  if (!SizeOf(txt, &size)) return 0;
  if (size > kElogMaxBytes) {
    // One rotation per opening: a delete that fails must not loop.
    if (!file.ShellOp(nullptr, FO_COPY, txt, bkp, 0, HERE, kSilent) || !DeleteFileW(txt)) {
      Format(failure, cap, L"%s:%d\r\nLog Backup ERROR", HERE);
      return 0;
    }
    if (!CreateEmpty(txt)) {
      Format(failure, cap, L"%s:%d\r\n_tfopen ERROR", HERE);
      return 0;
    }
  }
  file_ = CreateFileW(txt, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    Format(failure, cap, L"%s:%d\r\n_tfopen ERROR2", HERE);
    return 0;
  }
  return 1;
}

int CElog::Open() {
  if (!guard_.Owner()) return 0;
  wchar_t failure[kTextMax + 1];
  if (WaitForSingleObject(lock_, 5000) != WAIT_OBJECT_0) return 0;
  CloseLocked();
  int ok = OpenLocked(failure, kTextMax + 1);
  ReleaseSemaphore(lock_, 1, nullptr);
  if (failure[0]) Report(nullptr, 1, L"%s", failure);
  return ok;
}

// The clock's text, or the local time in the same form when the clock's
// lock is not had in time: the entry is written either way.
static void Stamp(wchar_t* dateText, wchar_t* timeText) {
  SYSTEMTIME now;
  bool haveDate = date.GetDate(dateText), haveTime = date.GetTime(timeText);
  if (haveDate && haveTime) return;
  ReadLocalTime(&now);
  if (!haveDate) FormatDateText(now, dateText, kClockTextMin);
  if (!haveTime) FormatTimeText(now, timeText, kClockTextMin);
}

int CElog::Write(const wchar_t* text) {
  if (!guard_.Owner() || !text) return 0;
  if (WaitForSingleObject(lock_, 5000) != WAIT_OBJECT_0) return 0;
  if (file_ == INVALID_HANDLE_VALUE) {
    ReleaseSemaphore(lock_, 1, nullptr);
    return 0;
  }
  if (++entries_ > kElogEntriesPerOpen) {
    // The size test runs only at an opening, so reopen every eleventh entry.
    wchar_t failure[kTextMax + 1];
    CloseLocked();
    if (!OpenLocked(failure, kTextMax + 1)) {
      ReleaseSemaphore(lock_, 1, nullptr);
      if (failure[0]) Report(nullptr, 1, L"%s", failure);
      return 0;
    }
  }
  wchar_t dateText[kClockTextMin] = L"", timeText[kClockTextMin] = L"";
  Stamp(dateText, timeText);
  size_t cap = wcslen(text) + 100;
  std::vector<wchar_t> entry(cap);
  int len = Format(entry.data(), cap, L"%s %s---------------------\r\n%s\r\n", dateText, timeText,
                   text);
  DWORD written = 0;
  BOOL ok = WriteFile(file_, entry.data(), static_cast<DWORD>(len * sizeof(wchar_t)), &written,
                      nullptr);
  ReleaseSemaphore(lock_, 1, nullptr);
  return ok && written == len * sizeof(wchar_t);
}
