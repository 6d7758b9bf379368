// The main window: its parts and their geometry, the menu and toolbar as
// the settings choose them, command routing, the relay of layout requests,
// pane rebuilding and the close after a change of language.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "std/std.h"
#include "std/std_date.h"
#include "std/std_font.h"
#include "std/std_rgb.h"
#include "std/std_lang.h"
#include "std/std_statusbar.h"
#include "std2/std2_base.h"
#include "std2/std2_layout.h"
#include "std2/std2_main.h"
#include "std2/std2_toolbar.h"
#include "std2/std2_undo.h"
#include "tests/support.h"

namespace {

using MainWindowTest = ProgramFixture;

RECT ClientRectIn(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectNear(const RECT& want, const RECT& got, int tolerance = 1) {
  EXPECT_NEAR(want.left, got.left, tolerance);
  EXPECT_NEAR(want.top, got.top, tolerance);
  EXPECT_NEAR(want.right, got.right, tolerance);
  EXPECT_NEAR(want.bottom, got.bottom, tolerance);
}

TEST_F(MainWindowTest, PartsAndTheirGeometry) {
  EXPECT_EQ(0, Run([](HWND main) {
    RECT client;
    GetClientRect(main, &client);
    // Rebar across the top.
    RECT bar = ClientRectIn(main, toolbar.rebar);
    EXPECT_EQ(0, bar.top);
    EXPECT_NEAR(client.right, bar.right - bar.left, 4);  // its border may reach past the client
    ASSERT_EQ(2u, SendMessageW(toolbar.rebar, RB_GETBANDCOUNT, 0, 0));
    REBARBANDINFOW band = {};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    ASSERT_TRUE(SendMessageW(toolbar.rebar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band)));
    EXPECT_EQ(toolbar.toolbar, band.hwndChild);
    EXPECT_EQ(IDB_TOOLBAR5, GetDlgCtrlID(toolbar.toolbar));
    DWORD size = static_cast<DWORD>(SendMessageW(toolbar.toolbar, TB_GETBUTTONSIZE, 0, 0));
    EXPECT_EQ(static_cast<UINT>(HIWORD(size)), band.cyMinChild);
    ASSERT_TRUE(SendMessageW(toolbar.rebar, RB_GETBANDINFOW, 1, reinterpret_cast<LPARAM>(&band)));
    EXPECT_EQ(toolbar.clock, band.hwndChild);
    EXPECT_EQ(kClockId, GetDlgCtrlID(toolbar.clock));
    // Status bar: three empty parts.
    int edges[3] = {};
    ASSERT_EQ(3, SendMessageW(statusbar.hwnd, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)));
    EXPECT_EQ(300, edges[0]);
    EXPECT_EQ(600, edges[1]);
    EXPECT_EQ(-1, edges[2]);
    for (int part = 0; part < 3; ++part)
      EXPECT_EQ(0, LOWORD(SendMessageW(statusbar.hwnd, SB_GETTEXTLENGTHW, part, 0))) << part;
    EXPECT_EQ(kStatusBarId, GetDlgCtrlID(statusbar.hwnd));
    // The pane fills what lies between.
    RECT status = ClientRectIn(main, statusbar.hwnd);
    int rebarHeight = bar.bottom - bar.top;
    ExpectNear(RECT{0, rebarHeight, client.right, client.bottom - (status.bottom - status.top)},
               ClientRectIn(main, PaneSlot(0)));
    EXPECT_FALSE(IsWindowVisible(PaneSlot(1)));
    // Split window: the side pane keeps its width, the layout area the rest.
    RECT split;
    GetWindowRect(PaneSlot(0), &split);
    int f = GetSystemMetrics(SM_CXFRAME);
    RECT side = ClientRectIn(PaneSlot(0), base.left[0]);
    RECT area = ClientRectIn(PaneSlot(0), base.right[0]);
    int w = side.right - side.left;
    EXPECT_EQ(-f, side.left);
    EXPECT_EQ(-f, side.top);
    EXPECT_EQ(split.bottom - split.top + 2 * f, side.bottom - side.top);
    ExpectNear(RECT{w - f, 0, split.right - split.left, split.bottom - split.top}, area);
  }));
  EXPECT_TRUE(acted);
}

TEST(VisualStyles, CommonControlsSixAreLoaded) {
  // Wine reports 5.81 even for version 6; the side-by-side path tells.
  wchar_t path[MAX_PATH] = L"";
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(nullptr, comctl);
  GetModuleFileNameW(comctl, path, MAX_PATH);
  EXPECT_NE(nullptr, wcsstr(_wcslwr(path), L"\\winsxs\\")) << path;
}

TEST_F(MainWindowTest, MenuFollowsTheSettings) {
  struct Row {
    const wchar_t* detail;
    const wchar_t* mavo;
    std::vector<UINT> items;
  } rows[] = {
      {L"0", L"0", {IDM_LANG, IDM_SECTION, IDM_OPTION}},
      {L"1", L"0", {IDM_LANG, IDM_TYPE, IDM_SECTION, IDM_OPTION}},
      {L"0", L"1", {IDM_LANG, IDM_SECTION, IDM_OPTION, IDM_IPIER, IDM_IMAVO}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "OPT_DETAIL " << row.detail << " iMAVO " << row.mavo);
    Put(L"OPT_DETAIL", row.detail);
    Put(L"iMAVO", row.mavo);
    std::vector<UINT> items;
    std::wstring settingsText, langText;
    EXPECT_EQ(0, Run([&](HWND main) {
      HMENU menu = GetMenu(main);
      wchar_t text[64];
      GetMenuStringW(menu, 1, text, 64, MF_BYPOSITION);
      settingsText = text;
      HMENU settings = GetSubMenu(menu, 1);
      for (int i = 0; i < GetMenuItemCount(settings); ++i) items.push_back(GetMenuItemID(settings, i));
      GetMenuStringW(menu, IDM_LANG, text, 64, MF_BYCOMMAND);
      langText = text;
    }));
    EXPECT_EQ(row.items, items);
    EXPECT_EQ(std::wstring(lang.Text(S_MENU_SETTING)), settingsText);
    EXPECT_EQ(std::wstring(lang.Text(S_MENU_LANG)), langText);
  }
}

TEST_F(MainWindowTest, LogModeAddsTheLogButtonWithItsTooltip) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    Put(L"COMLOG_MODE", mode ? L"1" : L"0");
    int buttons = 0, id = 0;
    std::vector<std::wstring> tips;
    EXPECT_EQ(0, Run([&](HWND) {
      buttons = static_cast<int>(SendMessageW(toolbar.toolbar, TB_BUTTONCOUNT, 0, 0));
      id = GetDlgCtrlID(toolbar.toolbar);
      for (int i = 0; i < buttons; ++i) {
        TBBUTTON b = {};
        SendMessageW(toolbar.toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        wchar_t text[200] = L"";
        TOOLINFOW ti = {};
        ti.cbSize = sizeof ti;
        ti.hwnd = toolbar.toolbar;
        ti.uId = static_cast<UINT_PTR>(b.idCommand);
        ti.lpszText = text;
        SendMessageW(toolbar.tooltip, TTM_GETTEXTW, 200, reinterpret_cast<LPARAM>(&ti));
        tips.push_back(text);
      }
    }));
    EXPECT_EQ(mode ? 6 : 5, buttons);
    EXPECT_EQ(mode ? IDB_TOOLBAR6 : IDB_TOOLBAR5, id);
    std::vector<std::wstring> expected = {lang.Text(S_TURN), lang.Text(S_SECTION), lang.Text(S_ZOOMIN),
                                          lang.Text(S_ZOOMOUT), lang.Text(S_UNDO)};
    if (mode) expected.push_back(lang.Text(S_COMLOG));
    EXPECT_EQ(expected, tips);
  }
}

TEST_F(MainWindowTest, LogButtonAndLayoutButtons) {
  Put(L"COMLOG_MODE", L"1");
  EXPECT_EQ(0, Run([](HWND main) {
    SendMessageW(main, WM_COMMAND, kButtonComLog, 0);
    EXPECT_TRUE(IsWindowVisible(PaneSlot(1)));
    EXPECT_FALSE(IsWindowVisible(PaneSlot(0)));
    // Undo and turn only bring the layout back while the log is shown.
    int slot = undo.writeSlot;
    SendMessageW(main, WM_COMMAND, kButtonUndo, 0);
    EXPECT_TRUE(IsWindowVisible(PaneSlot(0)));
    EXPECT_FALSE(IsWindowVisible(PaneSlot(1)));
    SendMessageW(main, WM_COMMAND, kButtonComLog, 0);
    SendMessageW(main, WM_COMMAND, kButtonTurn, 0);
    EXPECT_TRUE(IsWindowVisible(PaneSlot(0)));
    EXPECT_EQ(slot, undo.writeSlot);  // nothing undone, nothing turned
    // Visible layout: turn takes a snapshot.
    SendMessageW(main, WM_COMMAND, kButtonTurn, 0);
    EXPECT_NE(slot, undo.writeSlot);
    SendMessageW(main, WM_COMMAND, kButtonComLog, 0);
    SendMessageW(main, WM_COMMAND, kButtonZoomIn, 0);
    EXPECT_TRUE(IsWindowVisible(PaneSlot(0)));
    EXPECT_EQ(1, grid.displayMode == kDetailedView ? 1 : 0);
  }));
}

TEST_F(MainWindowTest, SectionButtonTogglesGroupMode) {
  EXPECT_EQ(0, Run([](HWND main) {
    RECT areaBefore;
    GetWindowRect(base.right[0], &areaBefore);
    SendMessageW(main, WM_COMMAND, kButtonSection, 0);
    EXPECT_EQ(1, SendMessageW(gridWindow, WM_LAYOUT, 11, 0));
    EXPECT_FALSE(SendMessageW(toolbar.toolbar, TB_ISBUTTONENABLED, kButtonTurn, 0));
    EXPECT_TRUE(IsWindowVisible(base.left[1]));
    EXPECT_FALSE(IsWindowVisible(base.left[0]));
    RECT areaAfter;
    GetWindowRect(base.right[0], &areaAfter);
    EXPECT_EQ(areaBefore.right - areaBefore.left, areaAfter.right - areaAfter.left);
    SendMessageW(main, WM_COMMAND, kButtonSection, 0);
    EXPECT_EQ(0, SendMessageW(gridWindow, WM_LAYOUT, 11, 0));
    EXPECT_TRUE(SendMessageW(toolbar.toolbar, TB_ISBUTTONENABLED, kButtonTurn, 0));
    EXPECT_TRUE(IsWindowVisible(base.left[0]));
  }));
}

struct Opened {
  int kind;
  std::wstring title;
};
std::vector<Opened> g_opened;
template <int Kind>
void Record(HWND, const wchar_t* title) {
  g_opened.push_back({Kind, title});
}

TEST_F(MainWindowTest, MenuCommandsOpenTheirDialogs) {
  SetDialogOpener(kDialogLanguage, Record<kDialogLanguage>);
  SetDialogOpener(kDialogOption2, Record<kDialogOption2>);
  SetDialogOpener(kDialogSection6, Record<kDialogSection6>);
  SetDialogOpener(kDialogHostSettings, Record<kDialogHostSettings>);
  g_opened.clear();
  EXPECT_EQ(0, Run([](HWND main) {
    for (int id : {IDM_LANG, IDM_OPTION, IDM_SECTION, IDM_IPIER, IDM_TYPE, 4242})
      SendMessageW(main, WM_COMMAND, id, 0);
  }));
  for (DialogKind k : {kDialogLanguage, kDialogOption2, kDialogSection6, kDialogHostSettings})
    SetDialogOpener(k, nullptr);
  ASSERT_EQ(4u, g_opened.size());
  EXPECT_EQ(kDialogLanguage, g_opened[0].kind);
  EXPECT_EQ(std::wstring(lang.Text(S_MENU_LANG)), g_opened[0].title);
  EXPECT_EQ(kDialogOption2, g_opened[1].kind);  // simple option mode
  EXPECT_EQ(kDialogSection6, g_opened[2].kind);
  EXPECT_EQ(L"iPier(&A)", g_opened[3].title);
}

TEST_F(MainWindowTest, ExitAsksTheCloseQuestion) {
  BoxRecorder::SetAnswer(IDNO);
  bool open = false;
  EXPECT_EQ(0, Run([&](HWND main) {
    SendMessageW(main, WM_COMMAND, IDM_EXIT, 0);
    open = IsWindow(main) != FALSE;
    BoxRecorder::SetAnswer(IDYES);
  }));
  EXPECT_TRUE(open);
  EXPECT_EQ(2u, BoxRecorder::Boxes().size());
}

TEST_F(MainWindowTest, RebuildMakesNewPanesAndWaitsForOpenDialogs) {
  EXPECT_EQ(0, Run([](HWND main) {
    HWND oldSplit = PaneSlot(0);
    wchar_t oldClass[100];
    GetClassNameW(oldSplit, oldClass, 100);
    SendMessageW(main, WM_COMMAND, kButtonSection, 0);  // group mode on
    EnableWindow(main, FALSE);  // as while a dialog is open
    SendMessageW(main, WM_REBUILDPANES, 0, 0);
    EXPECT_EQ(oldSplit, PaneSlot(0));
    EnableWindow(main, TRUE);
    EXPECT_TRUE(PumpUntil([&] { return PaneSlot(0) != oldSplit; }));
    EXPECT_FALSE(IsWindow(oldSplit));
    wchar_t newClass[100];
    GetClassNameW(PaneSlot(0), newClass, 100);
    EXPECT_STRNE(oldClass, newClass);
    WNDCLASSEXW wc = {sizeof wc};
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), oldClass, &wc));
    EXPECT_TRUE(SendMessageW(toolbar.toolbar, TB_ISBUTTONENABLED, kButtonTurn, 0));
    EXPECT_EQ(0, SendMessageW(gridWindow, WM_LAYOUT, 11, 0));
    EXPECT_TRUE(IsWindowVisible(PaneSlot(0)));
  }));
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

int ThreadWindows(HWND main) {
  int count = 0;
  EnumChildWindows(main, CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(MainWindowTest, RebuildingAgainAndAgainLeaksNothing) {
  EXPECT_EQ(0, Run([](HWND main) {
    HFONT control = font.Control();
    HBRUSH white = FindRgbBrush(main, RGB(255, 255, 255), HERE);
    int windows = ThreadWindows(main);
    int counter = ChildCounter();
    wchar_t firstClass[100];
    GetClassNameW(PaneSlot(0), firstClass, 100);
    for (int round = 0; round < 20; ++round) {
      SendMessageW(main, WM_COMMAND, round % 2 ? kButtonZoomIn : kButtonZoomOut, 0);
      SendMessageW(main, WM_REBUILDPANES, 0, 0);
    }
    EXPECT_EQ(windows, ThreadWindows(main));
    EXPECT_GT(ChildCounter(), counter);
    EXPECT_EQ(control, font.Control());
    EXPECT_EQ(OBJ_FONT, static_cast<int>(GetObjectType(control)));
    EXPECT_EQ(white, FindRgbBrush(main, RGB(255, 255, 255), HERE));
    WNDCLASSEXW wc = {sizeof wc};
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), firstClass, &wc));
  }));
  // The fonts of a closed main window are gone; a second one makes its own.
  EXPECT_EQ(0, Run(nullptr));
}

TEST_F(MainWindowTest, RestartCloseWithNothingUnsavedOnlyGivesNotice) {
  EXPECT_EQ(0, Run([](HWND main) { SendMessageW(main, WM_CLOSE, CLOSE_RESTART, 0); }));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(std::wstring(lang.Text(S_REBOOT2)), BoxRecorder::Boxes()[0].text);
}

TEST_F(MainWindowTest, RestartCloseWithUnsavedEditsAsksFirst) {
  BoxRecorder::SetAnswer(IDNO);
  bool stillOpen = false;
  EXPECT_EQ(0, Run([&](HWND main) {
    wcscpy(Cell(2, 2).name, L"NEW");
    SendMessageW(main, WM_CLOSE, CLOSE_RESTART, 0);
    stillOpen = IsWindow(main) != FALSE;
    Cell(2, 2).name[0] = L'\0';
    BoxRecorder::SetAnswer(IDYES);
  }));
  EXPECT_TRUE(stillOpen);
  ASSERT_GE(BoxRecorder::Boxes().size(), 3u);
  EXPECT_EQ(std::wstring(lang.Text(S_REBOOT2)), BoxRecorder::Boxes()[0].text);
  EXPECT_EQ(std::wstring(lang.Text(S_LOOMDATACHANGED)), BoxRecorder::Boxes()[1].text);
  EXPECT_EQ(std::wstring(lang.Text(S_CLOSE_CONFIRM)), BoxRecorder::Boxes()[2].text);
}

TEST_F(MainWindowTest, CreationFailureAsksNothingAndWritesNothing) {
  // The settings file's place is taken, so the user font cannot be stored.
  DeleteFileW(Ini().c_str());
  ASSERT_TRUE(CreateDirectoryW(Ini().c_str(), nullptr));
  EXPECT_EQ(0, Run(nullptr));
  EXPECT_FALSE(acted);
  for (const RecordedBox& box : BoxRecorder::Boxes())
    EXPECT_NE(std::wstring(lang.Text(S_CLOSE_CONFIRM)), box.text);
  EXPECT_FALSE(FileExists(dir.File(L"lout_itbl.txt")));
  EXPECT_EQ(nullptr, MainWindow());
}

TEST_F(MainWindowTest, ClockShowsThePlaceholderThenTheTime) {
  std::wstring first, later;
  EXPECT_EQ(0, Run([&](HWND) {
    wchar_t text[128];
    GetWindowTextW(toolbar.clock, text, 128);
    first = text;
    UseFixedTime(2019, 6, 5, 15, 15, 1);
    toolbar.RefreshClock();
    GetWindowTextW(toolbar.clock, text, 128);
    later = text;
  }));
  EXPECT_EQ(kClockPlaceholder, first);
  EXPECT_EQ(L"[2019/06/05 15:15'01]", later);
}

}  // namespace
