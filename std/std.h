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
// The pending log store outlives the HTTP client, whose late workers may
// still be finishing when the client is destroyed.
#define MODULE_INIT_SEMLOG __attribute__((init_priority(1003)))
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

// ======================================================== window foundation

// Program name and title from the string resources (101, 107).
void LoadProgramNames(HINSTANCE inst);
// Name of the window property that ties a window to its object.
const wchar_t* ObjectPropName();

// The main window while it exists; dialogs centre on it and disable it.
HWND MainWindow();
void SetMainWindow(HWND hwnd);

// Base of every window object. One shared window procedure routes each
// window's messages to its object's WndProc.
class CWndBase {
 public:
  CWndBase() = default;
  virtual ~CWndBase() = default;
  CWndBase(const CWndBase&) = delete;
  CWndBase& operator=(const CWndBase&) = delete;
  virtual LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Ties a window to this object; takes over its procedure when it is not
  // the shared one (the old one is put back when the window goes).
  void Attach(HWND window);

  HWND hwnd = nullptr;
  WNDPROC prevProc = nullptr;
  bool isDialog = false;
};

LRESULT CALLBACK SharedWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
CWndBase* ObjectOf(HWND hwnd);

// Registers a class (any older one of that name removed first).
int RegisterWndClass(HWND owner, HINSTANCE inst, WNDCLASSEXW* wc, WNDPROC proc,
                     const wchar_t* className, int stockBackground, const wchar_t* srcFile,
                     int line, int mode);
// A child window of a class of its own, "%s_<stem>%d" of the program name and
// the child counter; its identifier is the counter after the increment.
int CchildCreateWindowEx(HWND parent, HINSTANCE inst, WNDCLASSEXW* wc, const wchar_t* stem,
                         int stockBackground, int width, CWndBase* object, HWND* out,
                         const wchar_t* srcFile, int line, DWORD exStyle = WS_EX_TOOLWINDOW,
                         DWORD style = WS_CHILD | WS_VISIBLE);
// A captioned pop-up at (0, 0), 200 by 200, owned by owner.
int DchildCreateWindowEx(HWND owner, HINSTANCE inst, WNDCLASSEXW* wc, const wchar_t* className,
                         const wchar_t* title, CWndBase* object, HWND* out,
                         const wchar_t* srcFile, int line, int mode = 0);
// Child classes whose windows are gone are unregistered here (and at the
// next registration), so rebuilding panes leaks no classes.
void ReleaseDeadClasses();
int ChildCounter();
void CenterOnMain(HWND hwnd);
// Moves a child window only when its place or size really changes: each
// needless move repaints it and its children.
void PlaceChild(HWND child, int x, int y, int width, int height);

// Placement checks: a hidden or minimised show command becomes normal; a
// rectangle on no monitor is refused (false); one larger than the work
// area is moved into it.
bool SanePlacement(WINDOWPLACEMENT& wp);

// One control of a dialog.
struct CtrlItem {
  const wchar_t* text;
  RECT rect;
  HWND hwnd;
};

// Control factories: the control font is used when font is none.
HWND CreateBtn(HWND parent, HINSTANCE inst, int id, const RECT* rect, HFONT font,
               const wchar_t* caption, HWND* out, const wchar_t* srcFile, int line);
HWND CreateRdo(HWND parent, HINSTANCE inst, int id, const RECT* rect, HFONT font,
               const wchar_t* caption, HWND* out, const wchar_t* srcFile, int line,
               DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON);
HWND CreateCBox(HWND parent, HINSTANCE inst, int id, const RECT* rect, HFONT font,
                const wchar_t* caption, HWND* out, const wchar_t* srcFile, int line,
                int dropHeight, const wchar_t* const* items, int selected);
HWND CreateStatic(HWND parent, HINSTANCE inst, int id, const RECT* rect, HFONT font,
                  const wchar_t* caption, HWND* out, const wchar_t* srcFile, int line,
                  DWORD style = WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_CENTERIMAGE | SS_CENTER);
// The font controls get when none is given.
HFONT ControlFont();

// Keyboard navigation between a dialog's edit fields; a dialog keeps its
// records in one array in tab order.
struct EditLink {
  WNDPROC prevProc;
  HWND next;
  HWND prev;
  HWND actionTarget;  // when set, navigation keys send actionMsg instead
  UINT actionMsg;
  LPARAM actionParam;
};
LRESULT CALLBACK EditProcText(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProcIp(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProcAlnum(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProcName(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProcNoQuote(HWND, UINT, WPARAM, LPARAM);
// Ties an edit field to its record and puts the filter in front of it.
void LinkEdit(HWND edit, EditLink* link, WNDPROC filter);

// Bottom buttons: sizes a dialog around its controls (the buttons' own items
// left out) and places the buttons in a row below them. The result's right
// and bottom are the dialog's width and height.
const RECT* PlaceButtons1(HDC dc, CtrlItem* items, CtrlItem* b1);
const RECT* PlaceButtons2(HDC dc, CtrlItem* items, int count, CtrlItem* b1, CtrlItem* b2);
const RECT* PlaceButtons3(HDC dc, CtrlItem* items, CtrlItem* b1, CtrlItem* b2, CtrlItem* b3);
RECT PlaceButtons(HDC dc, CtrlItem* items, int count, CtrlItem** buttons, int n);

void ShowAbout(HWND owner);

// One-second delayed actions on the main window: close after a change of
// language, and rebuild the panes after the sections changed.
extern UINT_PTR delayedTimer;
void CALLBACK DelayedClose(HWND, UINT, UINT_PTR id, DWORD);
void CALLBACK DelayedNotify(HWND, UINT, UINT_PTR id, DWORD);
void StartDelayed(TIMERPROC proc);

constexpr UINT WM_REBUILDPANES = 0x8004;
constexpr UINT WM_2PARENT = 0x8005;
constexpr UINT WM_LAYOUT = 0x801E;
constexpr UINT WM_AUTOSET = 0x801F;
constexpr UINT WM_GRPSET = 0x8020;
