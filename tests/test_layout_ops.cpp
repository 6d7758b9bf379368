// Editing operations on the layout table: marks, move, clear, sensors,
// segments, auto make-up, turn, group members, gaps, and what the view is told.
#include <windows.h>

#include <climits>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "std2/std2_layout.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_undo.h"
#include "tests/support.h"

namespace {

int Index(int x, int y) { return y * kCols + x; }

bool SameItem(const LayoutItem& a, const LayoutItem& b) {
  return wcscmp(a.name, b.name) == 0 && wcscmp(a.ip, b.ip) == 0 && a.segment == b.segment &&
         a.state == b.state && a.spare == b.spare && a.kind == b.kind &&
         memcmp(a.group, b.group, sizeof a.group) == 0 &&
         memcmp(a.reserved, b.reserved, sizeof a.reserved) == 0;
}

// Everything an operation may change: the items and the gap values.
struct TableState {
  std::vector<LayoutItem> items;
  int dx[kCols], dy[kRows];

  static TableState Now() {
    TableState t;
    t.items.assign(layout, layout + kCells);
    for (int k = 0; k < kCols; ++k) t.dx[k] = DX[k].value;
    for (int k = 0; k < kRows; ++k) t.dy[k] = DY[k].value;
    return t;
  }
  // The first difference from the live table, or empty when there is none.
  std::string DifferenceFromNow() const {
    for (int i = 0; i < kCells; ++i)
      if (!SameItem(items[i], layout[i])) return "cell " + std::to_string(i);
    for (int k = 0; k < kCols; ++k)
      if (dx[k] != DX[k].value) return "DX " + std::to_string(k);
    for (int k = 0; k < kRows; ++k)
      if (dy[k] != DY[k].value) return "DY " + std::to_string(k);
    return "";
  }
};

class RecordingReceiver : public LayoutReceiver {
 public:
  void CellTextChanged(int cell) override { relabelled.insert(cell); }
  void RepaintCell(int cell) override { repainted.insert(cell); }
  void LayOutAgain() override { ++layouts; }
  void TemplatesAdvanced() override { ++templates; }
  void Clear() {
    relabelled.clear();
    repainted.clear();
    layouts = templates = 0;
  }
  std::set<int> relabelled, repainted;
  int layouts = 0, templates = 0;
};

class LayoutOpsTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    undo.Init();
    ResetLayout();
    previous_ = SetLayoutReceiver(&seen);
    firstSlot_ = undo.writeSlot;
  }
  void TearDown() override {
    SetLayoutReceiver(previous_);
    // A snapshot that could not be written would have said so in a box.
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
    SettingsFixture::TearDown();
  }

  // Snapshots taken since the test began or since the last ForgetSnapshots
  // (fewer than the ring holds).
  int Snapshots() const { return (undo.writeSlot - firstSlot_ + kUndoSlots) % kUndoSlots; }
  void ForgetSnapshots() { firstSlot_ = undo.writeSlot; }

  static LayoutCell& Put(int x, int y, ItemKind kind, const wchar_t* name, const wchar_t* ip = L"",
                         int state = 0) {
    LayoutCell& c = Cell(x, y);
    c.kind = kind;
    CopyText(c.name, 11, name);
    CopyText(c.ip, 11, ip);
    c.state = state;
    return c;
  }
  static LayoutCell& Loom(int x, int y, const wchar_t* name, int state = 0) {
    return Put(x, y, LOOM, name, L"001.017", state);
  }
  static void Select(int x, int y) { Cell(x, y).state = DisplayCode(Cell(x, y).state) + 10; }
  // Marks every cell of the rectangle, empty or not.
  static void SelectBlock(int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Select(x, y);
  }
  static int FindName(const wchar_t* name) {
    for (int i = 0; i < kCells; ++i)
      if (wcscmp(layout[i].name, name) == 0) return i;
    return -1;
  }

  RecordingReceiver seen;

 private:
  LayoutReceiver* previous_ = nullptr;
  int firstSlot_ = 0;
};

// --- marks -----------------------------------------------------------------

TEST_F(LayoutOpsTest, MarkedMeansStateTenOrMore) {
  struct Row {
    int state;
    bool marked;
  } rows[] = {{0, false}, {9, false}, {10, true}, {19, true}, {25, true},
              {31, true}, {-1, false}, {-15, false}, {INT_MIN, false}, {INT_MAX, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.state);
    LayoutCell c = {};
    c.state = row.state;
    EXPECT_EQ(row.marked, IsMarked(c));
  }
}

// Each row: the state before, after ClearMarks, after MarkForMove.
TEST_F(LayoutOpsTest, ClearingAndRaisingMarksTakeNoSnapshot) {
  struct Row {
    int before, cleared, raised;
    bool repaintedOnRaise;
  } rows[] = {
      {0, 0, 0, false},         {7, 7, 7, false},       {13, 3, 23, true},
      {25, 5, 35, true},        {31, 1, 41, true},      {-12, -12, -12, false},
      {INT_MAX - 3, 4, INT_MAX - 3, false},  // cannot take another mark
  };
  const int n = static_cast<int>(std::size(rows));
  for (int i = 0; i < n; ++i) Cell(i, 0).state = rows[i].before;
  MarkForMove();
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(rows[i].before);
    EXPECT_EQ(rows[i].raised, Cell(i, 0).state);
    EXPECT_EQ(rows[i].repaintedOnRaise, seen.repainted.count(i) == 1);
  }
  for (int i = 0; i < n; ++i) Cell(i, 0).state = rows[i].before;
  seen.Clear();
  ClearMarks();
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(rows[i].before);
    EXPECT_EQ(rows[i].cleared, Cell(i, 0).state);
    EXPECT_EQ(rows[i].before >= 10, seen.repainted.count(i) == 1);
  }
  EXPECT_TRUE(seen.relabelled.empty());
  EXPECT_EQ(0, Snapshots());
}

// --- move ------------------------------------------------------------------

TEST_F(LayoutOpsTest, BlockMovesToTargetAndReplacesWhatLiesThere) {
  const wchar_t* names[2][3] = {{L"A1", L"A2", L"A3"}, {L"B1", L"B2", L"B3"}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      LayoutCell& c = Loom(4 + x, 10 + y, names[y][x], 1);
      c.group[2] = 7;
      c.spare = 40 + x;
    }
  SelectBlock(4, 10, 6, 11);
  MarkForMove();
  Loom(21, 1, L"OLD");
  Loom(23, 0, L"NEXT");
  seen.Clear();

  EXPECT_EQ(1, MoveMarked(20, 0, nullptr));

  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      SCOPED_TRACE(testing::Message() << "block cell " << x << "," << y);
      const LayoutCell& to = Cell(20 + x, y);
      EXPECT_STREQ(names[y][x], to.name);
      EXPECT_STREQ(L"001.017", to.ip);
      EXPECT_EQ(1, to.state);
      EXPECT_EQ(7, to.group[2]);
      EXPECT_EQ(40 + x, to.spare);
      const LayoutCell& from = Cell(4 + x, 10 + y);
      EXPECT_FALSE(IsOccupied(from));
      EXPECT_EQ(0, from.state);
      EXPECT_EQ(-1, from.group[2]);
    }
  EXPECT_EQ(-1, FindName(L"OLD"));
  EXPECT_STREQ(L"NEXT", Cell(23, 0).name);
  EXPECT_EQ(1, Snapshots());

  std::set<int> block;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      block.insert(Index(4 + x, 10 + y));
      block.insert(Index(20 + x, y));
    }
  EXPECT_EQ(block, seen.relabelled);
  EXPECT_EQ(block, seen.repainted);
}

TEST_F(LayoutOpsTest, PartOfABlockBeyondTheEdgeIsDropped) {
  Loom(4, 5, L"C1");
  Loom(5, 5, L"C2");
  Loom(6, 5, L"C3");
  SelectBlock(4, 5, 6, 5);
  EXPECT_EQ(1, MoveMarked(38, 20, nullptr));
  EXPECT_STREQ(L"C1", Cell(38, 20).name);
  EXPECT_STREQ(L"C2", Cell(39, 20).name);
  EXPECT_EQ(-1, FindName(L"C3"));
  EXPECT_STREQ(L"", Cell(0, 21).name);  // no wrap into the next row
  EXPECT_EQ(1, Snapshots());
}

TEST_F(LayoutOpsTest, MovedEmptyCellsOverwriteToo) {
  Loom(0, 0, L"L");
  SelectBlock(0, 0, 1, 0);  // the loom and the empty cell beside it
  Loom(11, 3, L"UNDER");
  Loom(12, 3, L"KEEP");
  EXPECT_EQ(1, MoveMarked(10, 3, nullptr));
  EXPECT_STREQ(L"L", Cell(10, 3).name);
  EXPECT_FALSE(IsOccupied(Cell(11, 3)));
  EXPECT_STREQ(L"KEEP", Cell(12, 3).name);
  // The empty cell left behind kept its (empty) label; the one it landed on lost one.
  EXPECT_EQ((std::set<int>{Index(0, 0), Index(10, 3), Index(11, 3)}), seen.relabelled);
  EXPECT_EQ((std::set<int>{Index(0, 0), Index(1, 0), Index(10, 3), Index(11, 3)}),
            seen.repainted);
}

TEST_F(LayoutOpsTest, CornerTakesSmallestColumnAndRowEachOnItsOwn) {
  Loom(5, 2, L"TOP", 11);
  Loom(3, 4, L"LEFT", 21);
  EXPECT_EQ(1, MoveMarked(10, 10, nullptr));
  EXPECT_STREQ(L"TOP", Cell(12, 10).name);
  EXPECT_STREQ(L"LEFT", Cell(10, 12).name);
  EXPECT_FALSE(IsOccupied(Cell(5, 2)));
  EXPECT_FALSE(IsOccupied(Cell(3, 4)));
}

TEST_F(LayoutOpsTest, MoveIsRefusedWithoutTargetOrMarks) {
  struct Row {
    const char* what;
    int tx, ty;
    bool marks;
  } rows[] = {{"left of the grid", -1, 0, true},   {"right of the grid", 40, 0, true},
              {"above the grid", 0, -1, true},     {"below the grid", 0, 40, true},
              {"nothing marked", 5, 5, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ResetLayout();
    Loom(3, 3, L"M", row.marks ? 11 : 1);
    const TableState before = TableState::Now();
    ForgetSnapshots();
    EXPECT_EQ(0, MoveMarked(row.tx, row.ty, nullptr));
    EXPECT_EQ("", before.DifferenceFromNow());
    EXPECT_EQ(0, Snapshots());
  }
}

TEST_F(LayoutOpsTest, UndoAfterMoveRestoresItemsAndLeavesTheView) {
  std::vector<HWND> windows;
  for (int i = 0; i < 4; ++i) {
    windows.push_back(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr));
    ASSERT_NE(nullptr, windows.back());
  }
  const int viewCells[4] = {Index(1, 1), Index(2, 1), Index(30, 30), Index(31, 30)};
  for (int i = 0; i < 4; ++i) layout[viewCells[i]].hwnd = windows[i];
  for (int i = 0; i < kCells; ++i) layout[i].rect = RECT{i, i + 1, i + 2, i + 3};
  Loom(1, 1, L"P").spare = 9;
  Loom(2, 1, L"Q", 5);
  Loom(31, 30, L"R");
  undo.Snapshot(nullptr);
  const TableState loaded = TableState::Now();
  SelectBlock(1, 1, 2, 1);

  ASSERT_EQ(1, MoveMarked(30, 30, nullptr));
  ASSERT_STREQ(L"Q", Cell(31, 30).name);
  ASSERT_EQ(1, undo.Restore(nullptr));

  EXPECT_EQ("", loaded.DifferenceFromNow());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(windows[i], layout[viewCells[i]].hwnd) << i;
  for (int i = 0; i < kCells; ++i) ASSERT_EQ(i + 2, layout[i].rect.right) << i;
  for (HWND w : windows) DestroyWindow(w);
}

// --- clear, sensors, segments ---------------------------------------------

TEST_F(LayoutOpsTest, ClearEmptiesMarkedCellsButKeepsSpare) {
  LayoutCell& gone = Loom(2, 2, L"GONE", 15);
  gone.spare = 77;
  gone.segment = 4;
  for (int s = 0; s < kSections; ++s) gone.group[s] = s + 1;
  gone.reserved[3] = 8;
  Loom(3, 2, L"STAY", 5);

  ClearMarked(nullptr);

  EXPECT_FALSE(IsOccupied(gone));
  EXPECT_STREQ(L"", gone.ip);
  EXPECT_EQ(0, gone.state);
  EXPECT_EQ(0, gone.segment);
  EXPECT_EQ(0, gone.reserved[3]);
  for (int s = 0; s < kSections; ++s) EXPECT_EQ(-1, gone.group[s]) << s;
  EXPECT_EQ(77, gone.spare);
  EXPECT_STREQ(L"STAY", Cell(3, 2).name);
  EXPECT_EQ(5, Cell(3, 2).state);
  EXPECT_EQ(std::set<int>{Index(2, 2)}, seen.relabelled);
  EXPECT_EQ(std::set<int>{Index(2, 2)}, seen.repainted);
  EXPECT_EQ(1, Snapshots());
}

TEST_F(LayoutOpsTest, SensorGoesOnEmptyCellsOnly) {
  LayoutCell& empty = Cell(0, 0);
  empty.state = 10;
  empty.spare = 3;
  empty.segment = 6;
  empty.group[1] = 2;
  LayoutCell& loom = Loom(1, 0, L"L1", 13);
  loom.segment = 2;
  const LayoutItem loomBefore = loom;
  Cell(2, 0).state = 0;  // an empty cell that is not marked

  MakeSensors(nullptr);

  EXPECT_EQ(SENSOR, empty.kind);
  EXPECT_STREQ(L"SENSOR", empty.name);
  EXPECT_STREQ(L"", empty.ip);
  EXPECT_EQ(7, empty.state);
  EXPECT_EQ(0, empty.segment);
  EXPECT_EQ(-1, empty.group[1]);
  EXPECT_EQ(3, empty.spare);
  LayoutItem loomExpected = loomBefore;
  loomExpected.state = 3;
  EXPECT_TRUE(SameItem(loomExpected, loom));
  EXPECT_FALSE(IsOccupied(Cell(2, 0)));
  EXPECT_EQ(std::set<int>{Index(0, 0)}, seen.relabelled);
  EXPECT_EQ((std::set<int>{Index(0, 0), Index(1, 0)}), seen.repainted);
  EXPECT_EQ(1, Snapshots());
}

TEST_F(LayoutOpsTest, SegmentGoesToMarkedLoomsOnly) {
  Loom(0, 0, L"L1", 11);
  Put(1, 0, LTB, L"U1", L"", 21).segment = 5;
  Put(2, 0, SENSOR, L"SENSOR", L"", 17);
  Loom(3, 0, L"L2", 1).segment = 8;  // not marked

  SetSegment(3, nullptr);

  struct Row {
    int x, segment, state;
  } rows[] = {{0, 3, 1}, {1, 5, 1}, {2, 0, 7}, {3, 8, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.x);
    EXPECT_EQ(row.segment, Cell(row.x, 0).segment);
    EXPECT_EQ(row.state, Cell(row.x, 0).state);
  }
  EXPECT_EQ(std::set<int>{Index(0, 0)}, seen.relabelled);
  EXPECT_EQ((std::set<int>{0, 1, 2}), seen.repainted);
  EXPECT_EQ(1, Snapshots());
}

TEST_F(LayoutOpsTest, SegmentOutsideTheMenuDoesNothing) {
  Loom(0, 0, L"L1", 11).segment = 2;
  const TableState before = TableState::Now();
  for (int segment : {-1, 10, INT_MAX}) {
    SCOPED_TRACE(segment);
    SetSegment(segment, nullptr);
    EXPECT_EQ("", before.DifferenceFromNow());
  }
  EXPECT_EQ(0, Snapshots());
}

// --- auto make-up ------------------------------------------------------------

AutoMakeupParams Params(const wchar_t* name, int nameAction, const wchar_t* address,
                        int addressAction, int direction = 0) {
  AutoMakeupParams p = {};
  p.direction = direction;
  CopyText(p.nameTemplate, 11, name);
  p.nameAction = nameAction;
  CopyText(p.addressTemplate, 11, address);
  p.addressAction = addressAction;
  return p;
}

TEST_F(LayoutOpsTest, MakeUpNumbersLoomsAndStopsTheAddressAt254) {
  SelectBlock(5, 7, 8, 7);
  Cell(6, 7).group[0] = 3;
  AutoMakeupParams p = Params(L"L1", 0, L"001.253", 0);

  EXPECT_EQ(1, AutoMakeup(&p, nullptr));

  const wchar_t* names[4] = {L"L1", L"L2", L"L3", L"L4"};
  const wchar_t* ips[4] = {L"001.253", L"001.254", L"001.254", L"001.254"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const LayoutCell& c = Cell(5 + i, 7);
    EXPECT_STREQ(names[i], c.name);
    EXPECT_STREQ(ips[i], c.ip);
    EXPECT_EQ(LOOM, c.kind);
    EXPECT_EQ(1, c.state);
    EXPECT_EQ(0, c.segment);
  }
  EXPECT_EQ(3, Cell(6, 7).group[0]);
  EXPECT_STREQ(L"L5", p.nameTemplate);
  EXPECT_STREQ(L"001.254", p.addressTemplate);
  EXPECT_EQ(1, seen.templates);
  EXPECT_EQ((std::set<int>{Index(5, 7), Index(6, 7), Index(7, 7), Index(8, 7)}),
            seen.relabelled);
  EXPECT_EQ(1, Snapshots());
}

TEST_F(LayoutOpsTest, MakeUpWithoutAddressesGivesLtbUnits) {
  LayoutCell& old = Loom(0, 0, L"OLD", 12);
  old.segment = 4;
  Select(1, 0);
  AutoMakeupParams p = Params(L"U01", 0, L"001.050", kAddressNone);

  EXPECT_EQ(1, AutoMakeup(&p, nullptr));

  for (int x : {0, 1}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(LTB, Cell(x, 0).kind);
    EXPECT_STREQ(L"", Cell(x, 0).ip);
    EXPECT_EQ(0, Cell(x, 0).segment);
    EXPECT_EQ(1, Cell(x, 0).state);
  }
  EXPECT_STREQ(L"U01", Cell(0, 0).name);
  EXPECT_STREQ(L"U02", Cell(1, 0).name);
  EXPECT_STREQ(L"U03", p.nameTemplate);
  EXPECT_STREQ(L"001.050", p.addressTemplate);
}

TEST_F(LayoutOpsTest, MakeUpSkipsSensorsButUnmarksThem) {
  Put(0, 0, SENSOR, L"SENSOR", L"", 17);
  Select(1, 0);
  AutoMakeupParams p = Params(L"L1", 0, L"001.010", 0);
  EXPECT_EQ(1, AutoMakeup(&p, nullptr));
  EXPECT_STREQ(L"SENSOR", Cell(0, 0).name);
  EXPECT_EQ(7, Cell(0, 0).state);
  EXPECT_STREQ(L"L1", Cell(1, 0).name);
  EXPECT_STREQ(L"001.010", Cell(1, 0).ip);
  EXPECT_STREQ(L"L2", p.nameTemplate);
  EXPECT_STREQ(L"001.011", p.addressTemplate);
}

TEST_F(LayoutOpsTest, MakeUpDirectionsOnASquareBlock) {
  // Names N1..N4 given to the cells (10,10), (11,10), (10,11), (11,11).
  struct Row {
    int direction;
    const wchar_t* names[4];
  } rows[] = {
      {0, {L"N1", L"N2", L"N3", L"N4"}},  {1, {L"N1", L"N3", L"N2", L"N4"}},
      {2, {L"N2", L"N1", L"N4", L"N3"}},  {3, {L"N2", L"N4", L"N1", L"N3"}},
      {-1, {L"N1", L"N2", L"N3", L"N4"}}, {4, {L"N1", L"N2", L"N3", L"N4"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.direction);
    ResetLayout();
    SelectBlock(10, 10, 11, 11);
    AutoMakeupParams p = Params(L"N1", 0, L"", kAddressNone, row.direction);
    ASSERT_EQ(1, AutoMakeup(&p, nullptr));
    EXPECT_STREQ(row.names[0], Cell(10, 10).name);
    EXPECT_STREQ(row.names[1], Cell(11, 10).name);
    EXPECT_STREQ(row.names[2], Cell(10, 11).name);
    EXPECT_STREQ(row.names[3], Cell(11, 11).name);
  }
}

// Two marked cells in a row: the names they get and the template after.
TEST_F(LayoutOpsTest, NameTemplateCounting) {
  struct Row {
    const wchar_t* tmpl;
    int action;
    const wchar_t *first, *second, *after;
  } rows[] = {
      {L"L9", 0, L"L9", L"L0", L"L1"},          {L"A-009", 0, L"A-009", L"A-010", L"A-011"},
      {L"A-000", 1, L"A-000", L"A-999", L"A-998"}, {L"A-010", 7, L"A-010", L"A-009", L"A-008"},
      {L"99", 0, L"99", L"00", L"01"},          {L"LOOM", 0, L"LOOM", L"LOOM", L"LOOM"},
      {L"1A", 0, L"1A", L"2A", L"3A"},          {L"ABCDEF1", 0, L"ABCDE", L"ABCDE", L"ABCDEF3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.tmpl << " action " << row.action);
    ResetLayout();
    SelectBlock(0, 0, 1, 0);
    AutoMakeupParams p = Params(row.tmpl, row.action, L"", kAddressNone);
    ASSERT_EQ(1, AutoMakeup(&p, nullptr));
    EXPECT_STREQ(row.first, Cell(0, 0).name);
    EXPECT_STREQ(row.second, Cell(1, 0).name);
    EXPECT_STREQ(row.after, p.nameTemplate);
  }
}

TEST_F(LayoutOpsTest, AddressTemplateCounting) {
  struct Row {
    const wchar_t* tmpl;
    int action;
    const wchar_t *first, *second, *after;
  } rows[] = {
      {L"017.099", 0, L"017.099", L"017.100", L"017.101"},
      {L"017.100", 1, L"017.100", L"017.099", L"017.098"},
      {L"255.002", 1, L"255.002", L"255.001", L"255.001"},
      {L"000.254", 0, L"000.254", L"000.254", L"000.254"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.tmpl << " action " << row.action);
    ResetLayout();
    SelectBlock(0, 0, 1, 0);
    AutoMakeupParams p = Params(L"L1", 0, row.tmpl, row.action);
    ASSERT_EQ(1, AutoMakeup(&p, nullptr));
    EXPECT_STREQ(row.first, Cell(0, 0).ip);
    EXPECT_STREQ(row.second, Cell(1, 0).ip);
    EXPECT_STREQ(row.after, p.addressTemplate);
  }
}

TEST_F(LayoutOpsTest, MakeUpRefusesUnusableTemplates) {
  struct Row {
    const char* what;
    const wchar_t *name, *address;
  } rows[] = {
      {"empty name", L"", L"001.001"},           {"blank in name", L"L 1", L"001.001"},
      {"tab in name", L"L\t1", L"001.001"},      {"leading blank", L" L1", L"001.001"},
      {"short address", L"L1", L"1.1"},          {"unpadded address", L"L1", L"01.0011"},
      {"host 0", L"L1", L"001.000"},             {"host 255", L"L1", L"001.255"},
      {"network 256", L"L1", L"256.001"},        {"no dot", L"L1", L"001-001"},
      {"letter", L"L1", L"0a1.001"},             {"too long", L"L1", L"001.0010"},
      {"empty address", L"L1", L""},             {"wide digit", L"L1", L"001.\xFF11" L"01"},
  };
  Loom(4, 4, L"X", 11);
  Select(5, 4);
  const TableState before = TableState::Now();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (int addressAction : {0, 1}) {
      AutoMakeupParams p = Params(row.name, 0, row.address, addressAction);
      EXPECT_EQ(0, AutoMakeup(&p, nullptr));
      EXPECT_STREQ(row.name, p.nameTemplate);
      EXPECT_STREQ(row.address, p.addressTemplate);
    }
  }
  EXPECT_EQ(0, AutoMakeup(nullptr, nullptr));
  EXPECT_EQ("", before.DifferenceFromNow());
  EXPECT_EQ(0, Snapshots());
  EXPECT_EQ(0, seen.templates);
  EXPECT_TRUE(seen.repainted.empty());
}

TEST_F(LayoutOpsTest, StepDigitsCarriesWithinTheDigits) {
  struct Row {
    const wchar_t* before;
    int pos;
    bool up;
    const wchar_t* after;
  } rows[] = {
      {L"A-009", 4, true, L"A-010"},  {L"A-999", 4, true, L"A-000"},
      {L"A-010", 4, false, L"A-009"}, {L"A-000", 4, false, L"A-999"},
      {L"9", 0, true, L"0"},          {L"19X", 1, true, L"20X"},
      {L"AB", 1, true, L"AB"},        // not a digit
      {L"12", 5, true, L"12"},        // past the end
      {L"12", -1, true, L"12"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.before << " at " << row.pos
                                    << (row.up ? " up" : " down"));
    wchar_t text[11] = {};
    CopyText(text, 11, row.before);
    StepDigits(text, row.pos, row.up);
    EXPECT_STREQ(row.after, text);
  }
}

TEST_F(LayoutOpsTest, NumberingAStrayRecordTellsNobody) {
  LayoutCell outside = {};
  AutoMakeupParams p = Params(L"X7", 1, L"002.002", 1);
  NumberCell(outside, p);
  EXPECT_STREQ(L"X7", outside.name);
  EXPECT_STREQ(L"002.002", outside.ip);
  EXPECT_STREQ(L"X6", p.nameTemplate);
  EXPECT_STREQ(L"002.001", p.addressTemplate);
  EXPECT_TRUE(seen.relabelled.empty());
  EXPECT_TRUE(seen.repainted.empty());
}

// --- turn ------------------------------------------------------------------

TEST_F(LayoutOpsTest, TurnSwapsTheBlockCornersAndMirrorsInnerGaps) {
  Loom(2, 1, L"A");
  Loom(5, 3, L"B");
  Loom(3, 2, L"C", 12);
  Loom(4, 1, L"D");
  Cell(3, 1).spare = 9;  // empty, but inside the block
  Cell(7, 2).spare = 5;  // outside the block
  Cell(7, 2).state = 3;
  for (int k = 0; k < 10; ++k) DX[k].value = DY[k].value = k;

  EXPECT_EQ(1, TurnHalf(nullptr));

  struct Row {
    int x, y;
    const wchar_t* name;
  } rows[] = {{5, 3, L"A"}, {2, 1, L"B"}, {4, 2, L"C"}, {3, 3, L"D"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.name);
    EXPECT_STREQ(row.name, Cell(row.x, row.y).name);
  }
  EXPECT_EQ(12, Cell(4, 2).state);
  EXPECT_EQ(9, Cell(4, 3).spare);
  EXPECT_EQ(0, Cell(3, 1).spare);
  EXPECT_EQ(5, Cell(7, 2).spare);
  EXPECT_EQ(3, Cell(7, 2).state);
  const int dx[10] = {0, 1, 2, 5, 4, 3, 6, 7, 8, 9};
  const int dy[10] = {0, 1, 3, 2, 4, 5, 6, 7, 8, 9};
  for (int k = 0; k < 10; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(dx[k], DX[k].value);
    EXPECT_EQ(dy[k], DY[k].value);
  }
  EXPECT_EQ(1, Snapshots());
  EXPECT_EQ(1, seen.layouts);
  EXPECT_EQ((std::set<int>{Index(2, 1), Index(5, 3), Index(3, 2), Index(4, 2), Index(4, 1),
                           Index(3, 3)}),
            seen.relabelled);
}

TEST_F(LayoutOpsTest, TurnOfAnEmptyLayoutOnlySnapshots) {
  for (int k = 0; k < kCols; ++k) DX[k].value = k % 10;
  Cell(6, 6).spare = 4;
  const TableState before = TableState::Now();
  EXPECT_EQ(1, TurnHalf(nullptr));
  EXPECT_EQ("", before.DifferenceFromNow());
  EXPECT_EQ(1, Snapshots());
  EXPECT_EQ(1, seen.layouts);
}

TEST_F(LayoutOpsTest, TurnOfASingleItemChangesNothingButSnapshots) {
  Loom(9, 9, L"ONE");
  for (int k = 0; k < kCols; ++k) DX[k].value = DY[k].value = k % 10;
  const TableState before = TableState::Now();
  EXPECT_EQ(1, TurnHalf(nullptr));
  EXPECT_EQ("", before.DifferenceFromNow());
  EXPECT_EQ(1, Snapshots());
}

// --- group members -----------------------------------------------------------

class AssignGroupTest : public LayoutOpsTest {
 protected:
  void SetUp() override {
    LayoutOpsTest::SetUp();
    Put(0, 0, SENSOR, L"SENSOR");
    Cell(1, 0).group[0] = 3;  // an empty cell with a stale member
    Loom(2, 0, L"L1").group[0] = 4;
    Loom(3, 0, L"L2").group[0] = 7;
  }
  const int touched[4] = {0, 1, 2, 3};
};

TEST_F(AssignGroupTest, MemberGoesToOccupiedNonSensorCells) {
  struct Row {
    const char* what;
    int member;
    AssignMode mode;
    int groups[4];
  } rows[] = {
      {"band, member 2", 2, kAssignBand, {-1, 3, 2, 2}},
      {"band, none", -1, kAssignBand, {-1, -1, -1, -1}},
      {"double-click, member 2", 2, kAssignDoubleClick, {-1, 3, 2, 2}},
      {"double-click, none", -1, kAssignDoubleClick, {-1, 3, -1, -1}},
  };
  const TableState start = TableState::Now();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (int i = 0; i < 4; ++i) static_cast<LayoutItem&>(layout[i]) = start.items[i];
    ForgetSnapshots();
    seen.Clear();
    AssignGroup(0, row.member, touched, 4, row.mode, nullptr);
    std::set<int> changed;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(row.groups[i], layout[i].group[0]) << i;
      for (int s = 1; s < kSections; ++s) EXPECT_EQ(-1, layout[i].group[s]) << i;
      if (row.groups[i] != start.items[i].group[0]) changed.insert(i);
    }
    EXPECT_EQ(changed, seen.repainted);
    EXPECT_EQ(1, Snapshots());
  }
}

TEST_F(AssignGroupTest, NoSnapshotWhenNothingChanges) {
  const int looms[2] = {2, 3};
  AssignGroup(0, -1, looms, 2, kAssignBand, nullptr);
  ForgetSnapshots();
  seen.Clear();
  // Sensor and empty cell only, and looms already without a member.
  AssignGroup(0, 5, touched, 2, kAssignBand, nullptr);
  AssignGroup(0, -1, looms, 2, kAssignBand, nullptr);
  AssignGroup(0, -1, touched, 4, kAssignDoubleClick, nullptr);
  EXPECT_EQ(0, Snapshots());
  EXPECT_TRUE(seen.repainted.empty());
}

TEST_F(AssignGroupTest, BadArgumentsChangeNothing) {
  const int withBadCell[3] = {2, 3, kCells};
  const int withNegativeCell[3] = {2, -1, 3};
  struct Row {
    const char* what;
    int section, member;
    const int* cells;
    int count;
  } rows[] = {
      {"section 10", 10, 2, touched, 4},        {"section -1", -1, 2, touched, 4},
      {"member 21", 0, 21, touched, 4},         {"member 0", 0, 0, touched, 4},
      {"member -2", 0, -2, touched, 4},         {"no cells", 0, 2, nullptr, 4},
      {"cell 1600", 0, 2, withBadCell, 3},      {"cell -1", 0, 2, withNegativeCell, 3},
  };
  const TableState before = TableState::Now();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (AssignMode mode : {kAssignBand, kAssignDoubleClick}) {
      AssignGroup(row.section, row.member, row.cells, row.count, mode, nullptr);
      EXPECT_EQ("", before.DifferenceFromNow());
    }
  }
  EXPECT_EQ(0, Snapshots());
}

// --- gaps and single cells ---------------------------------------------------

TEST_F(LayoutOpsTest, GapTakesItsValueAndSnapshots) {
  DY[39].value = 4;
  SetGap(kGapX, 1, 9, nullptr);
  SetGap(kGapY, 39, 0, nullptr);
  SetGap(kGapY, 39, 0, nullptr);  // the same value again still counts as a step
  EXPECT_EQ(9, DX[1].value);
  EXPECT_EQ(0, DY[1].value);
  EXPECT_EQ(0, DY[39].value);
  EXPECT_EQ(3, Snapshots());
}

TEST_F(LayoutOpsTest, GapOutsideItsRangeIsRefused) {
  struct Row {
    GapAxis axis;
    int index, value;
  } rows[] = {{kGapX, 0, 3},  {kGapX, 40, 3}, {kGapY, 0, 3}, {kGapY, 40, 3},
              {kGapX, 5, 10}, {kGapY, 5, -1}, {kGapX, -1, 1}};
  const TableState before = TableState::Now();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.axis << " " << row.index << " = " << row.value);
    SetGap(row.axis, row.index, row.value, nullptr);
    EXPECT_EQ("", before.DifferenceFromNow());
  }
  EXPECT_EQ(0, Snapshots());
}

TEST_F(LayoutOpsTest, RefreshTellsTheViewAndSnapshots) {
  RefreshCell(1599, nullptr);
  EXPECT_EQ(std::set<int>{1599}, seen.relabelled);
  EXPECT_EQ(std::set<int>{1599}, seen.repainted);
  EXPECT_EQ(1, Snapshots());
  seen.Clear();
  RefreshCell(-1, nullptr);
  RefreshCell(kCells, nullptr);
  EXPECT_TRUE(seen.relabelled.empty());
  EXPECT_EQ(1, Snapshots());
}

// --- receiver ------------------------------------------------------------------

TEST_F(LayoutOpsTest, OperationsRunWithoutAReceiver) {
  EXPECT_EQ(&seen, SetLayoutReceiver(nullptr));
  Loom(0, 0, L"A", 11);
  Select(1, 0);
  AutoMakeupParams p = Params(L"K1", 0, L"001.001", 0);
  EXPECT_EQ(1, AutoMakeup(&p, nullptr));
  SelectBlock(0, 0, 1, 0);
  EXPECT_EQ(1, MoveMarked(0, 5, nullptr));
  EXPECT_EQ(1, TurnHalf(nullptr));
  Select(0, 5);
  MakeSensors(nullptr);
  RefreshCell(0, nullptr);
  EXPECT_STREQ(L"K2", Cell(0, 5).name);
  EXPECT_STREQ(L"K1", Cell(1, 5).name);
  EXPECT_EQ(nullptr, SetLayoutReceiver(&seen));
  EXPECT_TRUE(seen.relabelled.empty());
}

}  // namespace
