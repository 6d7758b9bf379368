// Window foundation: the shared window procedure, child-window classes, the
// dialog protocol with its stored placement, edit-field filters and
// navigation, the bottom-button layout, delayed main-window actions, the
// About box and the control factories.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_dlg.h"
#include "tests/support.h"

namespace {

HINSTANCE Inst() { return GetModuleHandleW(nullptr); }

std::wstring TextOf(HWND hwnd) {
  wchar_t buf[512] = L"";
  GetWindowTextW(hwnd, buf, 512);
  return buf;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buf[300] = L"";
  GetClassNameW(hwnd, buf, 300);
  return buf;
}

bool ClassRegistered(const std::wstring& name) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  return GetClassInfoExW(Inst(), name.c_str(), &wc) != 0;
}

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

// What plain test windows were sent: closes and private messages.
struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen>& HostLog() {
  static std::vector<Seen> log;
  return log;
}
int CountSeen(HWND hwnd, UINT msg) {
  int n = 0;
  for (const Seen& s : HostLog()) n += s.hwnd == hwnd && s.msg == msg;
  return n;
}

// A main window that never closes on WM_CLOSE, so a test can count them.
LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE || (msg >= WM_USER && msg < 0xC000)) {
    HostLog().push_back({hwnd, msg, wParam, lParam});
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeHost(int x, int y, int w, int h, bool visible) {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HostProc;
    wc.hInstance = Inst();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"WndTestHost";
    return RegisterClassExW(&wc) != 0;
  }();
  if (!registered) return nullptr;
  return CreateWindowExW(0, L"WndTestHost", L"host", WS_POPUP | WS_CAPTION | (visible ? WS_VISIBLE : 0),
                         x, y, w, h, nullptr, nullptr, Inst(), nullptr);
}

// Records every message of the thread's windows before their procedure runs.
class CallHook {
 public:
  explicit CallHook(std::function<void(const CWPSTRUCT&)> fn) {
    Fn() = std::move(fn);
    hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Proc, nullptr, GetCurrentThreadId());
  }
  ~CallHook() {
    if (hook_) UnhookWindowsHookEx(hook_);
    Fn() = nullptr;
  }
  bool ok() const { return hook_ != nullptr; }

 private:
  static std::function<void(const CWPSTRUCT&)>& Fn() {
    static std::function<void(const CWPSTRUCT&)> fn;
    return fn;
  }
  static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && Fn()) Fn()(*reinterpret_cast<CWPSTRUCT*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook_ = nullptr;
};

void LoadNamesOnce() {
  static const bool loaded = [] {
    LoadProgramNames(Inst());
    // As the program does at start, before any control is made.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);
    return true;
  }();
  (void)loaded;
}

// Scratch settings, recorded boxes and windows destroyed at the end.
class WndTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    LoadNamesOnce();
    HostLog().clear();
    SetMainWindow(nullptr);
  }
  void TearDown() override {
    SetMainWindow(nullptr);
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
      if (IsWindow(*it)) DestroyWindow(*it);
    PumpUntil([] { return false; }, 0);
    SettingsFixture::TearDown();
  }
  HWND Keep(HWND hwnd) {
    windows_.push_back(hwnd);
    return hwnd;
  }
  HWND Host(int x = 100, int y = 80, int w = 601, int h = 401, bool visible = false) {
    return Keep(MakeHost(x, y, w, h, visible));
  }
  // A handle that named a window once: creations under it fail.
  static HWND DeadWindow() {
    HWND gone = MakeHost(0, 0, 10, 10, false);
    DestroyWindow(gone);
    return gone;
  }

 private:
  std::vector<HWND> windows_;
};

// ------------------------------------------------------- shared procedure

constexpr UINT kThrowMsg = WM_APP + 1;
constexpr UINT kEchoMsg = WM_APP + 2;

// A window object that records what reaches it.
class Probe : public CWndBase {
 public:
  LRESULT WndProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(msg);
    if (msg == WM_NCCREATE) boundAtNcCreate = ObjectOf(h) == this && hwnd == h;
    if (msg == kThrowMsg) throw std::runtime_error("probe failure");
    if (msg == kEchoMsg) return static_cast<LRESULT>(wParam) + 1;
    return CWndBase::WndProc(h, msg, wParam, lParam);
  }
  bool Saw(UINT msg) const {
    for (UINT m : seen)
      if (m == msg) return true;
    return false;
  }
  std::vector<UINT> seen;
  bool boundAtNcCreate = false;
};

class SharedProcTest : public WndTest {
 protected:
  void SetUp() override {
    WndTest::SetUp();
    WNDCLASSEXW wc;
    ASSERT_EQ(1, RegisterWndClass(nullptr, Inst(), &wc, SharedWndProc, kClass, WHITE_BRUSH, HERE, 0));
  }
  HWND Make(CWndBase* object, const wchar_t* title = L"") {
    // An overlapped window is asked for its size limits before WM_NCCREATE.
    return Keep(CreateWindowExW(0, kClass, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 150, nullptr,
                                nullptr, Inst(), object));
  }
  static constexpr const wchar_t* kClass = L"MILLPLAN_WndTestShared";
};

TEST_F(SharedProcTest, MessagesBeforeCreationGetDefaultProcessing) {
  std::vector<UINT> toWindow;
  Probe probe;
  HWND hwnd = nullptr;
  {
    CallHook hook([&](const CWPSTRUCT& m) {
      if (ClassOf(m.hwnd) == kClass) toWindow.push_back(m.message);
    });
    ASSERT_TRUE(hook.ok());
    hwnd = Make(&probe);
  }
  ASSERT_NE(nullptr, hwnd);
  ASSERT_FALSE(toWindow.empty());
  ASSERT_EQ(static_cast<UINT>(WM_GETMINMAXINFO), toWindow.front())
      << "the platform asks for the size limits first";
  ASSERT_FALSE(probe.seen.empty());
  EXPECT_EQ(static_cast<UINT>(WM_NCCREATE), probe.seen.front());
  EXPECT_TRUE(probe.boundAtNcCreate);
  EXPECT_TRUE(probe.Saw(WM_CREATE));
  EXPECT_EQ(&probe, ObjectOf(hwnd));
  EXPECT_EQ(hwnd, probe.hwnd);
  EXPECT_EQ(nullptr, probe.prevProc);
  EXPECT_FALSE(probe.isDialog);
}

TEST_F(SharedProcTest, WindowWithoutObjectBehavesAsAPlainWindow) {
  HWND hwnd = Make(nullptr, L"no object");
  ASSERT_NE(nullptr, hwnd);
  EXPECT_EQ(nullptr, ObjectOf(hwnd));
  EXPECT_EQ(L"no object", TextOf(hwnd));
  SetWindowTextW(hwnd, L"renamed");
  EXPECT_EQ(L"renamed", TextOf(hwnd));
}

TEST_F(SharedProcTest, FailingWindowProcedureIsAnsweredAndTheWindowKeepsWorking) {
  Probe probe;
  HWND hwnd = Make(&probe);
  ASSERT_NE(nullptr, hwnd);
  EXPECT_EQ(0, SendMessageW(hwnd, kThrowMsg, 5, 0));
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(&probe, ObjectOf(hwnd));
  EXPECT_EQ(42, SendMessageW(hwnd, kEchoMsg, 41, 0));
  SetWindowTextW(hwnd, L"still here");
  EXPECT_EQ(L"still here", TextOf(hwnd));
}

TEST_F(SharedProcTest, TakingOverAnExistingWindowAndGivingItBack) {
  HWND parent = Host();
  for (const wchar_t* cls : {L"STATIC", L"EDIT"}) {
    SCOPED_TRACE(cls);
    HWND ctrl = CreateWindowExW(0, cls, L"old", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, parent, nullptr,
                                Inst(), nullptr);
    ASSERT_NE(nullptr, ctrl);
    LONG_PTR original = GetWindowLongPtrW(ctrl, GWLP_WNDPROC);
    Probe probe;
    probe.Attach(ctrl);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(SharedWndProc), GetWindowLongPtrW(ctrl, GWLP_WNDPROC));
    EXPECT_EQ(original, reinterpret_cast<LONG_PTR>(probe.prevProc));
    EXPECT_EQ(&probe, ObjectOf(ctrl));
    EXPECT_EQ(ctrl, probe.hwnd);
    // The object sees the message and the control still does its own work.
    SetWindowTextW(ctrl, L"new");
    EXPECT_TRUE(probe.Saw(WM_SETTEXT));
    EXPECT_EQ(L"new", TextOf(ctrl));

    bool ncDestroySeen = false;
    LONG_PTR procAfterDestroy = 0;
    HANDLE propAfterDestroy = reinterpret_cast<HANDLE>(1);
    {
      CallHook hook([&](const CWPSTRUCT& m) {
        if (m.hwnd == ctrl && m.message == WM_NCDESTROY) {
          ncDestroySeen = true;
          procAfterDestroy = GetWindowLongPtrW(ctrl, GWLP_WNDPROC);
          propAfterDestroy = GetPropW(ctrl, ObjectPropName());
        }
      });
      ASSERT_TRUE(hook.ok());
      DestroyWindow(ctrl);
    }
    ASSERT_TRUE(probe.Saw(WM_DESTROY));
    ASSERT_TRUE(ncDestroySeen);
    EXPECT_EQ(original, procAfterDestroy);
    EXPECT_EQ(nullptr, propAfterDestroy);
    EXPECT_FALSE(probe.Saw(WM_NCDESTROY));
    EXPECT_EQ(nullptr, probe.prevProc);
  }
}

TEST_F(SharedProcTest, DialogBoxIsTakenFromInitDialogAndLeftToTheDialogManager) {
  // An in-memory template: no controls, no menu, default class, no title.
  alignas(4) WORD tmpl[16] = {};
  auto* t = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  t->style = WS_POPUP | WS_CAPTION;
  t->cx = 100;
  t->cy = 60;
  Probe probe;
  HWND dlg = Keep(CreateDialogIndirectParamW(Inst(), t, nullptr,
                                             reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(SharedWndProc)),
                                             reinterpret_cast<LPARAM>(&probe)));
  ASSERT_NE(nullptr, dlg);
  ASSERT_FALSE(probe.seen.empty());
  EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), probe.seen.front());
  EXPECT_EQ(&probe, ObjectOf(dlg));
  EXPECT_TRUE(probe.isDialog);
  EXPECT_EQ(nullptr, probe.prevProc);
  // Unhandled means 0 to the dialog manager, which turns a close into
  // IDCANCEL rather than destroying the window.
  SendMessageW(dlg, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(dlg));
}

// ------------------------------------------------------- child windows

TEST_F(WndTest, ChildWindowsGetClassesAndIdentifiersOfTheirOwn) {
  HWND parent = Host();
  CWndBase first, second;
  WNDCLASSEXW wc1, wc2;
  HWND h1 = nullptr, h2 = nullptr;
  const int before = ChildCounter();
  ASSERT_EQ(1, CchildCreateWindowEx(parent, Inst(), &wc1, L"WndKid", WHITE_BRUSH, 50, &first, &h1, HERE));
  ASSERT_EQ(1, CchildCreateWindowEx(parent, Inst(), &wc2, L"WndKid", WHITE_BRUSH, 70, &second, &h2, HERE));
  EXPECT_EQ(before + 2, ChildCounter());
  const struct {
    HWND hwnd;
    CWndBase* object;
    int counter;
    int width;
  } rows[] = {{h1, &first, before, 50}, {h2, &second, before + 1, 70}};
  std::vector<std::wstring> names;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.counter);
    std::wstring name = L"MILLPLAN_WndKid" + std::to_wstring(row.counter);
    names.push_back(name);
    EXPECT_EQ(name, ClassOf(row.hwnd));
    EXPECT_TRUE(ClassRegistered(name));
    EXPECT_EQ(row.counter + 1, GetDlgCtrlID(row.hwnd));
    EXPECT_EQ(row.object, ObjectOf(row.hwnd));
    EXPECT_EQ(parent, GetParent(row.hwnd));
    RECT r{};
    GetWindowRect(row.hwnd, &r);
    EXPECT_EQ(row.width, r.right - r.left);
    EXPECT_EQ(WS_CHILD | WS_VISIBLE, GetWindowLongPtrW(row.hwnd, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_POPUP));
    EXPECT_TRUE(GetWindowLongPtrW(row.hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  }
  DestroyWindow(h1);
  DestroyWindow(h2);
  ReleaseDeadClasses();
  for (const std::wstring& name : names) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ClassRegistered(name));
  }
}

TEST_F(WndTest, RegisteringANameAgainReplacesTheClass) {
  const wchar_t* name = L"MILLPLAN_WndTestAgain";
  WNDCLASSEXW wc;
  ASSERT_EQ(1, RegisterWndClass(nullptr, Inst(), &wc, DefWindowProcW, name, WHITE_BRUSH, HERE, 0));
  ASSERT_EQ(1, RegisterWndClass(nullptr, Inst(), &wc, SharedWndProc, name, GRAY_BRUSH, HERE, 0));
  WNDCLASSEXW now{};
  now.cbSize = sizeof now;
  ASSERT_TRUE(GetClassInfoExW(Inst(), name, &now));
  EXPECT_EQ(reinterpret_cast<void*>(SharedWndProc), reinterpret_cast<void*>(now.lpfnWndProc));
  EXPECT_EQ(GetStockObject(GRAY_BRUSH), now.hbrBackground);
  EXPECT_EQ(static_cast<UINT>(CS_DBLCLKS), now.style);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  UnregisterClassW(name, Inst());
}

// ------------------------------------------------------- dialogs

// A dialog whose controls give it a chosen size.
class SizedDlg : public CDlg {
 public:
  LRESULT WndProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_CREATE: {
        inst = reinterpret_cast<CREATESTRUCTW*>(lParam)->hInstance;
        RECT label = {10, 10, 110, 30};
        CreateStatic(h, inst, 1, &label, nullptr, L"Loom", nullptr, HERE);
        SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (failBuild) {
          ShowMessageBox(h, kBuildFailure, L"", MB_OK);
          SendMessageW(h, WM_CLOSE, 0, 0);
        }
        return 0;
      }
      case WM_CLOSE:
        if (Close()) DestroyWindow(h);
        return 0;
    }
    return CWndBase::WndProc(h, msg, wParam, lParam);
  }
  int WmClose(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) override {
    return refuse ? CDlg::WmClose(h, msg, wParam, lParam) : 1;
  }
  static constexpr const wchar_t* kBuildFailure = L"the looms list cannot be built";
  int width = 241, height = 161;
  bool failBuild = false;  // says so and closes itself while building
  bool refuse = false;  // keep the base class's answer
};

class DlgTest : public WndTest {
 protected:
  void SetUp() override {
    WndTest::SetUp();
    main_ = Host(100, 80, 601, 401, true);
    ASSERT_NE(nullptr, main_);
    SetMainWindow(main_);
  }
  HWND Open(SizedDlg& dlg, HWND owner = nullptr) {
    HWND out = nullptr;
    if (dlg.Create(owner ? owner : main_, Inst(), L"Looms", &out, HERE) != 1) return nullptr;
    return Keep(out);
  }
  std::wstring Ini() const { return dir.File(L"dlg.ini"); }
  bool Stored(WINDOWPLACEMENT* wp) const {
    return GetPrivateProfileStructW(L"WINDOW", L"MILLPLAN_CDlg", wp, sizeof *wp, Ini().c_str()) != 0;
  }
  void Store(const RECT& normal) const {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    wp.showCmd = SW_SHOWNORMAL;
    wp.rcNormalPosition = normal;
    ASSERT_TRUE(WritePrivateProfileStructW(L"WINDOW", L"MILLPLAN_CDlg", &wp, sizeof wp, Ini().c_str()));
  }
  static RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
  }
  HWND main_ = nullptr;
};

void ExpectRect(const RECT& want, const RECT& got) {
  EXPECT_EQ(want.left, got.left);
  EXPECT_EQ(want.top, got.top);
  EXPECT_EQ(want.right, got.right);
  EXPECT_EQ(want.bottom, got.bottom);
}

TEST_F(DlgTest, FirstOpeningIsCentredOnTheMainWindowWhichStaysDisabledUntilClose) {
  HWND owner = Host(700, 600, 100, 100, true);  // not the main window
  SizedDlg dlg;
  HWND h = Open(dlg, owner);
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(h, dlg.hwnd);
  EXPECT_EQ(L"MILLPLAN_CDlg", ClassOf(h));
  EXPECT_EQ(owner, GetWindow(h, GW_OWNER));
  EXPECT_TRUE(IsWindowVisible(h));
  RECT r = WindowRect(h), m = WindowRect(main_);
  EXPECT_EQ(241, r.right - r.left);
  EXPECT_EQ(161, r.bottom - r.top);
  EXPECT_NEAR((m.left + m.right) / 2.0, (r.left + r.right) / 2.0, 1.0);
  EXPECT_NEAR((m.top + m.bottom) / 2.0, (r.top + r.bottom) / 2.0, 1.0);
  EXPECT_FALSE(IsWindowEnabled(main_));
  EXPECT_TRUE(IsWindowEnabled(owner));

  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(DlgTest, ReopensWhereItWasClosedWithTheSizeItsControlsGive) {
  SizedDlg dlg;
  HWND h = Open(dlg);
  ASSERT_NE(nullptr, h);
  MoveWindow(h, 210, 170, 400, 300, TRUE);  // the user drags and stretches it
  SendMessageW(h, WM_CLOSE, 0, 0);
  ASSERT_FALSE(IsWindow(h));

  WINDOWPLACEMENT wp{};
  ASSERT_TRUE(Stored(&wp));
  EXPECT_EQ(44u, wp.length);
  EXPECT_EQ(static_cast<UINT>(SW_SHOWNORMAL), wp.showCmd);
  ExpectRect(RECT{210, 170, 610, 470}, wp.rcNormalPosition);

  dlg.width = 301;
  dlg.height = 201;
  h = Open(dlg);
  ASSERT_NE(nullptr, h);
  ExpectRect(RECT{210, 170, 511, 371}, WindowRect(h));
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_FALSE(IsIconic(h));
  EXPECT_FALSE(IsWindowEnabled(main_));
  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(DlgTest, ClosedWhileMinimisedKeepsTheEarlierPosition) {
  Store(RECT{150, 120, 391, 281});
  SizedDlg dlg;
  HWND h = Open(dlg);
  ASSERT_NE(nullptr, h);
  ExpectRect(RECT{150, 120, 391, 281}, WindowRect(h));
  MoveWindow(h, 300, 250, 241, 161, TRUE);
  ShowWindow(h, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(h));
  SendMessageW(h, WM_CLOSE, 0, 0);
  ASSERT_FALSE(IsWindow(h));
  EXPECT_TRUE(IsWindowEnabled(main_));

  WINDOWPLACEMENT wp{};
  ASSERT_TRUE(Stored(&wp));
  ExpectRect(RECT{150, 120, 391, 281}, wp.rcNormalPosition);
  h = Open(dlg);
  ASSERT_NE(nullptr, h);
  ExpectRect(RECT{150, 120, 391, 281}, WindowRect(h));
  EXPECT_FALSE(IsIconic(h));
  SendMessageW(h, WM_CLOSE, 0, 0);
}

TEST_F(DlgTest, BaseCloseAnswerRefusesAndSaysSo) {
  SizedDlg dlg;
  dlg.refuse = true;
  HWND h = Open(dlg);
  ASSERT_NE(nullptr, h);
  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(h));
  EXPECT_FALSE(IsWindowEnabled(main_));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const RecordedBox& box = BoxRecorder::Boxes()[0];
  EXPECT_EQ(L"CDlg::WmClose::Maybe, You have to OverWrite This Function!", box.text);
  EXPECT_EQ(L"CONFIRM", box.caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), box.style & MB_ICONMASK);

  dlg.refuse = false;
  SendMessageW(h, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(IsWindowEnabled(main_));
}

TEST_F(DlgTest, DialogThatClosesWhileBuildingKeepsTheStoredPlacement) {
  Store(RECT{150, 120, 391, 281});
  const std::string before = ReadBytes(Ini());
  SizedDlg dlg;
  dlg.failBuild = true;
  HWND out = reinterpret_cast<HWND>(1);
  EXPECT_EQ(0, dlg.Create(main_, Inst(), L"Looms", &out, HERE));
  EXPECT_EQ(nullptr, dlg.hwnd);
  EXPECT_EQ(before, ReadBytes(Ini()));
  EXPECT_TRUE(IsWindowEnabled(main_));
}

TEST_F(DlgTest, DialogThatClosesWhileBuildingIsReportedOnlyByItself) {
  SizedDlg dlg;
  dlg.failBuild = true;
  HWND out = nullptr;
  EXPECT_EQ(0, dlg.Create(main_, Inst(), L"Looms", &out, HERE));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(std::wstring(SizedDlg::kBuildFailure), BoxRecorder::Boxes()[0].text);
}

TEST_F(DlgTest, DialogThatCannotBeCreatedLeavesTheMainWindowEnabled) {
  SizedDlg dlg;
  HWND out = reinterpret_cast<HWND>(1);
  EXPECT_EQ(0, dlg.Create(DeadWindow(), Inst(), L"Looms", &out, HERE));
  EXPECT_TRUE(IsWindowEnabled(main_));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_TRUE(Contains(BoxRecorder::Boxes()[0].text, L":CreateWindowEx(DchildCreateWindowEx)"))
      << BoxRecorder::Boxes()[0].text;
}

// ------------------------------------------------------- placement checks

TEST(SanePlacement, ShowCommandsOfHiddenAndMinimisedWindowsBecomeNormal) {
  const struct {
    const char* name;
    UINT show, want;
  } rows[] = {
      {"hidden", SW_HIDE, SW_SHOWNORMAL},
      {"minimise", SW_MINIMIZE, SW_SHOWNORMAL},
      {"shown minimised", SW_SHOWMINIMIZED, SW_SHOWNORMAL},
      {"minimised without activation", SW_SHOWMINNOACTIVE, SW_SHOWNORMAL},
      {"forced minimise", SW_FORCEMINIMIZE, SW_SHOWNORMAL},
      {"normal", SW_SHOWNORMAL, SW_SHOWNORMAL},
      {"maximised", SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    wp.showCmd = row.show;
    wp.rcNormalPosition = RECT{100, 100, 300, 250};
    EXPECT_TRUE(SanePlacement(wp));
    EXPECT_EQ(row.want, wp.showCmd);
    ExpectRect(RECT{100, 100, 300, 250}, wp.rcNormalPosition);
  }
}

TEST(SanePlacement, RectangleOnNoMonitorIsRefused) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  wp.showCmd = SW_SHOWNORMAL;
  wp.rcNormalPosition = RECT{-30000, -30000, -29800, -29850};
  EXPECT_FALSE(SanePlacement(wp));
}

TEST(SanePlacement, WindowLargerThanTheWorkAreaStartsInsideIt) {
  MONITORINFO mi = {sizeof mi};
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi));
  const RECT& work = mi.rcWork;
  const int w = work.right - work.left + 300, h = work.bottom - work.top + 200;
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  wp.showCmd = SW_SHOWNORMAL;
  wp.rcNormalPosition = RECT{work.left + 40, work.top + 30, work.left + 40 + w, work.top + 30 + h};
  EXPECT_TRUE(SanePlacement(wp));
  EXPECT_EQ(work.left, wp.rcNormalPosition.left);
  EXPECT_EQ(work.top, wp.rcNormalPosition.top);
  EXPECT_EQ(w, wp.rcNormalPosition.right - wp.rcNormalPosition.left);
  EXPECT_EQ(h, wp.rcNormalPosition.bottom - wp.rcNormalPosition.top);
}

// ------------------------------------------------------- edit fields

struct Filter {
  const char* name;
  WNDPROC proc;
};
const Filter kFilters[] = {
    {"text", EditProcText},   {"address", EditProcIp},      {"letters and digits", EditProcAlnum},
    {"name", EditProcName},   {"no quote", EditProcNoQuote},
};

// What gets past a filter to the edit control underneath it.
std::vector<Seen>& BelowLog() {
  static std::vector<Seen> log;
  return log;
}
const wchar_t* const kBelowProp = L"WndTestBelow";

LRESULT CALLBACK BelowFilter(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC edit = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kBelowProp));
  if (msg == WM_CHAR || msg == WM_IME_CHAR || msg == WM_KEYDOWN) BelowLog().push_back({hwnd, msg, wParam, lParam});
  if (msg == WM_NCDESTROY) {
    RemovePropW(hwnd, kBelowProp);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(edit));
  }
  return CallWindowProcW(edit, hwnd, msg, wParam, lParam);
}

bool ReachedEdit(HWND hwnd, UINT msg, WPARAM wParam) {
  for (const Seen& s : BelowLog())
    if (s.hwnd == hwnd && s.msg == msg && s.wParam == wParam) return true;
  return false;
}

// Runs the posted messages an edit may leave behind, then forgets them.
void Drain() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  BelowLog().clear();
}

class EditTest : public WndTest {
 protected:
  void SetUp() override {
    WndTest::SetUp();
    BelowLog().clear();
  }
  // An edit field with a recorder under the given filter.
  HWND MakeEdit(HWND parent, int y, const wchar_t* text, EditLink* link, WNDPROC filter) {
    HWND edit = CreateWindowExW(0, L"EDIT", text, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, y,
                                200, 24, parent, nullptr, Inst(), nullptr);
    if (!edit) return nullptr;
    SetPropW(edit, kBelowProp, reinterpret_cast<HANDLE>(GetWindowLongPtrW(edit, GWLP_WNDPROC)));
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BelowFilter));
    LinkEdit(edit, link, filter);
    return edit;
  }
};

std::wstring Visible(wchar_t c) {
  if (c < 32) return L"code " + std::to_wstring(static_cast<int>(c));
  return std::wstring(1, c) + L" (" + std::to_wstring(static_cast<int>(c)) + L")";
}

TEST_F(EditTest, FiltersLetThroughOnlyTheirCharacters) {
  // Boundaries of each range, the separators the filters care about, a
  // letter outside ASCII and one outside Latin.
  const std::wstring probes = L"\b\t\r./09:@AZ[`az{-_\", '\x00E9\x4E2D";
  const struct {
    const Filter& filter;
    std::wstring kept;
  } rows[] = {
      {kFilters[0], L"\b./09:@AZ[`az{-_\", '\x00E9\x4E2D"},
      {kFilters[1], L"\b.09"},
      {kFilters[2], L"\b09AZaz"},
      {kFilters[3], L"\b09AZaz-_"},
      {kFilters[4], L"\b./09:@AZ[`az{-_ '\x00E9\x4E2D"},
  };
  HWND parent = Host();
  for (const auto& row : rows) {
    EditLink link{};
    HWND edit = MakeEdit(parent, 10, L"", &link, row.filter.proc);
    ASSERT_NE(nullptr, edit);
    for (UINT kind : {static_cast<UINT>(WM_CHAR), static_cast<UINT>(WM_IME_CHAR)}) {
      for (wchar_t c : probes) {
        SCOPED_TRACE(std::string(row.filter.name) + (kind == WM_CHAR ? " WM_CHAR" : " WM_IME_CHAR"));
        SCOPED_TRACE(Visible(c));
        const bool kept = row.kept.find(c) != std::wstring::npos;
        LRESULT result = SendMessageW(edit, kind, c, 1);
        EXPECT_EQ(kept, ReachedEdit(edit, kind, c));
        if (!kept) {
          EXPECT_EQ(1, result);
        }
        Drain();
      }
    }
    DestroyWindow(edit);
  }
}

TEST_F(EditTest, SwallowedCharactersLeaveTheTextAlone) {
  HWND parent = Host();
  EditLink link{};
  HWND edit = MakeEdit(parent, 10, L"", &link, EditProcIp);
  ASSERT_NE(nullptr, edit);
  for (wchar_t c : std::wstring(L"1x9.a,5")) SendMessageW(edit, WM_CHAR, c, 1);
  EXPECT_EQ(L"19.5", TextOf(edit));
  SendMessageW(edit, WM_CHAR, L'\b', 1);
  EXPECT_EQ(L"19.", TextOf(edit));
}

bool PutOnClipboard(HWND owner, const std::wstring& text) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool ok = false;
  if (mem) {
    memcpy(GlobalLock(mem), text.c_str(), bytes);
    GlobalUnlock(mem);
    ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    if (!ok) GlobalFree(mem);
  }
  CloseClipboard();
  return ok;
}

TEST_F(EditTest, PasteKeepsOnlyTheFiltersCharacters) {
  const std::wstring pasted = L"1.2a-B_\"x,y\tz\r9 \x00E9";
  const struct {
    const Filter& filter;
    std::wstring kept;
  } rows[] = {
      {kFilters[0], L"1.2a-B_\"x,yz9 \x00E9"},
      {kFilters[1], L"1.29"},
      {kFilters[2], L"12aBxyz9"},
      {kFilters[3], L"12a-B_xyz9"},
      {kFilters[4], L"1.2a-B_xyz9 \x00E9"},
  };
  HWND parent = Host();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.filter.name);
    EditLink link{};
    HWND edit = MakeEdit(parent, 10, L"", &link, row.filter.proc);
    ASSERT_NE(nullptr, edit);
    ASSERT_TRUE(PutOnClipboard(parent, pasted));
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(row.kept, TextOf(edit));
    DestroyWindow(edit);
  }
}

// Three linked fields in tab order in an active window.
class NavTest : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    host_ = Host(60, 60, 300, 200, true);
    ASSERT_NE(nullptr, host_);
    const wchar_t* texts[3] = {L"one", L"two", L"three"};
    for (int i = 0; i < 3; ++i) {
      edits_[i] = MakeEdit(host_, 10 + 40 * i, texts[i], &links_[i], EditProcText);
      ASSERT_NE(nullptr, edits_[i]);
    }
    for (int i = 0; i < 3; ++i) {
      links_[i].next = i < 2 ? edits_[i + 1] : nullptr;
      links_[i].prev = i > 0 ? edits_[i - 1] : nullptr;
    }
    SetForegroundWindow(host_);
    SetActiveWindow(host_);
  }
  // Focus on one field with a small selection that a move would widen.
  bool FocusOn(int i) {
    for (HWND e : edits_) SendMessageW(e, EM_SETSEL, 1, 1);
    SetFocus(edits_[i]);
    return PumpUntil([&] { return GetFocus() == edits_[i]; }, 2000);
  }
  int Focused() const {
    HWND f = GetFocus();
    for (int i = 0; i < 3; ++i)
      if (edits_[i] == f) return i;
    return -1;
  }
  HWND host_ = nullptr;
  HWND edits_[3] = {};
  EditLink links_[3] = {};
};

const char* KeyName(WPARAM key) {
  switch (key) {
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_DOWN: return "Down";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    default: return "other";
  }
}

TEST_F(NavTest, NavigationKeysMoveAlongTheEnabledFields) {
  const struct {
    const char* name;
    int disabled;  // field index, or -1
    int from;
    WPARAM key;
    int to;        // where the focus ends
    bool passedOn; // the edit control itself got the key
  } rows[] = {
      {"Tab moves forward", -1, 0, VK_TAB, 1, false},
      {"Enter moves forward", -1, 0, VK_RETURN, 1, false},
      {"Down moves forward", -1, 1, VK_DOWN, 2, false},
      {"Up moves backward", -1, 2, VK_UP, 1, false},
      {"Up from the middle", -1, 1, VK_UP, 0, false},
      {"a disabled field is skipped forward", 1, 0, VK_TAB, 2, false},
      {"a disabled field is skipped backward", 1, 2, VK_UP, 0, false},
      {"Tab in the last field goes to the edit", -1, 2, VK_TAB, 2, true},
      {"Up in the first field goes to the edit", -1, 0, VK_UP, 0, true},
      {"no enabled field ahead", 2, 1, VK_DOWN, 1, true},
      {"other keys go to the edit", -1, 0, VK_RIGHT, 0, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " (" + KeyName(row.key) + ")");
    for (int i = 0; i < 3; ++i) EnableWindow(edits_[i], i != row.disabled);
    ASSERT_TRUE(FocusOn(row.from));
    BelowLog().clear();
    LRESULT result = SendMessageW(edits_[row.from], WM_KEYDOWN, row.key, 1);
    EXPECT_EQ(row.to, Focused());
    EXPECT_EQ(row.passedOn, ReachedEdit(edits_[row.from], WM_KEYDOWN, row.key));
    if (!row.passedOn) {
      EXPECT_EQ(0, result);
      DWORD start = 1, end = 0;
      SendMessageW(edits_[row.to], EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      EXPECT_EQ(0u, start);
      EXPECT_EQ(static_cast<DWORD>(GetWindowTextLengthW(edits_[row.to])), end);
    }
    Drain();
  }
}

TEST_F(NavTest, ShiftDoesNotTurnTabAround) {
  BYTE keys[256] = {};
  ASSERT_TRUE(GetKeyboardState(keys));
  BYTE shifted[256];
  memcpy(shifted, keys, sizeof keys);
  shifted[VK_SHIFT] = shifted[VK_LSHIFT] = 0x80;
  ASSERT_TRUE(FocusOn(1));
  SetKeyboardState(shifted);
  SendMessageW(edits_[1], WM_KEYDOWN, VK_TAB, 1);
  SetKeyboardState(keys);
  EXPECT_EQ(2, Focused());
}

TEST_F(NavTest, FieldWithAnActionSendsItInsteadOfMoving) {
  HWND target = Host();
  links_[1].actionTarget = target;
  links_[1].actionMsg = WM_APP + 5;
  links_[1].actionParam = 77;
  for (WPARAM key : {VK_TAB, VK_RETURN, VK_DOWN, VK_UP}) {
    SCOPED_TRACE(KeyName(key));
    ASSERT_TRUE(FocusOn(1));
    HostLog().clear();
    BelowLog().clear();
    SendMessageW(edits_[1], WM_KEYDOWN, key, 1);
    ASSERT_EQ(1u, HostLog().size());
    EXPECT_EQ(target, HostLog()[0].hwnd);
    EXPECT_EQ(static_cast<UINT>(WM_APP + 5), HostLog()[0].msg);
    EXPECT_EQ(key, HostLog()[0].wParam);
    EXPECT_EQ(77, HostLog()[0].lParam);
    EXPECT_EQ(1, Focused());
    EXPECT_FALSE(ReachedEdit(edits_[1], WM_KEYDOWN, key));
    Drain();
  }
  // Keys that do not navigate are the edit control's.
  HostLog().clear();
  SendMessageW(edits_[1], WM_KEYDOWN, VK_RIGHT, 1);
  EXPECT_TRUE(HostLog().empty());
  EXPECT_TRUE(ReachedEdit(edits_[1], WM_KEYDOWN, VK_RIGHT));
}

// ------------------------------------------------------- bottom buttons

// A memory DC with the control font, as a dialog measures its buttons.
class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dc_ = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, dc_);
    old_ = SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
  }
  void TearDown() override {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  // Button width (widest text + 20) and text height of the given captions.
  void Measure(std::initializer_list<const wchar_t*> texts, int* bw, int* th) {
    *bw = *th = 0;
    for (const wchar_t* t : texts) {
      RECT r = {0, 0, 0, 0};
      DrawTextW(dc_, t, -1, &r, DT_CALCRECT | DT_SINGLELINE);
      *bw = std::max<int>(*bw, r.right - r.left);
      *th = std::max<int>(*th, r.bottom - r.top);
    }
    *bw += 20;
  }
  // Ten controls; the widest and the lowest are not the last ones.
  static std::vector<CtrlItem> Controls(int rightmost) {
    std::vector<CtrlItem> items;
    for (int i = 0; i < 10; ++i) items.push_back(CtrlItem{L"x", RECT{10, 10 + 20 * i, 60, 28 + 20 * i}, nullptr});
    items[3].rect.right = rightmost;
    items[6].rect.bottom = 230;  // lower than the last control's 208
    return items;
  }
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  static constexpr int kBottom = 230;
};

TEST_F(ButtonTest, NarrowDialogPutsTheButtonsSideBySideFromTheLeft) {
  CtrlItem ok{L"OK", {}, nullptr}, cancel{L"Cancel the change", {}, nullptr};
  int bw, th;
  Measure({ok.text, cancel.text}, &bw, &th);
  ASSERT_LT(100 + 15, 2 * bw + 35) << "the texts must be too wide for the controls";
  std::vector<CtrlItem> items = Controls(100);
  const RECT size = *PlaceButtons2(dc_, items.data(), 10, &ok, &cancel);
  ExpectRect(RECT{10, kBottom + 2 * th, 10 + bw, kBottom + 4 * th}, ok.rect);
  ExpectRect(RECT{20 + bw, kBottom + 2 * th, 20 + 2 * bw, kBottom + 4 * th}, cancel.rect);
  EXPECT_EQ(0, size.left);
  EXPECT_EQ(0, size.top);
  EXPECT_EQ(20 + 2 * bw + 15 + 10, size.right);
  EXPECT_EQ(kBottom + 4 * th + GetSystemMetrics(SM_CYCAPTION) + th + 10, size.bottom);
}

TEST_F(ButtonTest, WideDialogSpreadsTheButtonsWithEqualGaps) {
  CtrlItem ok{L"OK", {}, nullptr}, cancel{L"Cancel", {}, nullptr};
  int bw, th;
  Measure({ok.text, cancel.text}, &bw, &th);
  std::vector<CtrlItem> items = Controls(600);
  const RECT size = *PlaceButtons2(dc_, items.data(), 10, &ok, &cancel);
  const int width = 600 + 15;
  const int gap = ok.rect.left;
  EXPECT_GE(gap, 10);
  EXPECT_EQ(bw, ok.rect.right - ok.rect.left);
  EXPECT_EQ(bw, cancel.rect.right - cancel.rect.left);
  EXPECT_EQ(gap, cancel.rect.left - ok.rect.right);
  // Integer division leaves the remainder at the right end.
  EXPECT_GE(width - cancel.rect.right, gap);
  EXPECT_LT(width - cancel.rect.right, gap + 3);
  EXPECT_EQ(kBottom + 2 * th, ok.rect.top);
  EXPECT_EQ(kBottom + 4 * th, cancel.rect.bottom);
  EXPECT_EQ(width + 10, size.right);
  EXPECT_EQ(kBottom + 4 * th + GetSystemMetrics(SM_CYCAPTION) + th + 10, size.bottom);
}

TEST_F(ButtonTest, ButtonsInTheListDoNotMoveTheLayoutOnARepeatedCall) {
  for (int rightmost : {100, 600}) {
    SCOPED_TRACE(rightmost);
    std::vector<CtrlItem> items = Controls(rightmost);
    items.push_back(CtrlItem{L"OK", {}, nullptr});
    items.push_back(CtrlItem{L"Cancel the change", {}, nullptr});
    CtrlItem* ok = &items[10];
    CtrlItem* cancel = &items[11];
    const RECT first = *PlaceButtons2(dc_, items.data(), 12, ok, cancel);
    const RECT okFirst = ok->rect, cancelFirst = cancel->rect;
    const RECT again = *PlaceButtons2(dc_, items.data(), 12, ok, cancel);
    ExpectRect(first, again);
    ExpectRect(okFirst, ok->rect);
    ExpectRect(cancelFirst, cancel->rect);
    // The same as a list that never held the buttons.
    ExpectRect(first, *PlaceButtons2(dc_, items.data(), 10, ok, cancel));
  }
}

TEST_F(ButtonTest, OneAndThreeButtonFormsLookAtTheirFixedNumberOfItems) {
  CtrlItem a{L"OK", {}, nullptr}, b{L"Apply", {}, nullptr}, c{L"Cancel", {}, nullptr};
  int bw, th;
  Measure({a.text}, &bw, &th);
  // Two items count for one button; the third would widen the dialog.
  CtrlItem two[3] = {{L"x", {10, 10, 50, 40}, nullptr}, {L"y", {10, 50, 290, 60}, nullptr},
                     {L"z", {10, 70, 900, 900}, nullptr}};
  const RECT one = *PlaceButtons1(dc_, two, &a);
  EXPECT_EQ(60 + 2 * th, a.rect.top);
  EXPECT_EQ(290 + 15 + 10, one.right);

  Measure({a.text, b.text, c.text}, &bw, &th);
  std::vector<CtrlItem> many(25, CtrlItem{L"x", {10, 10, 40, 30}, nullptr});
  many[23].rect = RECT{10, 10, 400, 120};
  many[24].rect = RECT{10, 10, 2000, 900};
  const RECT three = *PlaceButtons3(dc_, many.data(), &a, &b, &c);
  EXPECT_EQ(120 + 2 * th, c.rect.top);
  EXPECT_EQ(400 + 15 + 10, three.right);
  EXPECT_EQ(b.rect.left - a.rect.right, c.rect.left - b.rect.right);
}

// ------------------------------------------------------- delayed actions

TEST_F(WndTest, DelayedActionsReachTheMainWindowOncePerStart) {
  const struct {
    const char* name;
    TIMERPROC proc;
    int starts;
    UINT msg;
    WPARAM wParam;
  } rows[] = {
      {"rebuild, started twice", DelayedNotify, 2, WM_REBUILDPANES, 0},
      {"close", DelayedClose, 1, WM_CLOSE, 32770},
  };
  HWND main = Host();
  SetMainWindow(main);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HostLog().clear();
    for (int i = 0; i < row.starts; ++i) StartDelayed(row.proc);
    EXPECT_TRUE(PumpUntil([&] { return CountSeen(main, row.msg) >= row.starts; }, 4000));
    // Nothing more once each timer has fired.
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(row.starts, CountSeen(main, row.msg));
    ASSERT_FALSE(HostLog().empty());
    for (const Seen& s : HostLog()) {
      EXPECT_EQ(row.msg, s.msg);
      EXPECT_EQ(row.wParam, s.wParam);
      EXPECT_EQ(0, s.lParam);
    }
  }
}

// ------------------------------------------------------- About box

struct AboutWatch {
  HWND box = nullptr;
  std::wstring texts;
  int ticks = 0;
} g_about;

BOOL CALLBACK CollectText(HWND hwnd, LPARAM out) {
  *reinterpret_cast<std::wstring*>(out) += TextOf(hwnd) + L"\n";
  return TRUE;
}

BOOL CALLBACK FindAboutBox(HWND hwnd, LPARAM) {
  if (ClassOf(hwnd) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
  std::wstring texts = TextOf(hwnd) + L"\n";
  EnumChildWindows(hwnd, CollectText, reinterpret_cast<LPARAM>(&texts));
  if (!Contains(texts, L"MILLPLAN227")) return TRUE;
  g_about.box = hwnd;
  g_about.texts = texts;
  return FALSE;
}

// Closes the box from the test's own thread while ShowAbout waits in it.
void CALLBACK WatchAbout(HWND, UINT, UINT_PTR, DWORD) {
  ++g_about.ticks;
  HWND before = g_about.box;
  g_about.box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindAboutBox, 0);
  if (g_about.box) {
    PostMessageW(g_about.box, before ? WM_CLOSE : WM_COMMAND, IDOK, 0);
  } else if (g_about.ticks > 100) {
    // Never found: end whatever modal box holds the call, so the test fails
    // instead of hanging.
    EnumThreadWindows(GetCurrentThreadId(), [](HWND hwnd, LPARAM) -> BOOL {
      if (ClassOf(hwnd) == L"#32770") PostMessageW(hwnd, WM_CLOSE, 0, 0);
      return TRUE;
    }, 0);
  }
  if (!g_about.box) g_about.box = before;
}

TEST_F(WndTest, AboutBoxShowsTheTitleWithTheBuildTime) {
  HWND owner = Host(100, 100, 300, 200, true);
  g_about = AboutWatch{};
  UINT_PTR timer = SetTimer(nullptr, 0, 100, WatchAbout);
  ASSERT_NE(0u, timer);
  ShowAbout(owner);
  KillTimer(nullptr, timer);
  ASSERT_NE(nullptr, g_about.box) << "no About box with the program's title appeared";
  EXPECT_FALSE(IsWindow(g_about.box));
  EXPECT_TRUE(std::regex_search(
      g_about.texts, std::wregex(LR"(MILLPLAN227\((Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123]\d \d{4} \d\d:\d\d:\d\d\))")))
      << g_about.texts;
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

// ------------------------------------------------------- control factories

TEST_F(WndTest, FactoriesMakeTheirControls) {
  HWND parent = Host();
  HFONT own = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
  const RECT rect = {12, 14, 132, 38};
  const struct {
    const char* name;
    std::function<HWND(HWND*)> make;
    const wchar_t* cls;
    DWORD style;   // bits that must be set
    DWORD typeMask;
    DWORD type;
    HFONT font;
    const wchar_t* text;
  } rows[] = {
      {"button", [&](HWND* out) { return CreateBtn(parent, Inst(), 301, &rect, own, L"Go", out, HERE); },
       L"Button", WS_CHILD | WS_VISIBLE, BS_TYPEMASK, BS_PUSHBUTTON, own, L"Go"},
      {"radio", [&](HWND* out) { return CreateRdo(parent, Inst(), 302, &rect, nullptr, L"Pick", out, HERE); },
       L"Button", WS_CHILD | WS_VISIBLE, BS_TYPEMASK, BS_AUTORADIOBUTTON, ControlFont(), L"Pick"},
      {"radio with its own style",
       [&](HWND* out) {
         return CreateRdo(parent, Inst(), 303, &rect, nullptr, L"Box", out, HERE,
                          WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX);
       },
       L"Button", WS_CHILD | WS_VISIBLE, BS_TYPEMASK, BS_AUTOCHECKBOX, ControlFont(), L"Box"},
      {"label", [&](HWND* out) { return CreateStatic(parent, Inst(), 304, &rect, own, L"Loom", out, HERE); },
       L"Static", WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_CENTERIMAGE, SS_TYPEMASK, SS_CENTER, own, L"Loom"},
      {"label with its own style",
       [&](HWND* out) {
         return CreateStatic(parent, Inst(), 305, &rect, nullptr, L"Left", out, HERE, WS_CHILD | WS_VISIBLE | SS_LEFT);
       },
       L"Static", WS_CHILD | WS_VISIBLE, SS_TYPEMASK, SS_LEFT, ControlFont(), L"Left"},
  };
  int id = 301;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HWND out = reinterpret_cast<HWND>(1);
    HWND ctrl = row.make(&out);
    ASSERT_NE(nullptr, ctrl);
    EXPECT_EQ(ctrl, out);
    EXPECT_EQ(0, _wcsicmp(row.cls, ClassOf(ctrl).c_str())) << ClassOf(ctrl).c_str();
    EXPECT_EQ(id++, GetDlgCtrlID(ctrl));
    EXPECT_EQ(parent, GetParent(ctrl));
    EXPECT_EQ(row.text, TextOf(ctrl));
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(ctrl, GWL_STYLE));
    EXPECT_EQ(row.style, style & row.style);
    EXPECT_EQ(row.type, style & row.typeMask);
    EXPECT_TRUE(GetWindowLongPtrW(ctrl, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(row.font, reinterpret_cast<HFONT>(SendMessageW(ctrl, WM_GETFONT, 0, 0)));
    RECT r{};
    GetWindowRect(ctrl, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    ExpectRect(rect, r);
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(WndTest, ComboBoxHoldsItsItemsWithTheGivenSelection) {
  HWND parent = Host();
  const wchar_t* const items[] = {L"warp", L"weft", L"selvedge", nullptr};
  const RECT rect = {20, 30, 180, 50};
  HWND out = nullptr;
  HWND box = CreateCBox(parent, Inst(), 310, &rect, nullptr, L"", &out, HERE, 200, items, 1);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(box, out);
  EXPECT_EQ(0, _wcsicmp(WC_COMBOBOXEXW, ClassOf(box).c_str()));
  EXPECT_EQ(310, GetDlgCtrlID(box));
  EXPECT_EQ(static_cast<DWORD>(CBS_DROPDOWNLIST), GetWindowLongPtrW(box, GWL_STYLE) & 3);
  EXPECT_TRUE(GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  ASSERT_EQ(3, SendMessageW(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    wchar_t text[64] = L"";
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT | CBEIF_INDENT;
    item.iItem = i;
    item.pszText = text;
    item.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(box, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(items[i], text);
    EXPECT_EQ(0, item.iIndent);
  }
  EXPECT_EQ(1, SendMessageW(box, CB_GETCURSEL, 0, 0));
  RECT r{};
  GetWindowRect(box, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(20, r.left);
  EXPECT_EQ(30, r.top);
  EXPECT_EQ(160, r.right - r.left);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(WndTest, CreationFailuresAreReportedWithTheirContext) {
  const HWND dead = DeadWindow();
  const RECT rect = {0, 0, 50, 20};
  const wchar_t* const items[] = {L"a", nullptr};
  const struct {
    const char* name;
    std::function<bool(HWND*)> make;  // true when it answered a failure
    const wchar_t* context;
  } rows[] = {
      {"button", [&](HWND* out) { return !CreateBtn(dead, Inst(), 1, &rect, nullptr, L"b", out, HERE); },
       L":CreateWindowEx(CreateBtn)("},
      {"radio", [&](HWND* out) { return !CreateRdo(dead, Inst(), 1, &rect, nullptr, L"r", out, HERE); },
       L":CreateWindowEx(CreateRdo)("},
      {"combo box",
       [&](HWND* out) { return !CreateCBox(dead, Inst(), 1, &rect, nullptr, L"", out, HERE, 100, items, 0); },
       L":CreateWindowEx(CreateCBox)("},
      {"label", [&](HWND* out) { return !CreateStatic(dead, Inst(), 1, &rect, nullptr, L"s", out, HERE); },
       L":CreateWindowEx(CreateStatic("},
      {"child window",
       [&](HWND* out) {
         WNDCLASSEXW wc;
         CWndBase object;
         return CchildCreateWindowEx(dead, Inst(), &wc, L"WndDead", WHITE_BRUSH, 10, &object, out, HERE) == 0;
       },
       L":CreateWindowEx(CchildCreateWindowEx)("},
      {"pop-up",
       [&](HWND* out) {
         WNDCLASSEXW wc;
         CWndBase object;
         return DchildCreateWindowEx(dead, Inst(), &wc, L"MILLPLAN_WndDeadPopup", L"t", &object, out, HERE) == 0;
       },
       L":CreateWindowEx(DchildCreateWindowEx)("},
      {"class registration",
       [&](HWND* out) {
         *out = nullptr;
         WNDCLASSEXW wc;
         // An empty name cannot be registered (an over-long one corrupts
         // Wine's heap instead of failing).
         return RegisterWndClass(nullptr, Inst(), &wc, SharedWndProc, L"", WHITE_BRUSH, HERE, 0) == 0;
       },
       L":RegisterClassEx("},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    BoxRecorder::Clear();
    HWND out = reinterpret_cast<HWND>(1);
    EXPECT_TRUE(row.make(&out));
    EXPECT_EQ(nullptr, out);
    ASSERT_EQ(1u, BoxRecorder::Boxes().size());
    const std::wstring& text = BoxRecorder::Boxes()[0].text;
    EXPECT_EQ(0u, text.find(std::wstring(WFILE) + L":")) << text;
    EXPECT_TRUE(Contains(text, L"\r\n")) << text;
    EXPECT_TRUE(Contains(text, row.context)) << text;
  }
  // A child whose window failed leaves no class behind.
  EXPECT_FALSE(ClassRegistered(L"MILLPLAN_WndDead" + std::to_wstring(ChildCounter() - 1)));
}

}  // namespace
