#include "std2/std2_main.h"

#include <commctrl.h>

#include "res/resource.h"
#include "std/std_elog.h"
#include "std/std_font.h"
#include "std/std_rgb.h"
#include "std/std_statusbar.h"
#include "std/std_inet2.h"
#include "std/std_inetdlg.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_base.h"
#include "std2/std2_comlog.h"
#include "std2/std2_grpdlgL.h"
#include "std2/std2_grpsetL.h"
#include "std2/std2_iptbl.h"
#include "std2/std2_layout.h"
#include "std2/std2_locale.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_toolbar.h"
#include "std2/std2_typdlg.h"
#include "std2/std2_undo.h"

int COMLOG_MODE = 0;
int OPT_DETAIL = 0;
int LUCKY_1 = 0;
MainMetrics metrics;

const wchar_t* const kSettingsDirectory = L"C:\\Apache2\\htdocs\\millplan";

namespace {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
constexpr UINT kPlacementBytes = 44;
// wParam of a WM_CLOSE that ends a window whose panes could not be made:
// nothing is asked and nothing is written.
constexpr WPARAM CLOSE_FAILED = 0x7F01;

HICON g_icon = nullptr;

UINT GetDpiForWindowSafe(HWND window) {
  using Fn = UINT(WINAPI*)(HWND);
  static Fn fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  UINT dpi = fn ? fn(window) : 0;
  return dpi ? dpi : 96;
}

// The single-instance mutex, held until the entry function returns.
class InstanceLock {
 public:
  InstanceLock() = default;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  ~InstanceLock() {
    if (mutex_) CloseHandle(mutex_);
  }
  // 1 when this is the only copy; otherwise brings the first copy forward.
  int Acquire() {
    mutex_ = CreateMutexW(nullptr, TRUE, app.name);
    if (!mutex_) return 0;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return 1;
    CloseHandle(mutex_);
    mutex_ = nullptr;
    BringFirstCopyForward();
    return 0;
  }

 private:
  static void BringFirstCopyForward() {
    HWND first = FindWindowW(app.name, nullptr);
    if (!first) return;
    // Restore only a minimised window: SW_RESTORE would un-maximise it.
    if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
    SetForegroundWindow(first);
  }
  HANDLE mutex_ = nullptr;
};

int OpenErrorLog() {
  if (elog.Open()) return 1;
  ShowMessageBox(nullptr, L"Can't Open elog file.", L"ERROR", MB_OK | MB_ICONQUESTION);
  return 0;
}

int LoadLanguage() {
  return lang.Load([] { return locale.DefaultLang(); }, CLocale::CodePage);
}

void ReadSwitches() {
  COMLOG_MODE = profile.ReadInt(L"COMLOG_MODE", 0);
  OPT_DETAIL = profile.ReadInt(L"OPT_DETAIL", 0);
}

int LoadProgramIcon(HINSTANCE inst) {
  g_icon = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, 0, 0,
                                         LR_DEFAULTSIZE | LR_SHARED));
  if (g_icon) return 1;
  Report(nullptr, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":LoadImage(105)"));
  return 0;
}

// ---------------------------------------------------------------- main window

constexpr int kPaneSlots = 4;

class CMainWnd : public CWndBase {
 public:
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCreate(HWND window);
  void ReleaseParts();
  void SizePane();
  int CreatePanes();
  void ClosePanes();
  void ShowOnly(HWND pane);
  void Route(int id);
  void RebuildPanes();

  HWND panes[kPaneSlots] = {};
  bool rebuildPending = false;
};

CMainWnd mainWnd;
DialogOpener g_openers[kDialogKinds] = {};

void OpenDialog(DialogKind kind, const wchar_t* title) {
  if (g_openers[kind]) g_openers[kind](MainWindow(), title);
}

int CMainWnd::CreatePanes() {
  for (HWND& p : panes) p = nullptr;
  HINSTANCE inst = app.inst;
  if (!CreateSplitWindow(hwnd, inst)) return 0;
  panes[0] = baseWindow;
  if (!comlogPane.Create(hwnd, inst, &panes[1])) return 0;
  for (int slot = 1; slot < kPaneSlots; ++slot)
    if (panes[slot]) ShowWindow(panes[slot], SW_HIDE);
  return 1;
}

void CMainWnd::ClosePanes() {
  for (HWND& p : panes) {
    if (p && IsWindow(p)) SendMessageW(p, WM_CLOSE, 0, 0);
    p = nullptr;
  }
  ReleaseDeadClasses();
}

void CMainWnd::ReleaseParts() {
  ClosePanes();
  toolbar.Close();
  statusbar.Close();
  font.Release();
}

int CMainWnd::OnCreate(HWND window) {
  hwnd = window;
  SetMainWindow(window);
  metrics.cxVScroll = GetSystemMetrics(SM_CXVSCROLL);
  metrics.cyCaption = GetSystemMetrics(SM_CYCAPTION);
  metrics.cxFrame = GetSystemMetrics(SM_CXFRAME);
  if (!font.Setup(window, static_cast<int>(GetDpiForWindowSafe(window)))) return 0;
  rgb.Reset();
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                              ICC_UPDOWN_CLASS | ICC_USEREX_CLASSES |
                                              ICC_COOL_CLASSES | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&icc);
  if (!CreatePanes()) return 0;
  if (!statusbar.Create(window)) return 0;
  if (!toolbar.Create(window)) return 0;
  loitbl.Ensure(window);
  ActiveGrpSet().Ensure(window);
  ActiveGrpDlg().Ensure(window);
  return 1;
}

void CMainWnd::SizePane() {
  HWND visible = nullptr;
  for (HWND p : panes)
    if (p && IsWindowVisible(p)) visible = p;  // the highest visible slot counts
  if (!visible) return;
  RECT client, bar;
  GetClientRect(hwnd, &client);
  int rebarHeight = 0;
  if (toolbar.rebar && GetWindowRect(toolbar.rebar, &bar)) rebarHeight = bar.bottom - bar.top;
  int statusHeight = statusbar.rect.bottom - statusbar.rect.top;
  PlaceChild(visible, 0, rebarHeight, client.right, client.bottom - rebarHeight - statusHeight);
}

void CMainWnd::ShowOnly(HWND pane) {
  for (HWND p : panes)
    if (p && p != pane) ShowWindow(p, SW_HIDE);
  ShowWindow(pane, SW_SHOW);
  SizePane();
}

void CMainWnd::Route(int id) {
  HWND split = panes[0] && IsWindow(panes[0]) ? panes[0] : nullptr;
  bool splitHidden = split && !IsWindowVisible(split);
  switch (id) {
    case kButtonComLog:
      if (panes[1] && IsWindow(panes[1]) && !IsWindowVisible(panes[1])) ShowOnly(panes[1]);
      return;
    case kButtonSection:
      if (!split) return;
      if (splitHidden) {
        ShowOnly(split);
        return;
      }
      if (gridWindow && SendMessageW(gridWindow, WM_LAYOUT, 11, 0)) {
        toolbar.EnableTurn(1);
        SendMessageW(gridWindow, WM_LAYOUT, 12, 0);
        SendMessageW(split, WM_LAYOUT, 30, 0);
      } else {
        toolbar.EnableTurn(0);
        if (gridWindow) SendMessageW(gridWindow, WM_LAYOUT, 12, 1);
        SendMessageW(split, WM_LAYOUT, 30, 1);
      }
      return;
    case kButtonUndo:
    case kButtonTurn:
      if (!split) return;
      if (splitHidden) {
        // With the layout hidden the button only brings it back.
        ShowOnly(split);
        SendMessageW(split, WM_LAYOUT, 0, 1);
      } else {
        SendMessageW(split, WM_LAYOUT, id == kButtonUndo ? 2 : 1, id == kButtonUndo ? 0 : 180);
      }
      return;
    case kButtonZoomIn:
    case kButtonZoomOut:
      if (!split) return;
      if (splitHidden) ShowOnly(split);
      SendMessageW(split, WM_LAYOUT, 0, id == kButtonZoomIn ? 1 : 0);
      return;
    case IDM_EXIT:
      SendMessageW(hwnd, WM_CLOSE, 0, 0);
      return;
    case IDM_LANG:
      OpenDialog(kDialogLanguage, lang.Text(S_MENU_LANG));
      return;
    case IDM_TYPE:
      OpenDialog(kDialogType, lang.Text(S_MENU_TYPE));
      return;
    case IDM_OPTION:
      OpenDialog(OPT_DETAIL ? kDialogOption : kDialogOption2, lang.Text(S_MENU_OPT));
      return;
    case IDM_SECTION:
      OpenDialog(LUCKY_1 ? kDialogSection10 : kDialogSection6, lang.Text(S_MENU_SCTN));
      return;
    case IDM_IMAVO:
      OpenDialog(kDialogHostFetch, L"iMAVO(&I)");
      return;
    case IDM_IPIER:
      OpenDialog(kDialogHostSettings, L"iPier(&A)");
      return;
    case IDM_VERSION:
      ShowAbout(hwnd);
      return;
    default:
      return;
  }
}

void CMainWnd::RebuildPanes() {
  // A dialog owned by a pane may be open: rebuild once it has closed.
  if (!IsWindowEnabled(hwnd)) {
    rebuildPending = true;
    return;
  }
  rebuildPending = false;
  ClosePanes();
  toolbar.EnableTurn(1);
  if (!CreatePanes()) {
    ClosePanes();
    PostMessageW(hwnd, WM_CLOSE, CLOSE_FAILED, 0);
    return;
  }
  SizePane();
  InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT CMainWnd::WndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      if (OnCreate(window)) return 0;
      // The parts have reported; nothing of the user's is asked or written.
      ReleaseParts();
      SetMainWindow(nullptr);
      return -1;
    case WM_SIZE:
      if (statusbar.hwnd) SendMessageW(statusbar.hwnd, WM_SIZE, wParam, lParam);
      if (toolbar.rebar) SendMessageW(toolbar.rebar, WM_SIZE, wParam, lParam);
      SizePane();
      return 0;
    case WM_NOTIFY: {
      const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr && hdr->hwndFrom == toolbar.rebar && hdr->code == RBN_HEIGHTCHANGE) SizePane();
      return 0;
    }
    case WM_DRAWITEM:
      return 0;
    case WM_KEYDOWN:
      for (HWND p : panes)
        if (p && IsWindow(p)) SendMessageW(p, WM_KEYDOWN, wParam, lParam);
      return 0;
    case WM_COMMAND:
      Route(LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      if (wParam == CLOSE_FAILED) return DefWindowProcW(window, msg, 0, lParam);
      return ShutDown(window, wParam, lParam);
    case WM_ENABLE:
      if (wParam && rebuildPending) PostMessageW(window, WM_REBUILDPANES, 0, 0);
      return 0;
    case WM_REBUILDPANES:
      RebuildPanes();
      return 0;
    case WM_DPICHANGED: {
      const RECT* r = reinterpret_cast<const RECT*>(lParam);
      font.ChangeDpi(window, HIWORD(wParam));
      SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      if (statusbar.hwnd) GetWindowRect(statusbar.hwnd, &statusbar.rect);
      RebuildPanes();
      return 0;
    }
    case WM_DESTROY:
      ReleaseParts();
      SetMainWindow(nullptr);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, msg, wParam, lParam);
  }
}

void SetMenuText(HMENU menu, UINT item, BOOL byPosition, const wchar_t* text) {
  MENUITEMINFOW mii = {};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_STRING;
  mii.dwTypeData = const_cast<wchar_t*>(text);
  SetMenuItemInfoW(menu, item, byPosition, &mii);
}

void LocaliseMenu(HWND window) {
  HMENU menu = GetMenu(window);
  if (!menu) return;
  SetMenuText(menu, 0, TRUE, lang.Text(S_MENU_FILE));
  SetMenuText(menu, 1, TRUE, lang.Text(S_MENU_SETTING));
  SetMenuText(menu, 2, TRUE, lang.Text(S_MENU_HELP));
  SetMenuText(menu, IDM_EXIT, FALSE, lang.Text(S_MENU_EXIT));
  SetMenuText(menu, IDM_LANG, FALSE, lang.Text(S_MENU_LANG));
  SetMenuText(menu, IDM_TYPE, FALSE, lang.Text(S_MENU_TYPE));
  SetMenuText(menu, IDM_SECTION, FALSE, lang.Text(S_MENU_SCTN));
  SetMenuText(menu, IDM_OPTION, FALSE, lang.Text(S_MENU_OPT));
  SetMenuText(menu, IDM_VERSION, FALSE, lang.Text(S_MENU_VERSION));
  if (OPT_DETAIL == 0) DeleteMenu(menu, IDM_TYPE, MF_BYCOMMAND);
  if (!intdlg.iMAVO) {
    DeleteMenu(menu, IDM_IPIER, MF_BYCOMMAND);
    DeleteMenu(menu, IDM_IMAVO, MF_BYCOMMAND);
  }
  DrawMenuBar(window);
}

int CreateFrame(HINSTANCE inst, int show) {
  if (!RegisterMainClass(inst)) return 0;
  return CreateMainWindow(inst, show);
}

bool TablesUnchanged(HWND frame) {
  // The grid drops its marks first, so the comparison sees the stored form.
  if (baseWindow) SendMessageW(baseWindow, WM_LAYOUT, 3, 0);
  else ClearMarks();
  return loitbl.IsSaved(frame) && ActiveGrpSet().IsSaved(frame);
}

int RunMessageLoop() {
  MSG msg;
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) continue;
    if (got == 0) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// ---------------------------------------------------------------- close

void ShowRestartNotice(HWND frame) {
  ShowMessageBox(frame, lang.Text(S_REBOOT2), lang.Text(S_CONFIRM), MB_OK | MB_ICONINFORMATION);
}

bool UserConfirmsClose(HWND frame) {
  return ShowMessageBox(frame, lang.Text(S_CLOSE_CONFIRM), lang.Text(S_TITLE4CLOSE_CONFIRM),
                        MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void SavePlacement(HWND frame) {
  if (IsIconic(frame)) return;  // keep the placement of an earlier close
  WINDOWPLACEMENT wp = {};
  static_assert(sizeof wp == kPlacementBytes, "stored placement is 44 bytes");
  wp.length = kPlacementBytes;
  if (!GetWindowPlacement(frame, &wp)) return;
  profile.WriteStruct(L"WINDOW", L"PLACEMENT", &wp, kPlacementBytes, nullptr, frame, HERE);
}

void WriteSwitches(HWND frame) {
  profile.WriteFormat(L"SETTING", L"COMLOG_MODE", nullptr, frame, HERE, 0, L"%d", COMLOG_MODE);
  profile.WriteFormat(L"SETTING", L"OPT_DETAIL", nullptr, frame, HERE, 0, L"%d", OPT_DETAIL);
  profile.WriteFormat(L"SETTING", L"LUCKY_1", nullptr, frame, HERE, 0, L"%d", LUCKY_1);
}

void ClosePartsOf(HWND frame) {
  mainWnd.ReleaseParts();
}

}  // namespace

DialogOpener SetDialogOpener(DialogKind kind, DialogOpener opener) {
  DialogOpener old = g_openers[kind];
  g_openers[kind] = opener;
  return old;
}

HWND PaneSlot(int slot) { return slot >= 0 && slot < kPaneSlots ? mainWnd.panes[slot] : nullptr; }

int RegisterMainClass(HINSTANCE inst) {
  UnregisterClassW(app.name, inst);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = SharedWndProc;
  wc.hInstance = inst;
  wc.hIcon = g_icon ? g_icon
                    : static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                    0, 0, LR_DEFAULTSIZE | LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(IDI_SMALL), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszMenuName = MAKEINTRESOURCEW(IDR_MENU);
  wc.lpszClassName = app.name;
  if (RegisterClassExW(&wc)) return 1;
  Report(nullptr, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":RegisterClassEx"));
  return 0;
}

int CreateMainWindow(HINSTANCE inst, int show) {
  int x = (GetSystemMetrics(SM_CXSCREEN) - kFrameWidth) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - kFrameHeight) / 2;
  SetLastError(0);
  HWND window = CreateWindowExW(0, app.name, app.title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y,
                                kFrameWidth, kFrameHeight, nullptr, nullptr, inst, &mainWnd);
  if (!window) return 0;  // the failing part has reported
  LocaliseMenu(window);
  // Lay the parts out while the window is still hidden: moving visible
  // children costs several times more.
  RECT client;
  GetClientRect(window, &client);
  SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  WINDOWPLACEMENT wp = {};
  if (profile.ReadStruct(L"WINDOW", L"PLACEMENT", &wp, kPlacementBytes, nullptr) &&
      wp.length == kPlacementBytes && SanePlacement(wp)) {
    SetWindowPlacement(window, &wp);
  } else {
    ShowWindow(window, show);
  }
  UpdateWindow(window);
  undo.Snapshot(window);  // the first state undo comes back to
  return 1;
}

int ProgramMain(HINSTANCE inst, int show, const wchar_t* settingsDir) {
  InstanceLock instance;
  LoadProgramNames(inst);                                  // 1
  if (!instance.Acquire()) return 0;                       // 2
  profile.SetDir(settingsDir);                             // 3
  if (!OpenErrorLog()) return 0;                           // 4
  profile.SetFile(app.name);                               // 5
  if (!LoadLanguage()) return 0;                           // 6
  intdlg.Load();                                           // 7
  inet.LoadTimeout();                                      // 8
  undo.Init();                                             // 9
  ip_tbl.LoadPaths();                                      // 10
  ReadSwitches();                                          // 11
  types.Defaults();                                        // 12
  hosts.Defaults();                                        // 13
  LUCKY_1 = profile.ReadInt(L"LUCKY_1", 0);                // 14
  ActiveGrpDlg().Defaults();                               // 15
  loitbl.Load();                                           // 16
  ActiveGrpSet().Read();                                   // 17
  ActiveGrpDlg().Read();
  hosts.Normalise();                                       // 18
  if (!LoadProgramIcon(inst)) return 0;                    // 19
  if (!CreateFrame(inst, show)) return 0;                  // 20
  return RunMessageLoop();                                 // 21, 22
}

LRESULT ShutDown(HWND frame, WPARAM wParam, LPARAM lParam) {
  if (wParam == CLOSE_RESTART) {
    ShowRestartNotice(frame);                              // 1
    // Unsaved edits are never dropped silently: ask only when a check warned.
    if (!TablesUnchanged(frame) && !UserConfirmsClose(frame)) return 0;
  } else {
    bool unchanged = TablesUnchanged(frame);               // 2, 3: each warns by itself
    (void)unchanged;
    if (!UserConfirmsClose(frame)) return 0;               // 4
  }
  loitbl.CopyOut(frame);                                   // 5
  SavePlacement(frame);                                    // 6
  WriteSwitches(frame);                                    // 7
  ClosePartsOf(frame);                                     // 8
  return DefWindowProcW(frame, WM_CLOSE, wParam, lParam);  // 9
}

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
  return ProgramMain(inst, show, kSettingsDirectory);
}
