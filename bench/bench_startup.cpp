// Start-up to the first painted main window, and one rebuild of the panes,
// each against a raw Win32 probe that creates the same windows in the same
// run. Prints BENCH lines; the ratios are what the bars are set on.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"
#include "std/std.h"
#include "std/std_elog.h"
#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_grpdlgL.h"
#include "std2/std2_locale.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "std2/std2_undo.h"

namespace {

int Quiet(HWND, const wchar_t* text, const wchar_t*, UINT) {
  fwprintf(stderr, L"box: %ls\n", text);
  return IDYES;
}

double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// ---------------------------------------------------------------- probe

LRESULT CALLBACK ProbeProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

HWND ProbeChild(HWND parent, const wchar_t* cls, DWORD style = WS_CHILD | WS_VISIBLE) {
  return CreateWindowExW(WS_EX_TOOLWINDOW, cls, L"", style, 0, 0, 100, 100, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

// The panes: split window, two side panes, the layout pane and its grid.
HWND ProbePanes(HWND main) {
  HWND split = ProbeChild(main, L"ProbePane", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
  ProbeChild(split, L"ProbePane");
  ShowWindow(ProbeChild(split, L"ProbePane"), SW_HIDE);
  HWND area = ProbeChild(split, L"ProbePane", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL);
  ProbeChild(area, L"ProbePane");
  ShowWindow(ProbeChild(main, L"ProbePane"), SW_HIDE);  // the log slot
  MoveWindow(split, 0, 40, 1000, 640, TRUE);
  return split;
}

HWND ProbeMain() {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  HWND main = CreateWindowExW(0, L"ProbeMain", L"probe", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 128,
                              128, 1024, 768, nullptr, LoadMenuW(inst, MAKEINTRESOURCEW(IDR_MENU)),
                              inst, nullptr);
  CreateStatusWindowW(WS_CHILD | WS_VISIBLE, L"", main, 81);
  HWND rebar = ProbeChild(main, REBARCLASSNAMEW,
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_BANDBORDERS);
  TBBUTTON tb[5] = {};
  for (int i = 0; i < 5; ++i) {
    tb[i].iBitmap = i;
    tb[i].idCommand = 100 + i;
    tb[i].fsState = TBSTATE_ENABLED;
  }
  HWND bar = CreateToolbarEx(rebar, WS_CHILD | WS_VISIBLE | CCS_NORESIZE | TBSTYLE_FLAT, IDB_TOOLBAR5,
                             5, inst, IDB_TOOLBAR5, tb, 5, 0, 0, 32, 32, sizeof(TBBUTTON));
  HWND clock = ProbeChild(rebar, L"STATIC");
  for (HWND child : {bar, clock}) {
    REBARBANDINFOW band = {};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    band.hwndChild = child;
    band.cyMinChild = 38;
    band.cx = 200;
    SendMessageW(rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
  }
  ProbePanes(main);
  ShowWindow(main, SW_SHOWNORMAL);
  UpdateWindow(main);
  return main;
}

void RegisterProbe() {
  for (const wchar_t* name : {L"ProbeMain", L"ProbePane"}) {
    WNDCLASSEXW wc = {sizeof wc};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    // The same class icons as the program's main window: Wine hands them to
    // the X server when the window is first shown.
    if (wcscmp(name, L"ProbeMain") == 0) {
      wc.hIcon = static_cast<HICON>(LoadImageW(wc.hInstance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                               0, 0, LR_DEFAULTSIZE | LR_SHARED));
      wc.hIconSm = static_cast<HICON>(LoadImageW(wc.hInstance, MAKEINTRESOURCEW(IDI_SMALL), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    }
    RegisterClassExW(&wc);
  }
}

// ---------------------------------------------------------------- program

void PrepareTables(const wchar_t* dir) {
  profile.SetDir(dir);
  profile.SetFile(app.name);
  elog.Open();
  lang.Load([] { return 15; }, CLocale::CodePage);
  types.Defaults();
  hosts.Defaults();
  undo.Init();
  ActiveGrpDlg().Defaults();
  loitbl.Load();
}

void CopyLanguageFiles(const wchar_t* dir) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring build = self;
  build = build.substr(0, build.find_last_of(L"\\/"));
  build = build.substr(0, build.find_last_of(L"\\/"));
  for (const wchar_t* f : {L"strings_eng.txt"}) {
    std::wstring from = build + L"\\lang\\" + f, to = std::wstring(dir) + L"\\" + f;
    CopyFileW(from.c_str(), to.c_str(), FALSE);
  }
}

}  // namespace

int main() {
  SetMessageBoxFn(Quiet);
  HINSTANCE inst = GetModuleHandleW(nullptr);
  LoadProgramNames(inst);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  wchar_t temp[MAX_PATH], dir[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  Format(dir, MAX_PATH, L"%smp_bench_ui_%lu", temp, GetCurrentProcessId());
  CreateDirectoryW(dir, nullptr);
  CopyLanguageFiles(dir);
  PrepareTables(dir);
  RegisterProbe();

  constexpr int kRuns = 5;
  std::vector<double> program, probe, rebuild, probeRebuild;
  for (int run = 0; run <= kRuns; ++run) {
    double t0 = Now();
    RegisterMainClass(inst);
    CreateMainWindow(inst, SW_SHOWNORMAL);
    double t1 = Now();
    HWND main = MainWindow();
    Pump();
    double r0 = Now();
    SendMessageW(main, WM_REBUILDPANES, 0, 0);
    UpdateWindow(main);
    double r1 = Now();
    DestroyWindow(main);
    Pump();

    double p0 = Now();
    HWND probeMain = ProbeMain();
    double p1 = Now();
    Pump();
    double q0 = Now();
    HWND split = FindWindowExW(probeMain, nullptr, L"ProbePane", nullptr);
    DestroyWindow(split);
    DestroyWindow(FindWindowExW(probeMain, nullptr, L"ProbePane", nullptr));
    ProbePanes(probeMain);
    InvalidateRect(probeMain, nullptr, TRUE);
    UpdateWindow(probeMain);
    double q1 = Now();
    DestroyWindow(probeMain);
    Pump();
    if (run == 0) continue;  // warm-up
    program.push_back(t1 - t0);
    probe.push_back(p1 - p0);
    rebuild.push_back(r1 - r0);
    probeRebuild.push_back(q1 - q0);
  }
  double s = Median(program), p = Median(probe), r = Median(rebuild), q = Median(probeRebuild);
  printf("BENCH startup_ms %.1f ms\n", s);
  printf("BENCH startup_probe_ms %.1f ms\n", p);
  printf("BENCH startup_ratio %.2f x\n", p > 0 ? s / p : 0.0);
  printf("BENCH rebuild_panes_ms %.1f ms\n", r);
  printf("BENCH rebuild_panes_probe_ms %.1f ms\n", q);
  printf("BENCH rebuild_panes_ratio %.2f x\n", q > 0 ? r / q : 0.0);
  printf("  (median of %d runs after a warm-up; the grid is still a stand-in on both sides)\n", kRuns);
  elog.Close();
  file.ShellOp(nullptr, FO_DELETE, dir, nullptr, 0, HERE, kSilent);
  return 0;
}
