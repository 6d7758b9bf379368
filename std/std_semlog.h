// The pending log store: the HTTP client leaves one coloured line per step
// here, from its worker thread too, and the communication log window takes
// them away every second. Guarded by the named semaphore "inet".
#pragma once

#include "std/std.h"

constexpr int kPendingSlots = 30;
constexpr int kPendingChars = 261;  // per slot, terminator included

class CSemLog {
 public:
  CSemLog();
  ~CSemLog();
  // Adds "%d %s:%s %s\n" of colour, month/day, time and text, cut at 260
  // characters. 0 when the store has no lock or the wait failed; a full
  // store drops the line and still returns 1.
  int Add(HWND owner, const wchar_t* text, COLORREF colour);
  // Copies all slots into buffer (kPendingSlots * kPendingChars characters)
  // and clears them. 0 when the wait failed (buffer untouched).
  int Drain(HWND owner, wchar_t* buffer);

 private:
  static int instances_;
  ModuleGuard guard_;
  HANDLE lock_ = nullptr;
  wchar_t slots_[kPendingSlots][kPendingChars] = {};
};

extern CSemLog semlog;
