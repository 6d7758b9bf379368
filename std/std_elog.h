// The error log elog.txt in the settings directory: one dated UTF-16LE entry
// per logged report, moved aside to elog.bkp once it passes 2,000,000 bytes.
#pragma once

#include "std/std.h"

constexpr long long kElogMaxBytes = 2000000;
constexpr int kElogEntriesPerOpen = 10;

class CElog {
 public:
  CElog();
  ~CElog();
  // 1 when the log is open for appending. Reopening closes it first.
  int Open();
  // Appends one entry; called by Report only. 0 when the entry is lost.
  int Write(const wchar_t* text);
  void Close();
  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }

 private:
  // Opens or rotates with the lock held; a failure's report text is left in
  // `failure` so it is shown after the lock is released.
  int OpenLocked(wchar_t* failure, size_t cap);
  void CloseLocked();
  static int instances_;
  ModuleGuard guard_;
  HANDLE lock_ = nullptr;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  int entries_ = 0;
};

extern CElog elog;
