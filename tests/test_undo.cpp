// The undo store: stepping back through the ring, falling back to the
// newest state, and never loading a broken or stale snapshot.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "std/std.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_undo.h"
#include "tests/support.h"

namespace {

class UndoTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    ResetLayout();
    undo.Init();
  }
  // Marks the table with a recognisable state number.
  static void State(int n) {
    Format(layout[0].name, 11, L"S%d", n);
    layout[0].segment = n;
    DX[1].value = n % 10;
  }
  static int StateShown() { return layout[0].segment; }
  static std::unique_ptr<LayoutItem[]> Items() {
    std::unique_ptr<LayoutItem[]> copy(new LayoutItem[kCells]);
    for (int i = 0; i < kCells; ++i) copy[i] = layout[i];
    return copy;
  }
  static bool SameItems(const LayoutItem* a) {
    for (int i = 0; i < kCells; ++i)
      if (memcmp(&a[i], static_cast<const LayoutItem*>(&layout[i]), sizeof(LayoutItem))) return false;
    return true;
  }
};

TEST_F(UndoTest, RightAfterStartUndoShowsTheStartState) {
  State(0);
  undo.Snapshot(nullptr);
  State(5);  // not snapshotted
  EXPECT_EQ(1, undo.Restore(nullptr));
  EXPECT_EQ(0, StateShown());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(UndoTest, UndoThenUndoAgainReturnsToTheNewest) {
  State(0);
  undo.Snapshot(nullptr);
  State(1);
  undo.Snapshot(nullptr);
  EXPECT_EQ(1, undo.Restore(nullptr));
  EXPECT_EQ(0, StateShown());
  EXPECT_EQ(0, DX[1].value);  // gaps come back too
  EXPECT_EQ(1, undo.Restore(nullptr));
  EXPECT_EQ(1, StateShown());
  EXPECT_EQ(1, DX[1].value);
}

TEST_F(UndoTest, MarksAreNeverStored) {
  State(0);
  layout[5].state = 23;
  layout[6].state = 14;
  undo.Snapshot(nullptr);
  layout[5].state = layout[6].state = 0;
  ASSERT_EQ(1, undo.Restore(nullptr));
  EXPECT_EQ(3, layout[5].state);
  EXPECT_EQ(4, layout[6].state);
}

TEST_F(UndoTest, FullRingCyclesThroughTheKeptStates) {
  for (int n = 1; n <= 13; ++n) {
    State(n);
    undo.Snapshot(nullptr);
  }
  for (int i = 1; i <= 9; ++i) {
    ASSERT_EQ(1, undo.Restore(nullptr));
    EXPECT_EQ(13 - i, StateShown()) << i;
  }
  EXPECT_EQ(4, StateShown());
  ASSERT_EQ(1, undo.Restore(nullptr));
  EXPECT_EQ(13, StateShown());
}

TEST_F(UndoTest, SnapshotAfterUndoGoesAfterTheNewest) {
  for (int n = 1; n <= 3; ++n) {
    State(n);
    undo.Snapshot(nullptr);
  }
  undo.Restore(nullptr);  // shows 2
  State(7);
  undo.Snapshot(nullptr);
  int seen[4];
  for (int& s : seen) {
    undo.Restore(nullptr);
    s = StateShown();
  }
  const int expected[4] = {3, 2, 1, 7};
  EXPECT_EQ(0, memcmp(expected, seen, sizeof seen));
}

TEST_F(UndoTest, NoFilesGiveTheMessageAndKeepTheTable) {
  State(4);
  undo.Snapshot(nullptr);
  undo.Init();  // deletes every .und file
  State(6);
  auto before = Items();
  EXPECT_EQ(0, undo.Restore(nullptr));
  EXPECT_TRUE(SameItems(before.get()));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(L"No UNDO file", BoxRecorder::Boxes()[0].text);
  EXPECT_EQ(std::wstring(lang.Text(S_CONFIRM)), BoxRecorder::Boxes()[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), BoxRecorder::Boxes()[0].style);
}

TEST_F(UndoTest, ShortNewestFileLeavesTheTableByteForByte) {
  State(1);
  undo.Snapshot(nullptr);
  std::wstring newest = dir.File(L"loom00.und");
  std::string bytes = ReadBytes(newest);
  ASSERT_EQ(sizeof(LayoutItem) * kCells, bytes.size());
  WriteBytes(newest, bytes.substr(0, bytes.size() - 1));
  State(2);
  auto before = Items();
  EXPECT_EQ(0, undo.Restore(nullptr));
  EXPECT_TRUE(SameItems(before.get()));
  EXPECT_EQ(L"No UNDO file", BoxRecorder::Boxes().at(0).text);
}

TEST_F(UndoTest, FailedSlotNeverLoadsAnOlderLap) {
  for (int n = 0; n < 10; ++n) {
    State(n);
    undo.Snapshot(nullptr);
  }
  // Slot 0 holds state 0 from the first lap; its next write fails.
  HANDLE held = CreateFileW(dir.File(L"loom00.und").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  State(10);
  undo.Snapshot(nullptr);
  CloseHandle(held);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"CFile::BinWrite _tsopen_s ERROR"));
  State(11);
  undo.Snapshot(nullptr);
  ASSERT_EQ(1, undo.Restore(nullptr));
  EXPECT_EQ(11, StateShown());  // the newest, never the stale 0
}

TEST_F(UndoTest, WindowsAndRectanglesStay) {
  State(1);
  undo.Snapshot(nullptr);
  layout[0].hwnd = reinterpret_cast<HWND>(0x1234);
  layout[0].rect = RECT{1, 2, 3, 4};
  ASSERT_EQ(1, undo.Restore(nullptr));
  EXPECT_EQ(reinterpret_cast<HWND>(0x1234), layout[0].hwnd);
  EXPECT_EQ(3, layout[0].rect.right);
}

TEST_F(UndoTest, BrokenGapFileIsIgnored) {
  State(3);
  undo.Snapshot(nullptr);
  std::string gaps(sizeof(int32_t) * kCols, '\0');
  gaps[4] = 50;  // DX[1] = 50
  WriteBytes(dir.File(L"dx00.und"), gaps);
  DX[1].value = 8;
  ASSERT_EQ(1, undo.Restore(nullptr));
  EXPECT_EQ(8, DX[1].value);
  EXPECT_EQ(3, StateShown());
}

TEST_F(UndoTest, InitRemovesFilesOfEarlierRuns) {
  WriteBytes(dir.File(L"loom07.und"), "old");
  WriteBytes(dir.File(L"keep.txt"), "keep");
  undo.Init();
  EXPECT_FALSE(FileExists(dir.File(L"loom07.und")));
  EXPECT_TRUE(FileExists(dir.File(L"keep.txt")));
}

}  // namespace
