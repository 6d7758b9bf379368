#include "std/std_inet2.h"

#include <process.h>
#include <wininet.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "std/std_inetdlg.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std/std_semlog.h"

// Everything one request needs, owned jointly by the client and the worker
// (the last one to let go frees it). A worker that has been cut off keeps
// only this record: it can no longer reach the client, the response file or
// the log, so a late answer cannot touch the request that followed it.
struct InetRequest {
  InetRequest() { InitializeCriticalSection(&lock); }
  ~InetRequest() {
    DeleteCriticalSection(&lock);
    free(body);
  }

  LONG refs = 2;  // the client's and the worker's
  CRITICAL_SECTION lock;

  // Copied by Start: the caller may free its texts at once.
  HWND owner = nullptr;
  wchar_t server[64] = L"";
  wchar_t verb[16] = L"";
  wchar_t object[2 * kTextMax + 1] = L"";
  wchar_t header[2 * kTextMax + 1] = L"";
  bool hasHeader = false;
  char* body = nullptr;
  DWORD bodyLength = 0;
  wchar_t scratch[kTextMax + 16] = L"";  // the worker's file beside the response file
  wchar_t user[20] = L"";
  wchar_t password[20] = L"";
  DWORD access = INTERNET_OPEN_TYPE_DIRECT;
  DWORD timeoutMs = 10000;

  // Guarded by lock.
  HINTERNET root = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  bool cutOff = false;
  bool ended = false;  // the worker has finished with the scratch file
  int success = 1;
  bool stored = false;  // the whole body is in the scratch file
};

namespace {

std::atomic<int> g_liveWorkers{0};
ThreadStartFn g_threadStart = _beginthreadex;
thread_local InetRequest* t_request = nullptr;
constexpr DWORD kPiece = 1000;

void Release(InetRequest* r) {
  if (InterlockedDecrement(&r->refs) == 0) delete r;
}

bool IsCutOff(InetRequest* r) {
  EnterCriticalSection(&r->lock);
  bool cut = r->cutOff;
  LeaveCriticalSection(&r->lock);
  return cut;
}

void AddLine(HWND owner, int code, COLORREF colour, const wchar_t* text) {
  wchar_t line[kPendingChars];
  Format(line, kPendingChars, L"%d %s", code, text);
  semlog.Add(owner, line, colour);
}

// The request fails; the red line is written only while the request is
// still current, under its lock, so no line can follow its cut-off.
void FailWith(InetRequest* r, int code, const wchar_t* text, bool alsoReport) {
  EnterCriticalSection(&r->lock);
  if (!r->cutOff) {
    r->success = 0;
    if (code) AddLine(r->owner, code, kLogRed, text);
    if (alsoReport) Report(r->owner, 2, L"%s:%d\r\n%s", HERE, text);
  }
  LeaveCriticalSection(&r->lock);
}

// A failed system call: its text is taken at once, before anything can
// change the thread's last error.
void Fail(InetRequest* r, int code, const wchar_t* context) {
  FailWith(r, code, SysErrorText(context), false);
}

// Stores a new handle in its slot, or closes it when the request has been
// cut off meanwhile: either way nobody else closes it.
bool Keep(InetRequest* r, HINTERNET* slot, HINTERNET h) {
  EnterCriticalSection(&r->lock);
  bool cut = r->cutOff;
  if (!cut) *slot = h;
  LeaveCriticalSection(&r->lock);
  if (cut) InternetCloseHandle(h);
  return !cut;
}

// Without these a silent server holds the worker for WinINet's own minutes,
// and closing the handles does not wake it everywhere.
void SetTimeouts(HINTERNET h, DWORD ms) {
  const DWORD options[] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                           INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                           INTERNET_OPTION_DATA_RECEIVE_TIMEOUT};
  for (DWORD option : options) InternetSetOptionW(h, option, &ms, sizeof(ms));
}

void CALLBACK NoStatus(HINTERNET, DWORD_PTR, DWORD, LPVOID, DWORD) {}

bool SendAndReadStatus(InetRequest* r, HINTERNET req, DWORD* status) {
  const wchar_t* header = r->hasHeader ? r->header : nullptr;
  BOOL sent = HttpSendRequestW(req, header, header ? static_cast<DWORD>(-1) : 0,
                               r->bodyLength ? r->body : nullptr, r->bodyLength);
  if (!sent) {
    Fail(r, 86, L":ERROR-HttpSendRequest");
    return false;
  }
  if (IsCutOff(r)) return false;
  DWORD size = sizeof(*status);
  if (!HttpQueryInfoW(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status, &size,
                      nullptr)) {
    Fail(r, 154, L":ERROR-HttpQueryInfo");
    return false;
  }
  return !IsCutOff(r);
}

void SetCredential(InetRequest* r, HINTERNET req, DWORD option, const wchar_t* value) {
  if (InternetSetOptionW(req, option, const_cast<wchar_t*>(value),
                         static_cast<DWORD>(wcslen(value))))
    return;
  DWORD error = GetLastError();
  EnterCriticalSection(&r->lock);
  if (!r->cutOff) {
    SetLastError(error);
    Report(r->owner, 2, L"%s:%d\r\n%s", HERE, SysErrorText(L":ERROR-InernetSetOption"));
  }
  LeaveCriticalSection(&r->lock);
}

BOOL CALLBACK CancelThreadWindow(HWND w, LPARAM) {
  PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

// Runs on the worker while the credentials dialog waits for the user: a
// request that is no longer current takes its dialog with it.
void CALLBACK WatchCutOff(HWND, UINT, UINT_PTR, DWORD) {
  if (t_request && IsCutOff(t_request))
    EnumThreadWindows(GetCurrentThreadId(), CancelThreadWindow, 0);
}

DWORD AskCredentials(InetRequest* r, HINTERNET req) {
  if (IsCutOff(r) || !r->owner || !IsWindow(r->owner)) return ERROR_CANCELLED;
  UINT_PTR watch = SetTimer(nullptr, 0, 100, WatchCutOff);
  DWORD answer = InternetErrorDlg(r->owner, req, ERROR_INTERNET_INCORRECT_PASSWORD,
                                  FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                      FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                      FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                                  nullptr);
  if (watch) KillTimer(nullptr, watch);
  return IsCutOff(r) ? ERROR_CANCELLED : answer;
}

bool Authenticate(InetRequest* r, HINTERNET req, DWORD* status) {
  SetCredential(r, req, INTERNET_OPTION_USERNAME, r->user);
  SetCredential(r, req, INTERNET_OPTION_PASSWORD, r->password);
  if (!SendAndReadStatus(r, req, status)) return false;
  while (*status == HTTP_STATUS_DENIED) {
    if (AskCredentials(r, req) != ERROR_INTERNET_FORCE_RETRY) break;
    if (!SendAndReadStatus(r, req, status)) return false;
  }
  return true;
}

// The Content-Length the server announced, or -1 when it gave none.
long long AnnouncedLength(HINTERNET req) {
  wchar_t text[32] = L"";
  DWORD size = sizeof(text) - sizeof(wchar_t);
  if (!HttpQueryInfoW(req, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return -1;
  long long n = 0;
  const wchar_t* p = text;
  while (*p == L' ') ++p;
  if (*p < L'0' || *p > L'9') return -1;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    n = n * 10 + (*p - L'0');
    if (n > kResponseCap) return kResponseCap + 1;  // too big is all we need to know
  }
  return n;
}

void TooBig(InetRequest* r) {
  wchar_t text[kTextMax + 1];
  Format(text, kTextMax + 1, L"%s:response over %lld bytes", r->server, kResponseCap);
  FailWith(r, 901, text, true);
}

void StoreBody(InetRequest* r, HINTERNET req) {
  long long announced = AnnouncedLength(req);
  if (announced > kResponseCap) return TooBig(r);
  HANDLE file = CreateFileW(r->scratch, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(r, 589, L":ERROR-CreateFile");
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    Fail(r, 597, L":ERROR-SetFilePointer");
    CloseHandle(file);
    return;
  }
  char piece[kPiece];
  long long total = 0;
  for (;;) {
    if (IsCutOff(r)) break;
    DWORD got = 0;
    if (!InternetReadFile(req, piece, kPiece, &got)) {
      FailWith(r, 0, nullptr, false);
      break;
    }
    if (got == 0) {
      if (announced >= 0 && total < announced) {
        wchar_t text[kTextMax + 1];
        Format(text, kTextMax + 1, L"%s:response cut short:%d of %d bytes", r->server,
               static_cast<int>(total), static_cast<int>(announced));
        FailWith(r, 902, text, false);
      } else {
        EnterCriticalSection(&r->lock);
        r->stored = true;
        LeaveCriticalSection(&r->lock);
      }
      break;
    }
    if (total + got > kResponseCap) {
      TooBig(r);
      break;
    }
    DWORD wrote = 0;
    if (!WriteFile(file, piece, got, &wrote, nullptr) || wrote != got) {
      FailWith(r, 0, nullptr, false);
      break;
    }
    total += got;
  }
  CloseHandle(file);
}

void Run(InetRequest* r) {
  HINTERNET root = InternetOpenW(app.name, r->access, nullptr, nullptr, 0);
  if (!root) return Fail(r, 326, L":ERROR-InternetOpen");
  if (!Keep(r, &r->root, root)) return;
  SetTimeouts(root, r->timeoutMs);
  if (InternetSetStatusCallbackW(root, NoStatus) == INTERNET_INVALID_STATUS_CALLBACK)
    return Fail(r, 383, L":ERROR-InternetSetStatusCallback");
  if (IsCutOff(r)) return;
  HINTERNET connection = InternetConnectW(root, r->server, INTERNET_DEFAULT_HTTP_PORT, nullptr,
                                          nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection) return Fail(r, 438, L":ERROR-InternetConnect");
  if (!Keep(r, &r->connection, connection)) return;
  HINTERNET req = HttpOpenRequestW(connection, r->verb, r->object, nullptr, nullptr, nullptr,
                                   INTERNET_FLAG_RELOAD, 0);
  if (!req) return Fail(r, 475, L":ERROR-HttpOpenRequest");
  if (!Keep(r, &r->request, req)) return;
  SetTimeouts(req, r->timeoutMs);
  DWORD status = 0;
  if (!SendAndReadStatus(r, req, &status)) return;
  if (status == HTTP_STATUS_DENIED && !Authenticate(r, req, &status)) return;
  if (IsCutOff(r)) return;
  StoreBody(r, req);
}

// The worker's last step: give back its handles, and its scratch file
// unless it holds a whole answer the client still wants.
void Finish(InetRequest* r) {
  EnterCriticalSection(&r->lock);
  HINTERNET handles[3] = {r->request, r->connection, r->root};
  r->request = r->connection = r->root = nullptr;
  bool keep = !r->cutOff && r->success && r->stored;
  if (!keep) r->success = 0;
  r->ended = true;
  LeaveCriticalSection(&r->lock);
  for (HINTERNET h : handles)
    if (h) InternetCloseHandle(h);
  if (!keep) DeleteFileW(r->scratch);
}

unsigned __stdcall WorkerMain(void* arg) {
  auto* r = static_cast<InetRequest*>(arg);
  t_request = r;
  Run(r);
  Finish(r);
  t_request = nullptr;
  Release(r);
  --g_liveWorkers;
  return 0;
}

// TOUT1 outside this range would make Wait1 useless or endless.
constexpr int kToutMin = 1;
constexpr int kToutMax = 3000;
constexpr int kToutDefault = 25;
// Handle time-outs per tick of TOUT1: the patience of the slower caller.
constexpr DWORD kMsPerTick = 400;

}  // namespace

ThreadStartFn SetThreadStart(ThreadStartFn fn) {
  ThreadStartFn old = g_threadStart;
  g_threadStart = fn ? fn : _beginthreadex;
  return old;
}

int CInet::instances_ = 0;
CInet inet MODULE_INIT;

CInet::CInet() : guard_(instances_, L"inet", HERE) {}

CInet::~CInet() {
  if (!guard_.Owner()) return;
  // Whatever still runs is cut off without a word: the log may be gone.
  if (current_) CutOff(nullptr, false);
  Forget();
  if (worker_) CloseHandle(worker_);
  worker_ = nullptr;
}

int CInet::LiveWorkers() { return g_liveWorkers.load(); }

void CInet::LoadTimeout() {
  int t = profile.ReadInt(L"TOUT1", kToutDefault);
  tout1_ = (t < kToutMin || t > kToutMax) ? kToutDefault : t;
}

bool CInet::HoldsHandles() const {
  if (!current_) return false;
  EnterCriticalSection(&current_->lock);
  bool held = current_->root || current_->connection || current_->request;
  LeaveCriticalSection(&current_->lock);
  return held;
}

void CInet::CloseHandles(HWND owner, bool reportFailures) {
  if (!current_) return;
  InetRequest* r = current_;
  EnterCriticalSection(&r->lock);
  HINTERNET handles[3] = {r->request, r->connection, r->root};
  r->request = r->connection = r->root = nullptr;
  LeaveCriticalSection(&r->lock);
  for (HINTERNET h : handles) {
    if (h && !InternetCloseHandle(h) && reportFailures)
      Report(owner, 2, L"%s:%d\r\n%s", HERE, SysErrorText(L":ERROR-InternetCloseHandle"));
  }
}

// Final for the request: it fails, and its worker, however late, adds
// nothing and leaves nothing behind.
void CInet::CutOff(HWND owner, bool reportCloseFailures) {
  InetRequest* r = current_;
  if (!r) return;
  EnterCriticalSection(&r->lock);
  r->cutOff = true;
  bool ended = r->ended;
  LeaveCriticalSection(&r->lock);
  CloseHandles(owner, reportCloseFailures);
  if (ended) DeleteFileW(r->scratch);
  succeeded_ = 0;
}

void CInet::Forget() {
  if (current_) Release(current_);
  current_ = nullptr;
}

// The worker has ended: its whole answer replaces the response file.
void CInet::StoreAnswer(HWND owner) {
  InetRequest* r = current_;
  EnterCriticalSection(&r->lock);
  bool whole = r->ended && !r->cutOff && r->success && r->stored;
  LeaveCriticalSection(&r->lock);
  if (!whole) return;
  if (MoveFileExW(r->scratch, responseFile_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    succeeded_ = 1;
    return;
  }
  AddLine(owner, 903, kLogRed, SysErrorText(L":ERROR-MoveFileEx"));
  DeleteFileW(r->scratch);
}

int CInet::Start(HWND owner, const wchar_t* server, const wchar_t* verb, const wchar_t* object,
                 const char* body, const wchar_t* responseFile, const wchar_t* header) {
  if (current_) CutOff(owner, false);
  Forget();
  if (worker_) CloseHandle(worker_);
  worker_ = nullptr;
  succeeded_ = 0;
  ++number_;

  CopyText(server_, 64, server ? server : L"");
  CopyText(responseFile_, kTextMax + 1, responseFile ? responseFile : L"");
  wchar_t line[kPendingChars];
  Format(line, kPendingChars, L"%s:%s:%s", server_, verb ? verb : L"", object ? object : L"");
  AddLine(owner, 765, kLogBlack, line);
  // Whatever lies there belongs to an earlier request.
  DeleteFileW(responseFile_);

  auto* r = new (std::nothrow) InetRequest;
  size_t length = body ? strlen(body) : 0;
  if (r && length) {
    r->body = static_cast<char*>(malloc(length));
    if (r->body) {
      memcpy(r->body, body, length);
      r->bodyLength = static_cast<DWORD>(length);
    }
  }
  uintptr_t thread = 0;
  if (r && (r->body || !length)) {
    r->owner = owner;
    CopyText(r->server, 64, server_);
    CopyText(r->verb, 16, verb ? verb : L"");
    CopyText(r->object, 2 * kTextMax + 1, object ? object : L"");
    r->hasHeader = header && r->verb[0] == L'P';
    if (r->hasHeader) CopyText(r->header, 2 * kTextMax + 1, header);
    Format(r->scratch, kTextMax + 16, L"%s~%u", responseFile_, number_);
    CopyText(r->user, 20, intdlg.uname);
    CopyText(r->password, 20, intdlg.pswd);
    r->access = intdlg.access == 1 ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PRECONFIG;
    r->timeoutMs = static_cast<DWORD>(tout1_) * kMsPerTick;
    ++g_liveWorkers;
    thread = g_threadStart(nullptr, 0, WorkerMain, r, 0, nullptr);
    if (!thread) --g_liveWorkers;
  }
  countdown_ = tout1_;
  if (!thread) {
    delete r;
    Report(owner, 0, L"%s:%d\r\n%s", HERE, L"_beginthreadex ERROR");
    return 0;
  }
  current_ = r;
  worker_ = reinterpret_cast<HANDLE>(thread);
  return 1;
}

int CInet::Wait1(HWND owner) {
  if (current_ && worker_ && WaitForSingleObject(worker_, 0) == WAIT_TIMEOUT) {
    if (countdown_ > 0) {
      --countdown_;
      return 0;
    }
    AddLine(owner, 801, kLogRed, SysErrorText(L":ERROR-WaitForSingleObject:wait1"));
    CutOff(owner, true);
  } else if (current_) {
    CloseHandles(owner, true);
    StoreAnswer(owner);
  }
  Forget();
  countdown_ = 5;
  return 1;
}

int CInet::Wait2(HWND owner) {
  if (worker_ && WaitForSingleObject(worker_, 0) == WAIT_TIMEOUT) {
    if (countdown_ > 0) {
      --countdown_;
      return 0;
    }
    AddLine(owner, 823, kLogRed, SysErrorText(L":ERROR-WaitForSingleObject:wait2"));
    // Abandoned: it must not answer for this request any more.
    if (current_) CutOff(owner, true);
    Forget();
  }
  if (worker_) CloseHandle(worker_);
  worker_ = nullptr;
  return 1;
}

int CInet::Result(HWND owner) {
  wchar_t text[kTextMax + 1];
  if (!succeeded_) {
    Format(text, kTextMax + 1, L"%s:result_Proc:%d", server_, 0);
    AddLine(owner, 850, kLogRed, text);
    return 0;
  }
  char head[101] = {};
  DWORD got = 0;
  HANDLE file = CreateFileW(responseFile_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    if (!ReadFile(file, head, 100, &got, nullptr)) got = 0;
    CloseHandle(file);
  }
  if (got >= 2 && head[0] == 'O' && head[1] == 'K') return 1;
  // The answer's first line, shown as it came: a server's bytes never make
  // a conversion fail or a box appear.
  int n = 0;
  while (n < static_cast<int>(got) && head[n] && head[n] != '\r' && head[n] != '\n') ++n;
  wchar_t answer[101] = L"";
  int w = n ? MultiByteToWideChar(lang.codePage, 0, head, n, answer, 100) : 0;
  if (n && !w) w = MultiByteToWideChar(1252, 0, head, n, answer, 100);
  answer[w > 0 ? w : 0] = 0;
  for (wchar_t* p = answer; *p; ++p)
    if (*p < L' ') *p = L'?';
  Format(text, kTextMax + 1, L"%s:tbuf:%s", server_, answer);
  AddLine(owner, 847, kLogRed, text);
  return 0;
}

void CInet::Cancel(HWND owner) {
  if (current_) CutOff(owner, true);
  Forget();
  succeeded_ = 0;
  countdown_ = 5;
  if (worker_) CloseHandle(worker_);
  worker_ = nullptr;
  AddLine(owner, 865, kLogRed, L"User Cancel");
}
