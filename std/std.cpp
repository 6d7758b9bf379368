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
    // The HTTP client's errors (12001 to 12999) are described by WinINet.
    HMODULE inet = code > 12000 && code < 13000 ? GetModuleHandleW(L"wininet.dll") : nullptr;
    if (n == 0 && inet)
      n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, inet, code,
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

// ======================================================== window foundation

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "std/std_font.h"
#include "std/std_lang.h"

namespace {
HWND g_mainWindow = nullptr;
int g_childCounter = 0;
std::vector<std::wstring> g_deadClasses;
}  // namespace

void LoadProgramNames(HINSTANCE inst) {
  app.inst = inst;
  app.name[0] = app.title[0] = L'\0';
  LoadStringW(inst, IDS_PROGRAM_NAME, app.name, kTextMax + 1);
  LoadStringW(inst, IDS_TITLE, app.title, kTextMax + 1);
}

const wchar_t* ObjectPropName() { return app.name[0] ? app.name : L"MILLPLAN"; }

HWND MainWindow() { return g_mainWindow; }
void SetMainWindow(HWND hwnd) { g_mainWindow = hwnd; }

CWndBase* ObjectOf(HWND hwnd) { return static_cast<CWndBase*>(GetPropW(hwnd, ObjectPropName())); }

static bool IsDialogBox(HWND hwnd) { return GetWindowLongPtrW(hwnd, DWLP_DLGPROC) != 0; }
static LRESULT CALLBACK ChildWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

LRESULT CWndBase::WndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (prevProc) return CallWindowProcW(prevProc, window, msg, wParam, lParam);
  return isDialog ? 0 : DefWindowProcW(window, msg, wParam, lParam);
}

void CWndBase::Attach(HWND window) {
  hwnd = window;
  isDialog = IsDialogBox(window);
  SetPropW(window, ObjectPropName(), this);
  int slot = isDialog ? DWLP_DLGPROC : GWLP_WNDPROC;
  WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, slot));
  if (current != SharedWndProc && current != ChildWndProc) {
    prevProc = current;
    SetWindowLongPtrW(window, slot, reinterpret_cast<LONG_PTR>(SharedWndProc));
  } else {
    prevProc = nullptr;
  }
}

LRESULT CALLBACK SharedWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWndBase* obj = ObjectOf(hwnd);
  if (!obj) {
    // Some messages (WM_GETMINMAXINFO) come before the object is known.
    if (msg == WM_NCCREATE || msg == WM_CREATE)
      obj = static_cast<CWndBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    else if (msg == WM_INITDIALOG)
      obj = reinterpret_cast<CWndBase*>(lParam);
    if (!obj) return IsDialogBox(hwnd) ? 0 : DefWindowProcW(hwnd, msg, wParam, lParam);
    obj->Attach(hwnd);
  }
  LRESULT result = 0;
  try {
    result = obj->WndProc(hwnd, msg, wParam, lParam);
  } catch (...) {
    // Never unwind into the system; answer as a window that did nothing.
    Report(nullptr, 2, L"%s:%d\r\nunexpected failure in message 0x%04x", HERE, msg);
    result = msg == WM_CREATE ? -1 : 0;
  }
  if (msg == WM_DESTROY) {
    if (obj->prevProc)
      SetWindowLongPtrW(hwnd, obj->isDialog ? DWLP_DLGPROC : GWLP_WNDPROC,
                        reinterpret_cast<LONG_PTR>(obj->prevProc));
    obj->prevProc = nullptr;
    RemovePropW(hwnd, ObjectPropName());
    if (obj->hwnd == hwnd) obj->hwnd = nullptr;
  }
  return result;
}

int RegisterWndClass(HWND owner, HINSTANCE inst, WNDCLASSEXW* wc, WNDPROC proc,
                     const wchar_t* className, int stockBackground, const wchar_t* srcFile,
                     int line, int mode) {
  ReleaseDeadClasses();
  UnregisterClassW(className, inst);
  *wc = WNDCLASSEXW{};
  wc->cbSize = sizeof *wc;
  wc->style = CS_DBLCLKS;
  wc->lpfnWndProc = proc;
  wc->hInstance = inst;
  wc->hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc->hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc->hbrBackground = static_cast<HBRUSH>(GetStockObject(stockBackground));
  wc->lpszClassName = className;
  if (RegisterClassExW(wc)) return 1;
  ReportFor(owner, mode, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":RegisterClassEx"));
  return 0;
}

void ReleaseDeadClasses() {
  for (size_t i = 0; i < g_deadClasses.size();) {
    if (UnregisterClassW(g_deadClasses[i].c_str(), app.inst) ||
        GetLastError() == ERROR_CLASS_DOES_NOT_EXIST)
      g_deadClasses.erase(g_deadClasses.begin() + static_cast<long>(i));
    else
      ++i;  // a window of it still exists
  }
}

int ChildCounter() { return g_childCounter; }

// The shared procedure of child windows: their class is unregistered once
// the window is gone.
static LRESULT CALLBACK ChildWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCDESTROY) {
    wchar_t cls[kTextMax + 1];
    if (GetClassNameW(hwnd, cls, kTextMax + 1)) g_deadClasses.emplace_back(cls);
  }
  return SharedWndProc(hwnd, msg, wParam, lParam);
}

int CchildCreateWindowEx(HWND parent, HINSTANCE inst, WNDCLASSEXW* wc, const wchar_t* stem,
                         int stockBackground, int width, CWndBase* object, HWND* out,
                         const wchar_t* srcFile, int line, DWORD exStyle, DWORD style) {
  if (out) *out = nullptr;
  wchar_t className[kTextMax + 1];
  Format(className, kTextMax + 1, L"%s_%s%d", app.name, stem, g_childCounter);
  int id = ++g_childCounter;
  if (!RegisterWndClass(parent, inst, wc, ChildWndProc, className, stockBackground,
                        srcFile, line, 0))
    return 0;
  SetLastError(0);
  HWND hwnd = CreateWindowExW(exStyle, className, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, width,
                              CW_USEDEFAULT, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              inst, object);
  if (!hwnd) {
    Report(parent, 0, L"%s:%d\r\n%s", srcFile, line,
           SysErrorText(L":CreateWindowEx(CchildCreateWindowEx)"));
    UnregisterClassW(className, inst);
    return 0;
  }
  if (out) *out = hwnd;
  return 1;
}

int DchildCreateWindowEx(HWND owner, HINSTANCE inst, WNDCLASSEXW* wc, const wchar_t* className,
                         const wchar_t* title, CWndBase* object, HWND* out,
                         const wchar_t* srcFile, int line, int mode) {
  if (out) *out = nullptr;
  if (!RegisterWndClass(owner, inst, wc, SharedWndProc, className, WHITE_BRUSH, srcFile, line, 0))
    return 0;
  SetLastError(0);
  HWND hwnd = CreateWindowExW(WS_EX_WINDOWEDGE, className, title, WS_POPUP | WS_CAPTION, 0, 0, 200,
                              200, owner, nullptr, inst, object);
  if (!hwnd) {
    ReportFor(owner, mode, L"%s:%d\r\n%s", srcFile, line,
              SysErrorText(L":CreateWindowEx(DchildCreateWindowEx)"));
    return 0;
  }
  if (out) *out = hwnd;
  return 1;
}

void CenterOnMain(HWND hwnd) {
  RECT main, own;
  if (!g_mainWindow || !GetWindowRect(g_mainWindow, &main) || !GetWindowRect(hwnd, &own)) return;
  int w = own.right - own.left, h = own.bottom - own.top;
  int cx = main.left + (main.right - main.left) / 2, cy = main.top + (main.bottom - main.top) / 2;
  MoveWindow(hwnd, cx - w / 2, cy - h / 2, w, h, TRUE);
}

void PlaceChild(HWND child, int x, int y, int width, int height) {
  RECT r;
  if (GetWindowRect(child, &r)) {
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    if (r.left == x && r.top == y && r.right - r.left == width && r.bottom - r.top == height) return;
  }
  MoveWindow(child, x, y, width, height, TRUE);
}

bool SanePlacement(WINDOWPLACEMENT& wp) {
  if (wp.showCmd == SW_HIDE || wp.showCmd == SW_MINIMIZE || wp.showCmd == SW_SHOWMINIMIZED ||
      wp.showCmd == SW_SHOWMINNOACTIVE || wp.showCmd == SW_FORCEMINIMIZE)
    wp.showCmd = SW_SHOWNORMAL;
  RECT& r = wp.rcNormalPosition;
  if (r.right <= r.left || r.bottom <= r.top) return false;
  HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONULL);
  if (!monitor) return false;
  MONITORINFO mi = {sizeof mi};
  if (!GetMonitorInfoW(monitor, &mi)) return true;
  const RECT& work = mi.rcWork;
  int w = r.right - r.left, h = r.bottom - r.top;
  // A window larger than the screen keeps its size but starts on screen.
  if (r.left < work.left || w > work.right - work.left) OffsetRect(&r, work.left - r.left, 0);
  if (r.top < work.top || h > work.bottom - work.top) OffsetRect(&r, 0, work.top - r.top);
  (void)w;
  return true;
}

// ---------------------------------------------------------------- controls

HFONT ControlFont() { return font.Control(); }

static HWND MakeControl(const wchar_t* cls, DWORD style, HWND parent, HINSTANCE inst, int id,
                        const RECT* rect, HFONT font, const wchar_t* caption, HWND* out,
                        const wchar_t* srcFile, int line, const wchar_t* context, int height = -1) {
  if (out) *out = nullptr;
  int x = rect ? rect->left : CW_USEDEFAULT, y = rect ? rect->top : CW_USEDEFAULT;
  int w = rect ? rect->right - rect->left : CW_USEDEFAULT;
  int h = height >= 0 ? height : rect ? rect->bottom - rect->top : CW_USEDEFAULT;
  SetLastError(0);
  HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, cls, caption ? caption : L"", style, x, y, w, h,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
  if (!hwnd) {
    Report(parent, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(context));
    return nullptr;
  }
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : ControlFont()), FALSE);
  if (out) *out = hwnd;
  return hwnd;
}

HWND CreateBtn(HWND parent, HINSTANCE inst, int id, const RECT* rect, HFONT font,
               const wchar_t* caption, HWND* out, const wchar_t* srcFile, int line) {
  return MakeControl(L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, parent, inst,
                     id, rect, font, caption, out, srcFile, line, L":CreateWindowEx(CreateBtn)");
}

HWND CreateRdo(HWND parent, HINSTANCE inst, int id, const RECT* rect, HFONT font,
               const wchar_t* caption, HWND* out, const wchar_t* srcFile, int line, DWORD style) {
  return MakeControl(L"BUTTON", style, parent, inst, id, rect, font, caption, out, srcFile, line,
                     L":CreateWindowEx(CreateRdo)");
}

HWND CreateCBox(HWND parent, HINSTANCE inst, int id, const RECT* rect, HFONT font,
                const wchar_t* caption, HWND* out, const wchar_t* srcFile, int line,
                int dropHeight, const wchar_t* const* items, int selected) {
  HWND box = MakeControl(WC_COMBOBOXEXW, WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST,
                         parent, inst, id, rect, font, caption, out, srcFile, line,
                         L":CreateWindowEx(CreateCBox)", dropHeight);
  if (!box) return nullptr;
  for (int i = 0; items && items[i]; ++i) {
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT | CBEIF_INDENT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(items[i]);
    SendMessageW(box, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  return box;
}

HWND CreateStatic(HWND parent, HINSTANCE inst, int id, const RECT* rect, HFONT font,
                  const wchar_t* caption, HWND* out, const wchar_t* srcFile, int line, DWORD style) {
  return MakeControl(L"STATIC", style, parent, inst, id, rect, font, caption, out, srcFile, line,
                     L":CreateWindowEx(CreateStatic");
}

// ---------------------------------------------------------------- edit fields

namespace {
using CharRule = bool (*)(wchar_t c);

bool AnyText(wchar_t c) { return c != L'\t' && c != L'\r'; }
bool IpChar(wchar_t c) { return c == L'\b' || c == L'.' || (c >= L'0' && c <= L'9'); }
bool AlnumChar(wchar_t c) {
  return c == L'\b' || (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}
bool NameChar(wchar_t c) { return AlnumChar(c) || c == L'-' || c == L'_'; }
bool NoQuoteChar(wchar_t c) { return AnyText(c) && c != L'"' && c != L','; }

EditLink* LinkOf(HWND edit) { return static_cast<EditLink*>(GetPropW(edit, ObjectPropName())); }

// Moves the focus along the records; false when no enabled field is found.
bool Navigate(EditLink* link, bool forward) {
  for (EditLink* r = link;; r += forward ? 1 : -1) {
    HWND target = forward ? r->next : r->prev;
    if (!target) return false;
    if (IsWindowEnabled(target)) {
      SendMessageW(target, EM_SETSEL, 0, -1);
      SetFocus(target);
      return true;
    }
  }
}

// Inserts the clipboard's text with the filter's characters only.
void PasteFiltered(HWND edit, CharRule allowed) {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(edit)) return;
  std::wstring kept;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data))) {
      for (const wchar_t* p = text; *p; ++p)
        if (*p != L'\b' && allowed(*p)) kept.push_back(*p);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
}

LRESULT FilteredEdit(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, CharRule allowed) {
  EditLink* link = LinkOf(hwnd);
  if (!link) return DefWindowProcW(hwnd, msg, wParam, lParam);
  WNDPROC prev = link->prevProc;
  switch (msg) {
    case WM_KEYDOWN: {
      bool forward = wParam == VK_TAB || wParam == VK_RETURN || wParam == VK_DOWN;
      if (!forward && wParam != VK_UP) break;
      if (link->actionTarget) {
        SendMessageW(link->actionTarget, link->actionMsg, wParam, link->actionParam);
        return 0;
      }
      if (Navigate(link, forward)) return 0;
      break;
    }
    case WM_CHAR:
    case WM_IME_CHAR:
      if (!allowed(static_cast<wchar_t>(wParam))) return 1;
      break;
    case WM_PASTE:
      PasteFiltered(hwnd, allowed);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prev));
      RemovePropW(hwnd, ObjectPropName());
      break;
  }
  return CallWindowProcW(prev, hwnd, msg, wParam, lParam);
}
}  // namespace

LRESULT CALLBACK EditProcText(HWND h, UINT m, WPARAM w, LPARAM l) { return FilteredEdit(h, m, w, l, AnyText); }
LRESULT CALLBACK EditProcIp(HWND h, UINT m, WPARAM w, LPARAM l) { return FilteredEdit(h, m, w, l, IpChar); }
LRESULT CALLBACK EditProcAlnum(HWND h, UINT m, WPARAM w, LPARAM l) { return FilteredEdit(h, m, w, l, AlnumChar); }
LRESULT CALLBACK EditProcName(HWND h, UINT m, WPARAM w, LPARAM l) { return FilteredEdit(h, m, w, l, NameChar); }
LRESULT CALLBACK EditProcNoQuote(HWND h, UINT m, WPARAM w, LPARAM l) { return FilteredEdit(h, m, w, l, NoQuoteChar); }

void LinkEdit(HWND edit, EditLink* link, WNDPROC filter) {
  SetPropW(edit, ObjectPropName(), link);
  link->prevProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(filter)));
}

// ---------------------------------------------------------------- buttons

RECT PlaceButtons(HDC dc, CtrlItem* items, int count, CtrlItem** buttons, int n) {
  int bw = 0, th = 0;
  for (int k = 0; k < n; ++k) {
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, buttons[k]->text ? buttons[k]->text : L"", -1, &r, DT_CALCRECT | DT_SINGLELINE);
    bw = r.right - r.left > bw ? r.right - r.left : bw;
    th = r.bottom - r.top > th ? r.bottom - r.top : th;
  }
  bw += 20;
  int right = 0, bottom = 0;
  for (int i = 0; i < count; ++i) {
    bool isButton = false;
    for (int k = 0; k < n; ++k) isButton = isButton || buttons[k] == &items[i];
    if (isButton) continue;  // a repeated call must not push the layout down
    right = items[i].rect.right > right ? items[i].rect.right : right;
    bottom = items[i].rect.bottom > bottom ? items[i].rect.bottom : bottom;
  }
  int width = right + 15;
  int top = bottom + 2 * th, low = bottom + 4 * th;
  int gap = (width - n * bw) / (n + 1);
  if (width < n * bw + 10 * (n - 1) + 25 || gap < 10) {
    int left = 10;
    for (int k = 0; k < n; ++k) {
      buttons[k]->rect = RECT{left, top, left + bw, low};
      left += bw + 10;
    }
    width = buttons[n - 1]->rect.right + 15;
  } else {
    for (int k = 0; k < n; ++k) {
      int left = gap + k * (bw + gap);
      buttons[k]->rect = RECT{left, top, left + bw, low};
    }
  }
  int height = low + GetSystemMetrics(SM_CYCAPTION) + th;
  // Windows 6 and later draw wider frames.
  return RECT{0, 0, width + 10, height + 10};
}

const RECT* PlaceButtons1(HDC dc, CtrlItem* items, CtrlItem* b1) {
  static RECT size;
  CtrlItem* buttons[] = {b1};
  size = PlaceButtons(dc, items, 2, buttons, 1);
  return &size;
}

const RECT* PlaceButtons2(HDC dc, CtrlItem* items, int count, CtrlItem* b1, CtrlItem* b2) {
  static RECT size;
  CtrlItem* buttons[] = {b1, b2};
  size = PlaceButtons(dc, items, count, buttons, 2);
  return &size;
}

const RECT* PlaceButtons3(HDC dc, CtrlItem* items, CtrlItem* b1, CtrlItem* b2, CtrlItem* b3) {
  static RECT size;
  CtrlItem* buttons[] = {b1, b2, b3};
  size = PlaceButtons(dc, items, 24, buttons, 3);
  return &size;
}

// ---------------------------------------------------------------- helpers

void ShowAbout(HWND owner) {
  wchar_t day[32] = L"", time[32] = L"";
  ToWide(__DATE__, day, 32, owner, HERE);
  ToWide(__TIME__, time, 32, owner, HERE);
  wchar_t text[kTextMax + 1];
  Format(text, kTextMax + 1, L"%s(%s %s)", app.title, day, time);
  HICON icon = static_cast<HICON>(
      LoadImageW(app.inst, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  ShellAboutW(owner, text, L"Weaving mill layout editor", icon);
}

UINT_PTR delayedTimer = 0;

void CALLBACK DelayedClose(HWND, UINT, UINT_PTR id, DWORD) {
  // Kill the timer that fired: a second start must not orphan the first.
  KillTimer(nullptr, id);
  if (delayedTimer == id) delayedTimer = 0;
  if (g_mainWindow) SendMessageW(g_mainWindow, WM_CLOSE, 32770, 0);
}

void CALLBACK DelayedNotify(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (delayedTimer == id) delayedTimer = 0;
  if (g_mainWindow) SendMessageW(g_mainWindow, WM_REBUILDPANES, 0, 0);
}

void StartDelayed(TIMERPROC proc) { delayedTimer = SetTimer(nullptr, 0, 1000, proc); }
