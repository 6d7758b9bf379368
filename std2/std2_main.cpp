#include "std2/std2_main.h"

#include "res/resource.h"
#include "std/std_elog.h"
#include "std/std_inetdlg.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_grpdlgL.h"
#include "std2/std2_grpsetL.h"
#include "std2/std2_layout.h"
#include "std2/std2_locale.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "std2/std2_undo.h"

int COMLOG_MODE = 0;
int OPT_DETAIL = 0;
int LUCKY_1 = 0;

const wchar_t* const kSettingsDirectory = L"C:\\Apache2\\htdocs\\millplan";

namespace {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
constexpr UINT kPlacementBytes = 44;

HWND g_frame = nullptr;
HICON g_icon = nullptr;

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

void LoadProgramNames(HINSTANCE inst) {
  app.inst = inst;
  app.name[0] = app.title[0] = L'\0';
  LoadStringW(inst, IDS_PROGRAM_NAME, app.name, kTextMax + 1);
  LoadStringW(inst, IDS_TITLE, app.title, kTextMax + 1);
}

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

// ---------------------------------------------------------------- frame

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    switch (msg) {
      case WM_CLOSE:
        return ShutDown(hwnd, wParam, lParam);
      case WM_DESTROY:
        g_frame = nullptr;
        PostQuitMessage(0);
        return 0;
      default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
  } catch (...) {
    Report(hwnd, 0, L"%s:%d\r\nunexpected failure in the main window", HERE);
    return 0;
  }
}

int CreateFrame(HINSTANCE inst, int show) {
  UnregisterClassW(app.name, inst);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = inst;
  wc.hIcon = g_icon;
  wc.hIconSm = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(IDI_SMALL), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = app.name;
  if (!RegisterClassExW(&wc)) {
    Report(nullptr, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":RegisterClassEx"));
    return 0;
  }
  int x = (GetSystemMetrics(SM_CXSCREEN) - kFrameWidth) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - kFrameHeight) / 2;
  SetLastError(0);  // the report must not show an older error
  g_frame = CreateWindowExW(0, app.name, app.title, WS_OVERLAPPEDWINDOW, x, y, kFrameWidth,
                            kFrameHeight, nullptr, nullptr, inst, nullptr);
  if (!g_frame) {
    Report(nullptr, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":CreateWindowEx(main)"));
    return 0;
  }
  loitbl.Ensure(g_frame);
  ActiveGrpSet().Ensure(g_frame);
  ActiveGrpDlg().Ensure(g_frame);
  ShowWindow(g_frame, show);
  UpdateWindow(g_frame);
  undo.Snapshot(g_frame);  // the first state undo comes back to
  return 1;
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

}  // namespace

HWND MainWindow() { return g_frame; }

int ProgramMain(HINSTANCE inst, int show, const wchar_t* settingsDir) {
  InstanceLock instance;
  LoadProgramNames(inst);                                  // 1
  if (!instance.Acquire()) return 0;                       // 2
  profile.SetDir(settingsDir);                             // 3
  if (!OpenErrorLog()) return 0;                           // 4
  profile.SetFile(app.name);                               // 5
  if (!LoadLanguage()) return 0;                           // 6
  intdlg.Load();                                           // 7
  undo.Init();                                             // 9
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
    ShowRestartNotice(frame);                              // 1: no checks, no question
  } else {
    ClearMarks();                                          // 2
    if (loitbl.IsSaved(frame)) ActiveGrpSet().IsSaved(frame);  // 3: each warns by itself
    if (!UserConfirmsClose(frame)) return 0;               // 4
  }
  loitbl.CopyOut(frame);                                   // 5
  SavePlacement(frame);                                    // 6
  WriteSwitches(frame);                                    // 7
  return DefWindowProcW(frame, WM_CLOSE, wParam, lParam);  // 9
}

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
  return ProgramMain(inst, show, kSettingsDirectory);
}
