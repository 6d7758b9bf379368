// The layout table, its state helpers and the default type and host tables.
#include <windows.h>

#include <climits>
#include <cstring>

#include "std/std_inetdlg.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "tests/support.h"

namespace {

void FillCell(LayoutCell& c) {
  wcscpy(c.name, L"A-001");
  wcscpy(c.ip, L"001.017");
  c.segment = 3;
  c.state = 15;
  for (int s = 0; s < kSections; ++s) c.group[s] = s;
  c.spare = 77;
  c.kind = LTB;
  for (int i = 0; i < 15; ++i) c.reserved[i] = i + 1;
}

TEST(LayoutTableTest, ResetEmptiesEveryCellAndGap) {
  for (LayoutCell& c : layout) {
    FillCell(c);
    c.hwnd = reinterpret_cast<HWND>(1);
  }
  DX[5].value = 7;
  DY[39].combo = reinterpret_cast<HWND>(2);
  ResetLayout();
  for (int i = 0; i < kCells; ++i) {
    const LayoutCell& c = layout[i];
    ASSERT_FALSE(IsOccupied(c)) << i;
    ASSERT_EQ(L'\0', c.ip[0]) << i;
    ASSERT_EQ(0, c.segment + c.state + c.spare + c.kind) << i;
    ASSERT_EQ(nullptr, c.hwnd) << i;
    for (int s = 0; s < kSections; ++s) ASSERT_EQ(-1, c.group[s]) << i;
  }
  for (int k = 0; k < kCols; ++k) {
    EXPECT_EQ(0, DX[k].value);
    EXPECT_EQ(nullptr, DY[k].combo);
  }
}

TEST(LayoutTableTest, CellsAreRowMajor) {
  EXPECT_EQ(&layout[0], &Cell(0, 0));
  EXPECT_EQ(&layout[39], &Cell(39, 0));
  EXPECT_EQ(&layout[40], &Cell(0, 1));
  EXPECT_EQ(&layout[1599], &Cell(39, 39));
}

TEST(LayoutTableTest, ClearKeepsWindowRectangleAndSpare) {
  LayoutCell c = {};
  FillCell(c);
  c.hwnd = nullptr;
  c.rect = RECT{1, 2, 3, 4};
  ClearCell(c);
  EXPECT_STREQ(L"", c.name);
  EXPECT_STREQ(L"", c.ip);
  EXPECT_EQ(0, c.segment);
  EXPECT_EQ(0, c.state);
  EXPECT_EQ(LOOM, c.kind);
  for (int s = 0; s < kSections; ++s) EXPECT_EQ(-1, c.group[s]);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(0, c.reserved[i]);
  EXPECT_EQ(77, c.spare);
  EXPECT_EQ(2, c.rect.top);
}

TEST(LayoutTableTest, ClearEmptiesTheCellWindowText) {
  HWND w = CreateWindowExW(0, L"STATIC", L"A-001", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                           nullptr);
  ASSERT_NE(nullptr, w);
  LayoutCell c = {};
  FillCell(c);
  c.hwnd = w;
  ClearCell(c);
  wchar_t text[16] = L"?";
  GetWindowTextW(w, text, 16);
  EXPECT_STREQ(L"", text);
  EXPECT_EQ(w, c.hwnd);
  DestroyWindow(w);
}

TEST(LayoutTableTest, CopyTakesTheItemButNotTheView) {
  LayoutCell from = {}, to = {};
  FillCell(from);
  from.hwnd = reinterpret_cast<HWND>(0x10);
  from.rect = RECT{1, 1, 1, 1};
  to.hwnd = reinterpret_cast<HWND>(0x20);
  to.rect = RECT{9, 9, 9, 9};
  CopyItem(to, from);
  EXPECT_EQ(0, memcmp(static_cast<LayoutItem*>(&to), static_cast<LayoutItem*>(&from),
                      sizeof(LayoutItem)));
  EXPECT_EQ(reinterpret_cast<HWND>(0x20), to.hwnd);
  EXPECT_EQ(9, to.rect.left);
}

TEST(LayoutTableTest, SegmentLabels) {
  struct Row {
    int segment;
    const wchar_t* label;
  } rows[] = {{0, L"ALL"},  {1, L"S01"},   {5, L"S05"},     {9, L"S09"},    {10, L"ALL"},
              {12, L"ALL"}, {99, L"ALL"},  {-1, L"ALL"},    {INT_MIN, L"ALL"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.segment);
    EXPECT_STREQ(row.label, SegmentLabel(row.segment));
  }
}

TEST(LayoutTableTest, StateHelpersForEveryInteger) {
  struct Row {
    int state, code, mark, shown, cleared;
  } rows[] = {
      {0, 0, kUnmarked, 0, 0},        {7, 7, kUnmarked, 0, 7},
      {13, 3, kSelected, 1, 3},       {25, 5, kMoveMarked, 1, 5},
      {31, 1, kMoveMarked, 0, 1},     {-7, 0, kUnmarked, 0, -7},
      {INT_MIN, 0, kUnmarked, 0, INT_MIN},
      {INT_MAX, 7, kMoveMarked, 0, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.state);
    EXPECT_EQ(row.code, DisplayCode(row.state));
    EXPECT_EQ(row.mark, MarkOf(row.state));
    EXPECT_EQ(row.shown, IsMarkShown(row.state));
    EXPECT_EQ(row.cleared, WithoutMark(row.state));
    EXPECT_GE(DisplayCode(row.state), 0);
    EXPECT_LE(DisplayCode(row.state), 9);
  }
}

TEST(TypeNamesTest, DefaultsLeaveTheLastFiveEmpty) {
  wcscpy(types.TypeNames[7], L"stale");
  types.Defaults();
  const wchar_t* expected[kTypeCount] = {L"LOOM", L"HOST", L"ECBOAD", L"WCAM", L"DOCUMENT",
                                         L"",     L"",     L"",       L"",     L""};
  for (int i = 0; i < kTypeCount; ++i) EXPECT_STREQ(expected[i], types.TypeNames[i]) << i;
}

TEST(HostServiceTest, DefaultsFollowTheHostSwitch) {
  for (int mavo : {0, 1}) {
    SCOPED_TRACE(mavo);
    intdlg.iMAVO = mavo;
    hosts.Defaults();
    const wchar_t* h = mavo ? L"172.017.000.201" : L"172.017.001.240";
    for (int row = 0; row <= 8; ++row) EXPECT_STREQ(h, hosts.HostServiceTable[row].ip) << row;
    for (int row = 9; row <= 11; ++row) {
      EXPECT_STREQ(L"", hosts.HostServiceTable[row].ip);
      EXPECT_STREQ(L"", hosts.HostServiceTable[row].name);
      EXPECT_STREQ(L"HOST", hosts.HostServiceTable[row].typeName);
      EXPECT_STREQ(L"", hosts.HostServiceTable[row].url);
    }
    const HostService& mavoRow = hosts.HostServiceTable[12];
    EXPECT_STREQ(L"172.017.000.210", mavoRow.ip);
    EXPECT_EQ(mavo, mavoRow.enabled);
    EXPECT_STREQ(L"MAVO", mavoRow.name);
    EXPECT_STREQ(L"/imavo/monitor.html", mavoRow.url);
    int enabled[kHostRows];
    for (int row = 0; row < kHostRows; ++row) {
      enabled[row] = hosts.HostServiceTable[row].enabled;
      EXPECT_EQ(0, hosts.HostServiceTable[row].segment);
    }
    const int expected[kHostRows] = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, mavo};
    EXPECT_EQ(0, memcmp(expected, enabled, sizeof enabled));
    EXPECT_STREQ(L"172.017", hosts.networkPrefix);
  }
  intdlg.iMAVO = 0;
}

TEST(HostServiceTest, DefaultRowTexts) {
  hosts.Defaults();
  struct Row {
    const wchar_t *name, *type, *url;
  } rows[] = {
      {L"SAVE", L"HOST", L"/tdm/tdm0.cgi"},          {L"LOAD", L"HOST", L"/tdm/tdm1.cgi"},
      {L"PATTERNSAVE", L"HOST", L"/tdm/tdm2.cgi"},   {L"PATTERNLOAD", L"HOST", L"/tdm/tdm3.cgi"},
      {L"CATALOG", L"DOCUMENT", L"/cgi-bin/ca03.cgi"}, {L"MRVHOST", L"HOST", L"/weave"},
      {L"ECBOAD0", L"ECBOAD", L"/"},                 {L"WCAM", L"WCAM", L"/"},
      {L"FACT", L"HOST", L"/netfunction"},
  };
  for (int row = 0; row < 9; ++row) {
    SCOPED_TRACE(row);
    EXPECT_STREQ(rows[row].name, hosts.HostServiceTable[row].name);
    EXPECT_STREQ(rows[row].type, hosts.HostServiceTable[row].typeName);
    EXPECT_STREQ(rows[row].url, hosts.HostServiceTable[row].url);
  }
}

}  // namespace
