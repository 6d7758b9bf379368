// Scrolling panes and the layout pane: fitting, scroll bars, keys and wheel,
// the grid view's requests to its pane, and the layout commands relayed to
// the grid view.
#include <windows.h>

#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_scroll.h"
#include "std2/std2_layout.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_undo.h"
#include "tests/support.h"

namespace {

HINSTANCE Inst() { return GetModuleHandleW(nullptr); }

void LoadNamesOnce() {
  static const bool loaded = (LoadProgramNames(Inst()), true);
  (void)loaded;
}

// A plain top-level window without borders, so its client area starts at
// its window origin.
HWND CreateHost(int x, int y, int width, int height) {
  static const wchar_t* const kHostClass = L"ScrollTestHost";
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = Inst();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kHostClass;
    registered = RegisterClassExW(&wc) != 0;
  }
  return CreateWindowExW(0, kHostClass, L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width,
                         height, nullptr, nullptr, Inst(), nullptr);
}

// Where a child's client area lies in the pane's client area.
POINT OriginIn(HWND child, HWND pane) {
  POINT at{0, 0};
  MapWindowPoints(child, pane, &at, 1);
  return at;
}

SIZE ClientSize(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  return SIZE{rc.right, rc.bottom};
}

bool HasStyle(HWND hwnd, LONG_PTR style) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & style) != 0; }

void ThumbTo(HWND pane, int h, int v) {
  SendMessageW(pane, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, h), 0);
  SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, v), 0);
}

WPARAM WheelDelta(short delta) { return MAKEWPARAM(0, static_cast<WORD>(delta)); }

std::vector<std::wstring> BoxTexts() {
  std::vector<std::wstring> texts;
  for (const RecordedBox& box : BoxRecorder::Boxes()) texts.push_back(box.text);
  return texts;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Content of a test pane: records what reaches it.
class Sheet : public CWndBase {
 public:
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_CLOSE) {
      ++closes;
      paneAliveAtClose = IsWindow(GetParent(hwnd)) != 0;
    }
    if (msg == WM_COMMAND) {
      lastCommand = wParam;
      return kCommandAnswer;
    }
    return CWndBase::WndProc(hwnd, msg, wParam, lParam);
  }
  static constexpr LRESULT kCommandAnswer = 0x5A5A;
  int closes = 0;
  bool paneAliveAtClose = false;
  WPARAM lastCommand = 0;
};

class TestPane : public CScroll {
 public:
  int WmCreate(HWND pane, HINSTANCE inst, WPARAM, LPARAM) override {
    if (!makeSheet) return 1;  // claims success but leaves no content
    if (!CchildCreateWindowEx(pane, inst, &sheetClass, L"TestSheet", WHITE_BRUSH, sheetWidth, &sheet,
                              &content, HERE))
      return 0;
    MoveWindow(content, 0, 0, sheetWidth, sheetHeight, FALSE);
    return 1;
  }
  int sheetWidth = 0, sheetHeight = 0;
  bool makeSheet = true;
  Sheet sheet;
  WNDCLASSEXW sheetClass{};
};

// ------------------------------------------------------------- fitting

TEST(ScrollFit, OneAxisTable) {
  const struct {
    const char* name;
    bool centre;
    int content, pane, startPos;
    int offset, pos;
  } rows[] = {
      {"smaller content centred", true, 300, 500, 0, 100, 0},
      {"smaller content at the start without centring", false, 300, 500, 0, 0, 0},
      {"odd gap halved toward zero", true, 301, 500, 0, 99, 0},
      {"smaller content drops an old position", false, 300, 500, 120, 0, 0},
      {"one pixel larger than the pane", false, 501, 500, 40, -1, 1},
      {"content as large as the pane", false, 500, 500, 40, 0, 0},
      {"position kept inside the range", false, 1000, 400, 250, -250, 250},
      {"position at the end stays", false, 1000, 400, 600, -600, 600},
      {"position clamped when the pane grows", false, 1000, 500, 600, -500, 500},
      {"larger content is not centred", true, 1000, 400, 100, -100, 100},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CScroll pane;
    pane.centre = row.centre;
    SCROLLINFO state{};
    state.nPos = row.startPos;
    EXPECT_EQ(row.offset, pane.FitAxis(&state, row.content, row.pane));
    EXPECT_EQ(row.pos, state.nPos);
    EXPECT_GE(state.nPos, 0);
    EXPECT_EQ(0, state.nMin);
    EXPECT_EQ(row.content, state.nMax);
    EXPECT_EQ(static_cast<UINT>(row.pane), state.nPage);
    EXPECT_EQ(static_cast<UINT>(SIF_RANGE | SIF_PAGE | SIF_POS), state.fMask & (SIF_RANGE | SIF_PAGE | SIF_POS));
  }
}

// ------------------------------------------------------------- scroll panes

class ScrollPaneTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    LoadNamesOnce();
    host_ = CreateHost(0, 0, 800, 600);
    ASSERT_NE(nullptr, host_);
  }
  void TearDown() override {
    if (host_) DestroyWindow(host_);
    SettingsFixture::TearDown();
  }

  // A pane of the given size with a sheet of the given size in it.
  HWND MakePane(int sheetWidth, int sheetHeight, int paneWidth, int paneHeight, bool centre = false) {
    pane_.sheetWidth = sheetWidth;
    pane_.sheetHeight = sheetHeight;
    pane_.centre = centre;
    HWND hwnd = nullptr;
    if (!CchildCreateWindowEx(host_, Inst(), &paneClass_, L"TestPane", WHITE_BRUSH, paneWidth, &pane_,
                              &hwnd, HERE))
      return nullptr;
    MoveWindow(hwnd, 0, 0, paneWidth, paneHeight, TRUE);
    return hwnd;
  }
  POINT SheetAt(HWND pane) const { return OriginIn(pane_.content, pane); }

  HWND host_ = nullptr;
  TestPane pane_;
  WNDCLASSEXW paneClass_{};
};

TEST_F(ScrollPaneTest, SmallerContentCentredOnlyWithTheFlag) {
  const struct {
    const char* name;
    bool centre;
    LONG x, y;
  } rows[] = {{"centred", true, 100, 100}, {"top left", false, 0, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HWND pane = MakePane(300, 200, 500, 400, row.centre);
    ASSERT_NE(nullptr, pane);
    EXPECT_EQ(row.x, SheetAt(pane).x);
    EXPECT_EQ(row.y, SheetAt(pane).y);
    EXPECT_EQ(0, pane_.hscroll.nPos);
    EXPECT_EQ(0, pane_.vscroll.nPos);
    EXPECT_FALSE(HasStyle(pane, WS_HSCROLL | WS_VSCROLL));
    DestroyWindow(pane);
  }
}

TEST_F(ScrollPaneTest, GrowingPaneClampsThePosition) {
  HWND pane = MakePane(100, 1000, 500, 400);
  ASSERT_NE(nullptr, pane);
  SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 600), 0);
  ASSERT_EQ(600, pane_.vscroll.nPos);
  ASSERT_EQ(-600, SheetAt(pane).y);

  MoveWindow(pane, 0, 0, 500, 500, TRUE);
  EXPECT_EQ(500, pane_.vscroll.nPos);
  EXPECT_EQ(500, GetScrollPos(pane, SB_VERT));
  EXPECT_EQ(-500, SheetAt(pane).y);
}

TEST_F(ScrollPaneTest, PageDownStopsAtTheEnd) {
  HWND pane = MakePane(100, 1000, 500, 400);
  ASSERT_NE(nullptr, pane);
  SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 550), 0);
  ASSERT_EQ(-550, SheetAt(pane).y);

  SendMessageW(pane, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(600, pane_.vscroll.nPos);
  EXPECT_EQ(600, GetScrollPos(pane, SB_VERT));
  EXPECT_EQ(-600, SheetAt(pane).y);

  SendMessageW(pane, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(600, pane_.vscroll.nPos);
  EXPECT_EQ(-600, SheetAt(pane).y);
}

TEST_F(ScrollPaneTest, ScrollRequestsTable) {
  HWND pane = MakePane(100, 1000, 500, 400);
  ASSERT_NE(nullptr, pane);
  const struct {
    const char* name;
    int start;
    WPARAM request;
    int pos;
  } rows[] = {
      {"line down", 100, SB_LINEDOWN, 120},
      {"line up", 100, SB_LINEUP, 80},
      {"line up at the start", 0, SB_LINEUP, 0},
      {"page up", 500, SB_PAGEUP, 100},
      {"page up past the start", 100, SB_PAGEUP, 0},
      {"thumb tracking", 100, MAKEWPARAM(SB_THUMBTRACK, 333), 333},
      {"thumb past the end", 100, MAKEWPARAM(SB_THUMBPOSITION, 900), 600},
      {"top is ignored", 100, SB_TOP, 100},
      {"bottom is ignored", 100, SB_BOTTOM, 100},
      {"end of scroll is ignored", 100, SB_ENDSCROLL, 100},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, row.start), 0);
    ASSERT_EQ(row.start, pane_.vscroll.nPos);
    SendMessageW(pane, WM_VSCROLL, row.request, 0);
    EXPECT_EQ(row.pos, pane_.vscroll.nPos);
    EXPECT_EQ(row.pos, GetScrollPos(pane, SB_VERT));
    EXPECT_EQ(-row.pos, SheetAt(pane).y);
  }
}

TEST_F(ScrollPaneTest, HomeAndEndJumpToTheEnds) {
  HWND pane = MakePane(100, 1000, 500, 400);
  ASSERT_NE(nullptr, pane);
  const struct {
    const char* name;
    int start;
    WPARAM key;
    int pos;
  } rows[] = {
      {"home from the middle", 250, VK_HOME, 0},
      {"home from the end", 600, VK_HOME, 0},
      {"home at the start", 0, VK_HOME, 0},
      {"end from the start", 0, VK_END, 600},
      {"end from the middle", 250, VK_END, 600},
      {"end at the end", 600, VK_END, 600},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, row.start), 0);
    SendMessageW(pane, WM_KEYDOWN, row.key, 0);
    EXPECT_EQ(row.pos, pane_.vscroll.nPos);
    EXPECT_EQ(row.pos, GetScrollPos(pane, SB_VERT));
    EXPECT_EQ(-row.pos, SheetAt(pane).y);
  }
}

TEST_F(ScrollPaneTest, ArrowKeysTable) {
  const struct {
    const char* name;
    int sheetWidth, sheetHeight;
    int startH, startV;
    WPARAM key;
    int h, v;
  } rows[] = {
      {"right does nothing when only taller", 300, 1000, 0, 100, VK_RIGHT, 0, 100},
      {"left does nothing when only taller", 300, 1000, 0, 100, VK_LEFT, 0, 100},
      {"down when taller", 300, 1000, 0, 100, VK_DOWN, 0, 120},
      {"up when taller", 300, 1000, 0, 100, VK_UP, 0, 80},
      {"page down when taller", 300, 1000, 0, 100, VK_NEXT, 0, 500},
      {"page up when taller", 300, 1000, 0, 100, VK_PRIOR, 0, 0},
      {"right when wider", 1000, 300, 100, 0, VK_RIGHT, 120, 0},
      {"left when wider", 1000, 300, 100, 0, VK_LEFT, 80, 0},
      {"down does nothing when only wider", 1000, 300, 100, 0, VK_DOWN, 100, 0},
      {"end does nothing when only wider", 1000, 300, 100, 0, VK_END, 100, 0},
      {"right in both directions", 1000, 1000, 100, 100, VK_RIGHT, 120, 100},
      {"down in both directions", 1000, 1000, 100, 100, VK_DOWN, 100, 120},
      {"other keys do nothing", 1000, 1000, 100, 100, 'A', 100, 100},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HWND pane = MakePane(row.sheetWidth, row.sheetHeight, 500, 400);
    ASSERT_NE(nullptr, pane);
    ThumbTo(pane, row.startH, row.startV);
    ASSERT_EQ(row.startH, pane_.hscroll.nPos);
    ASSERT_EQ(row.startV, pane_.vscroll.nPos);
    SendMessageW(pane, WM_KEYDOWN, row.key, 0);
    EXPECT_EQ(row.h, pane_.hscroll.nPos);
    EXPECT_EQ(row.v, pane_.vscroll.nPos);
    EXPECT_EQ(-row.h, SheetAt(pane).x);
    EXPECT_EQ(-row.v, SheetAt(pane).y);
    DestroyWindow(pane);
  }
}

TEST_F(ScrollPaneTest, WheelScrollsOneLinePerMessage) {
  HWND pane = MakePane(100, 1000, 500, 400);
  ASSERT_NE(nullptr, pane);
  const struct {
    const char* name;
    short delta;
    int pos;
  } rows[] = {
      {"one notch up", 120, 80},     {"one notch down", -120, 120}, {"four notches down", -480, 120},
      {"eight notches up", 960, 80}, {"tiny up", 1, 80},            {"tiny down", -1, 120},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 100), 0);
    EXPECT_EQ(1, SendMessageW(pane, WM_MOUSEWHEEL, WheelDelta(row.delta), 0));
    EXPECT_EQ(row.pos, pane_.vscroll.nPos);
    EXPECT_EQ(-row.pos, SheetAt(pane).y);
  }
}

TEST_F(ScrollPaneTest, ContentThatFitsNeverScrolls) {
  const struct {
    const char* name;
    UINT msg;
    WPARAM request;
  } rows[] = {
      {"line down", WM_VSCROLL, SB_LINEDOWN},
      {"page down", WM_VSCROLL, SB_PAGEDOWN},
      {"page up", WM_VSCROLL, SB_PAGEUP},
      {"thumb", WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50)},
      {"thumb tracking", WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 50)},
      {"line right", WM_HSCROLL, SB_LINERIGHT},
      {"page right", WM_HSCROLL, SB_PAGERIGHT},
      {"thumb across", WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50)},
      {"end key", WM_KEYDOWN, VK_END},
      {"wheel down", WM_MOUSEWHEEL, WheelDelta(-120)},
  };
  HWND pane = MakePane(300, 200, 500, 400);
  ASSERT_NE(nullptr, pane);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SendMessageW(pane, row.msg, row.request, 0);
    EXPECT_EQ(0, pane_.hscroll.nPos);
    EXPECT_EQ(0, pane_.vscroll.nPos);
    EXPECT_EQ(0, GetScrollPos(pane, SB_VERT));
    EXPECT_EQ(0, GetScrollPos(pane, SB_HORZ));
    EXPECT_EQ(0, SheetAt(pane).x);
    EXPECT_EQ(0, SheetAt(pane).y);
  }
}

TEST_F(ScrollPaneTest, ShrinkingContentBelowThePaneResetsThePosition) {
  HWND pane = MakePane(100, 1000, 500, 400);
  ASSERT_NE(nullptr, pane);
  SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 300), 0);
  ASSERT_EQ(300, pane_.vscroll.nPos);
  // The pane is told its content changed size, as a pane whose content
  // resizes itself does.
  pane_.contentHeight = 150;
  MoveWindow(pane_.content, 0, -300, 100, 150, FALSE);
  MoveWindow(pane, 0, 0, 500, 401, TRUE);
  EXPECT_EQ(0, pane_.vscroll.nPos);
  EXPECT_EQ(0, SheetAt(pane).y);
  SendMessageW(pane, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(0, pane_.vscroll.nPos);
  EXPECT_EQ(0, SheetAt(pane).y);
}

TEST_F(ScrollPaneTest, ScrollBarsFollowTheContent) {
  const struct {
    const char* name;
    int sheetWidth, sheetHeight;
    bool horizontal, vertical;
  } rows[] = {
      {"fits", 300, 200, false, false},
      {"taller", 300, 1000, false, true},
      {"wider", 1000, 300, true, false},
      {"both", 1000, 1000, true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HWND pane = MakePane(row.sheetWidth, row.sheetHeight, 500, 400);
    ASSERT_NE(nullptr, pane);
    EXPECT_EQ(row.horizontal, HasStyle(pane, WS_HSCROLL));
    EXPECT_EQ(row.vertical, HasStyle(pane, WS_VSCROLL));
    EXPECT_EQ(row.horizontal, pane_.ContentWider());
    EXPECT_EQ(row.vertical, pane_.ContentTaller());
    SCROLLINFO bar{};
    bar.cbSize = sizeof bar;
    bar.fMask = SIF_RANGE | SIF_PAGE;
    if (row.vertical) {
      ASSERT_TRUE(GetScrollInfo(pane, SB_VERT, &bar));
      EXPECT_EQ(row.sheetHeight, bar.nMax);
      EXPECT_EQ(static_cast<UINT>(ClientSize(pane).cy), bar.nPage);
    }
    DestroyWindow(pane);
  }
}

TEST_F(ScrollPaneTest, CloseClosesTheContentFirst) {
  HWND pane = MakePane(300, 200, 500, 400);
  ASSERT_NE(nullptr, pane);
  HWND sheet = pane_.content;
  SendMessageW(pane, WM_CLOSE, 0, 0);
  EXPECT_EQ(1, pane_.sheet.closes);
  EXPECT_TRUE(pane_.sheet.paneAliveAtClose);
  EXPECT_FALSE(IsWindow(sheet));
  EXPECT_FALSE(IsWindow(pane));
}

TEST_F(ScrollPaneTest, CommandsGoToTheContent) {
  HWND pane = MakePane(300, 200, 500, 400);
  ASSERT_NE(nullptr, pane);
  EXPECT_EQ(Sheet::kCommandAnswer, SendMessageW(pane, WM_COMMAND, MAKEWPARAM(1234, 0), 0));
  EXPECT_EQ(1234u, pane_.sheet.lastCommand);
}

TEST_F(ScrollPaneTest, PaneWithoutOwnCreationRefusesToExist) {
  CScroll bare;
  WNDCLASSEXW wc{};
  HWND hwnd = nullptr;
  int made = CchildCreateWindowEx(host_, Inst(), &wc, L"BarePane", WHITE_BRUSH, 100, &bare, &hwnd, HERE);
  EXPECT_FALSE(made && IsWindow(hwnd));
  const std::vector<RecordedBox>& boxes = BoxRecorder::Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(L"CScroll::WmCreate::Maybe, You have to OverWrite This Function!", boxes[0].text);
  EXPECT_EQ(L"CONFIRM", boxes[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), boxes[0].style & MB_ICONMASK);
}

TEST_F(ScrollPaneTest, PaneWithoutContentRefusesToExist) {
  pane_.makeSheet = false;
  HWND hwnd = MakePane(300, 200, 500, 400);
  EXPECT_FALSE(hwnd && IsWindow(hwnd));
  for (const std::wstring& text : BoxTexts())
    EXPECT_EQ(std::wstring::npos, text.find(L"CScroll::WmCreate")) << "the pane did create";
}

// ------------------------------------------------------------- layout pane

constexpr int kPaneX = 30, kPaneY = 40, kPaneWidth = 500, kPaneHeight = 400;

class LayoutPaneTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    LoadNamesOnce();
    undo.Init();
    ResetLayout();
    host_ = CreateHost(kPaneX, kPaneY, 800, 600);
    ASSERT_NE(nullptr, host_);
    ASSERT_EQ(1, CreateLayoutPane(host_, Inst()));
    ASSERT_NE(nullptr, layoutPaneWindow);
    ASSERT_NE(nullptr, gridWindow);
    pane_ = layoutPaneWindow;
    MoveWindow(pane_, 0, 0, kPaneWidth, kPaneHeight, TRUE);
  }
  void TearDown() override {
    if (host_) DestroyWindow(host_);
    EXPECT_EQ(nullptr, layoutPaneWindow);
    EXPECT_EQ(nullptr, gridWindow);
    SettingsFixture::TearDown();
  }

  POINT GridAt() const { return OriginIn(gridWindow, pane_); }
  static LayoutCell& Put(int x, int y, const wchar_t* name, int state) {
    LayoutCell& c = Cell(x, y);
    c.kind = LOOM;
    CopyText(c.name, 11, name);
    CopyText(c.ip, 11, L"001.017");
    c.state = state;
    return c;
  }
  // Snapshots since the last call.
  int NewSnapshots() {
    int taken = (undo.writeSlot - seenSlot_ + kUndoSlots) % kUndoSlots;
    seenSlot_ = undo.writeSlot;
    return taken;
  }

  HWND host_ = nullptr;
  HWND pane_ = nullptr;

 private:
  int seenSlot_ = 0;
};

bool HasClassOf(HWND hwnd, const std::wstring& stem) {
  wchar_t cls[kTextMax + 1] = L"";
  GetClassNameW(hwnd, cls, kTextMax + 1);
  std::wstring name = cls, head = std::wstring(app.name) + L"_" + stem;
  if (name.compare(0, head.size(), head) != 0 || name.size() == head.size()) return false;
  return name.find_first_not_of(L"0123456789", head.size()) == std::wstring::npos;
}

TEST_F(LayoutPaneTest, PaneHoldsTheGridInClassesOfTheirOwn) {
  EXPECT_EQ(pane_, GetParent(gridWindow));
  EXPECT_TRUE(HasClassOf(pane_, L"CLayout"));
  EXPECT_TRUE(HasClassOf(gridWindow, L"CLayout2"));
  EXPECT_EQ(&layoutPane, ObjectOf(pane_));
  EXPECT_EQ(&grid, ObjectOf(gridWindow));
  // The detailed grid is larger than the pane: both bars are there.
  EXPECT_TRUE(HasStyle(pane_, WS_HSCROLL));
  EXPECT_TRUE(HasStyle(pane_, WS_VSCROLL));
  EXPECT_EQ(ClientSize(gridWindow).cy, layoutPane.vscroll.nMax);
  EXPECT_EQ(ClientSize(gridWindow).cx, layoutPane.hscroll.nMax);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LayoutPaneTest, WheelScrollsSixtyPixelsPerMessage) {
  const struct {
    const char* name;
    short delta;
    int pos;
  } rows[] = {
      {"one notch down", -120, 180}, {"one notch up", 120, 60}, {"three notches down", -360, 180},
      {"tiny up", 1, 60},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ThumbTo(pane_, 0, 120);
    EXPECT_EQ(1, SendMessageW(pane_, WM_MOUSEWHEEL, WheelDelta(row.delta), 0));
    EXPECT_EQ(row.pos, layoutPane.vscroll.nPos);
    EXPECT_EQ(-row.pos, GridAt().y);
    EXPECT_EQ(0, layoutPane.hscroll.nPos);
  }
}

TEST_F(LayoutPaneTest, KeysAndGridRequestsStepSixtyPixels) {
  const struct {
    const char* name;
    UINT msg;
    WPARAM wParam;
    int h, v;
  } rows[] = {
      {"down key", WM_KEYDOWN, VK_DOWN, 120, 180},
      {"up key", WM_KEYDOWN, VK_UP, 120, 60},
      {"right key", WM_KEYDOWN, VK_RIGHT, 180, 120},
      {"left key", WM_KEYDOWN, VK_LEFT, 60, 120},
      {"grid asks a line up", WM_2PARENT, MAKEWPARAM(0, 1), 120, 60},
      {"grid asks a line down", WM_2PARENT, MAKEWPARAM(1, 1), 120, 180},
      {"grid asks a line left", WM_2PARENT, MAKEWPARAM(2, 1), 60, 120},
      {"grid asks a line right", WM_2PARENT, MAKEWPARAM(3, 1), 180, 120},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ThumbTo(pane_, 120, 120);
    // Grid requests come from the grid view, which passes them up.
    SendMessageW(row.msg == WM_2PARENT ? gridWindow : pane_, row.msg, row.wParam, 0);
    EXPECT_EQ(row.h, layoutPane.hscroll.nPos);
    EXPECT_EQ(row.v, layoutPane.vscroll.nPos);
    EXPECT_EQ(-row.h, GridAt().x);
    EXPECT_EQ(-row.v, GridAt().y);
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LayoutPaneTest, GridAsksForThePaneRectangleOnScreen) {
  RECT rc{};
  EXPECT_NE(0, SendMessageW(gridWindow, WM_2PARENT, MAKEWPARAM(0, 0), reinterpret_cast<LPARAM>(&rc)));
  EXPECT_EQ(kPaneX, rc.left);
  EXPECT_EQ(kPaneY, rc.top);
  EXPECT_EQ(kPaneX + kPaneWidth, rc.right);
  EXPECT_EQ(kPaneY + kPaneHeight, rc.bottom);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LayoutPaneTest, UnknownGridRequestsAreReported) {
  const struct {
    const char* name;
    WPARAM wParam;
  } rows[] = {
      {"step beyond right", MAKEWPARAM(4, 1)},
      {"request kind 2", MAKEWPARAM(0, 2)},
      {"request kind 0xFFFF", MAKEWPARAM(1, 0xFFFF)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    BoxRecorder::Clear();
    ThumbTo(pane_, 60, 60);
    EXPECT_EQ(0, SendMessageW(gridWindow, WM_2PARENT, row.wParam, 0));
    ASSERT_EQ(1u, BoxRecorder::Boxes().size());
    const std::wstring& text = BoxRecorder::Boxes()[0].text;
    EXPECT_TRUE(EndsWith(text, L"\r\nWM_2PARENT(CLayout::WndProc):Unknown command"));
    EXPECT_NE(std::wstring::npos, text.find(L"std2_layout_view.cpp:"));
    EXPECT_EQ(60, layoutPane.hscroll.nPos);
    EXPECT_EQ(60, layoutPane.vscroll.nPos);
  }
}

TEST_F(LayoutPaneTest, RelayedCommandsRefitToTheTopLeftWhenTheGridChanged) {
  const struct {
    const char* name;
    WPARAM code;
    LPARAM lParam;
    bool refits;
  } rows[] = {
      {"redraw", 13, 0, true},
      {"group mode off", 12, 0, true},
      {"detailed view", 0, 1, true},
      {"clear marks", 3, 0, true},
      {"group mode query", 11, 0, false},
      {"cell refresh", 10, 5, false},
      {"unknown code", 4, 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ThumbTo(pane_, 120, 180);
    EXPECT_EQ(1, SendMessageW(pane_, WM_LAYOUT, row.code, row.lParam));
    const int h = row.refits ? 0 : 120, v = row.refits ? 0 : 180;
    EXPECT_EQ(h, layoutPane.hscroll.nPos);
    EXPECT_EQ(v, layoutPane.vscroll.nPos);
    EXPECT_EQ(h, GetScrollPos(pane_, SB_HORZ));
    EXPECT_EQ(v, GetScrollPos(pane_, SB_VERT));
    EXPECT_EQ(-h, GridAt().x);
    EXPECT_EQ(-v, GridAt().y);
  }
}

TEST_F(LayoutPaneTest, OverviewFitsThePaneAndDetailedViewScrollsAgain) {
  ThumbTo(pane_, 300, 300);
  ASSERT_EQ(1, SendMessageW(pane_, WM_LAYOUT, 0, 0));
  // All gaps 0: 201 units across the pane's 500 by 400, two pixels wide and
  // one high.
  EXPECT_EQ(402, ClientSize(gridWindow).cx);
  EXPECT_EQ(201, ClientSize(gridWindow).cy);
  EXPECT_FALSE(layoutPane.ContentWider());
  EXPECT_FALSE(layoutPane.ContentTaller());
  EXPECT_FALSE(HasStyle(pane_, WS_HSCROLL));
  EXPECT_FALSE(HasStyle(pane_, WS_VSCROLL));
  EXPECT_EQ(0, GridAt().x);
  EXPECT_EQ(0, GridAt().y);

  // Nothing to scroll: the wheel, the keys and the grid's steps leave it be.
  EXPECT_EQ(1, SendMessageW(pane_, WM_MOUSEWHEEL, WheelDelta(-120), 0));
  SendMessageW(pane_, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(pane_, WM_KEYDOWN, VK_END, 0);
  SendMessageW(gridWindow, WM_2PARENT, MAKEWPARAM(1, 1), 0);
  SendMessageW(gridWindow, WM_2PARENT, MAKEWPARAM(3, 1), 0);
  SendMessageW(pane_, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(0, layoutPane.vscroll.nPos);
  EXPECT_EQ(0, layoutPane.hscroll.nPos);
  EXPECT_EQ(0, GridAt().x);
  EXPECT_EQ(0, GridAt().y);

  ASSERT_EQ(1, SendMessageW(pane_, WM_LAYOUT, 0, 1));
  EXPECT_GT(ClientSize(gridWindow).cx, kPaneWidth);
  EXPECT_GT(ClientSize(gridWindow).cy, kPaneHeight);
  EXPECT_TRUE(HasStyle(pane_, WS_HSCROLL));
  EXPECT_TRUE(HasStyle(pane_, WS_VSCROLL));
  EXPECT_EQ(0, layoutPane.vscroll.nPos);
  EXPECT_EQ(ClientSize(gridWindow).cy, layoutPane.vscroll.nMax);
  EXPECT_EQ(1, SendMessageW(pane_, WM_MOUSEWHEEL, WheelDelta(-120), 0));
  EXPECT_EQ(60, layoutPane.vscroll.nPos);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LayoutPaneTest, OverviewKeepsRoomForTheGaps) {
  DX[5].value = 9;
  DY[7].value = 9;
  ASSERT_EQ(1, SendMessageW(gridWindow, WM_LAYOUT, 0, 0));
  // 210 units: two pixels a unit across 500, one down 400.
  EXPECT_EQ(420, ClientSize(gridWindow).cx);
  EXPECT_EQ(210, ClientSize(gridWindow).cy);
}

TEST_F(LayoutPaneTest, GridAnswersTheCodeTable) {
  Put(1, 1, L"A", 1);
  undo.Snapshot(nullptr);  // something for undo to go back to
  const struct {
    const char* name;
    WPARAM code;
    LPARAM lParam;
    bool nonZero;
    bool reported;
  } rows[] = {
      {"overview", 0, 0, true, false},
      {"detailed view", 0, 1, true, false},
      {"turn", 1, 180, true, false},
      {"undo", 2, 0, true, false},
      {"clear marks", 3, 0, true, false},
      {"cell refresh", 10, 0, false, false},
      {"redraw", 13, 0, true, false},
      {"clear marked", 15, 0, false, false},
      {"unknown 4", 4, 0, false, true},
      {"unknown 14", 14, 0, false, true},
      {"split window's own code", 30, 1, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    BoxRecorder::Clear();
    LRESULT result = SendMessageW(gridWindow, WM_LAYOUT, row.code, row.lParam);
    if (row.nonZero)
      EXPECT_NE(0, result);
    else
      EXPECT_EQ(0, result);
    if (row.reported) {
      ASSERT_EQ(1u, BoxRecorder::Boxes().size());
      const std::wstring& text = BoxRecorder::Boxes()[0].text;
      EXPECT_TRUE(EndsWith(text, L"\r\nWM_LAYOUT(CLayout2::WndProc):Unknown command"));
      EXPECT_NE(std::wstring::npos, text.find(L"std2_layout_view.cpp:"));
    } else {
      EXPECT_TRUE(BoxRecorder::Boxes().empty());
    }
  }
}

TEST_F(LayoutPaneTest, GroupModeIsKeptAndAnswered) {
  EXPECT_EQ(0, SendMessageW(gridWindow, WM_LAYOUT, 11, 0));
  const struct {
    const char* name;
    LPARAM mode;
  } rows[] = {{"on", 1}, {"another value", 7}, {"off", 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_NE(0, SendMessageW(gridWindow, WM_LAYOUT, 12, row.mode));
    EXPECT_EQ(row.mode, SendMessageW(gridWindow, WM_LAYOUT, 11, 0));
    // Through the pane the answer is always 1.
    EXPECT_EQ(1, SendMessageW(pane_, WM_LAYOUT, 11, 0));
  }
}

TEST_F(LayoutPaneTest, GridRunsTheEditingOperations) {
  Put(0, 0, L"A", 1);
  Put(2, 0, L"B", 1);
  undo.Snapshot(nullptr);
  NewSnapshots();

  ASSERT_EQ(1, SendMessageW(pane_, WM_LAYOUT, 1, 180));
  EXPECT_STREQ(L"A", Cell(2, 0).name);
  EXPECT_STREQ(L"B", Cell(0, 0).name);
  EXPECT_EQ(1, NewSnapshots());

  ASSERT_EQ(1, SendMessageW(pane_, WM_LAYOUT, 2, 0));
  EXPECT_STREQ(L"A", Cell(0, 0).name);
  EXPECT_STREQ(L"B", Cell(2, 0).name);

  Cell(0, 0).state = 11;
  ASSERT_EQ(1, SendMessageW(pane_, WM_LAYOUT, 3, 0));
  EXPECT_EQ(1, Cell(0, 0).state);
  EXPECT_EQ(0, NewSnapshots());

  Cell(2, 0).state = 11;
  SendMessageW(pane_, WM_LAYOUT, 15, 0);
  EXPECT_STREQ(L"", Cell(2, 0).name);
  EXPECT_STREQ(L"A", Cell(0, 0).name);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LayoutPaneTest, CellRefreshSnapshotsOnlyInTheDetailedView) {
  Put(3, 3, L"C", 1);
  NewSnapshots();
  const struct {
    const char* name;
    LPARAM detailed;
    int snapshots;
  } rows[] = {{"detailed", 1, 1}, {"overview", 0, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SendMessageW(gridWindow, WM_LAYOUT, 0, row.detailed);
    NewSnapshots();
    EXPECT_EQ(0, SendMessageW(gridWindow, WM_LAYOUT, 10, 3 * kCols + 3));
    EXPECT_EQ(row.snapshots, NewSnapshots());
  }
}

TEST_F(LayoutPaneTest, ClosingThePaneClosesTheGridAndForgetsBoth) {
  HWND oldPane = pane_, oldGrid = gridWindow;
  wchar_t oldClass[kTextMax + 1] = L"";
  GetClassNameW(oldGrid, oldClass, kTextMax + 1);
  SendMessageW(pane_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(oldGrid));
  EXPECT_FALSE(IsWindow(oldPane));
  EXPECT_EQ(nullptr, layoutPaneWindow);
  EXPECT_EQ(nullptr, gridWindow);

  // Rebuilding the panes reuses the objects with new windows and classes.
  ASSERT_EQ(1, CreateLayoutPane(host_, Inst()));
  ASSERT_NE(nullptr, layoutPaneWindow);
  ASSERT_NE(nullptr, gridWindow);
  EXPECT_EQ(&layoutPane, ObjectOf(layoutPaneWindow));
  EXPECT_EQ(&grid, ObjectOf(gridWindow));
  wchar_t newClass[kTextMax + 1] = L"";
  GetClassNameW(gridWindow, newClass, kTextMax + 1);
  EXPECT_STRNE(oldClass, newClass);
  EXPECT_TRUE(HasClassOf(gridWindow, L"CLayout2"));
  EXPECT_EQ(layoutPaneWindow, GetParent(gridWindow));
  EXPECT_EQ(kDetailedView, grid.displayMode);
  EXPECT_EQ(0, grid.groupMode);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

}  // namespace
