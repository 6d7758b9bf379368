// The HTTP client: one request at a time on a worker thread, driven by the
// caller's window timer (Start, then Wait1 and Wait2 until they return 1,
// then Result). The answer's body lands in the caller's response file and
// every step leaves a coloured line in the pending log store.
#pragma once

#include "std/std.h"

constexpr COLORREF kLogBlack = 0;
constexpr COLORREF kLogRed = 255;
// Largest answer body stored; a bigger one fails the request.
constexpr long long kResponseCap = 16777216;

struct InetRequest;

// How a worker thread is started (the run-time library's _beginthreadex);
// replaceable so that a refused start can be shown.
using ThreadStartFn = uintptr_t (*)(void* security, unsigned stack,
                                    unsigned(__stdcall* proc)(void*), void* arg, unsigned flags,
                                    unsigned* id);
ThreadStartFn SetThreadStart(ThreadStartFn fn);  // returns the previous one

class CInet {
 public:
  CInet();
  ~CInet();
  // 1 when the worker has started. A request still in flight is cut off
  // first. body may be null; header is sent only with a verb beginning P.
  int Start(HWND owner, const wchar_t* server, const wchar_t* verb, const wchar_t* object,
            const char* body, const wchar_t* responseFile, const wchar_t* header);
  // 0 while the caller must keep waiting, 1 when the step is over.
  int Wait1(HWND owner);
  int Wait2(HWND owner);
  // 1 when the request succeeded and its answer begins with OK.
  int Result(HWND owner);
  // Abandons the request in flight and logs "User Cancel".
  void Cancel(HWND owner);
  // TOUT1: ticks Wait1 waits for the worker (1 to 3000, else 25).
  void LoadTimeout();

  int Timeout() const { return tout1_; }
  // Workers still running, cut-off ones included.
  static int LiveWorkers();
  // Whether the current request still holds a WinINet handle.
  bool HoldsHandles() const;

 private:
  void CutOff(HWND owner, bool reportCloseFailures);
  void Forget();
  void CloseHandles(HWND owner, bool reportFailures);
  void StoreAnswer(HWND owner);

  static int instances_;
  ModuleGuard guard_;
  InetRequest* current_ = nullptr;  // the one request this client answers for
  HANDLE worker_ = nullptr;         // its thread, until Wait2 or Cancel
  int countdown_ = 0;
  int tout1_ = 25;
  int succeeded_ = 0;  // worker ended with the whole body, and it is in place
  unsigned number_ = 0;
  wchar_t server_[64] = L"";
  wchar_t responseFile_[kTextMax + 1] = L"";
};

extern CInet inet;
