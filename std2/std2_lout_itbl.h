// The layout table: 40 x 40 cells in row-major order, each empty or holding
// one loom, LTB unit or sensor, plus the column and row gaps.
#pragma once

#include <cstdint>

#include "std/std.h"

constexpr int kCols = 40;
constexpr int kRows = 40;
constexpr int kCells = kCols * kRows;
constexpr int kSections = 10;

enum ItemKind : int32_t { LOOM = 0, LTB = 1, SENSOR = 2 };

// The item data of a cell: snapshots and copies take it whole.
struct LayoutItem {
  wchar_t ip[11];    // last two octets, "%03d.%03d"; empty but for looms
  wchar_t name[11];  // empty means the cell is empty
  int32_t segment;   // 0 all segments, 1..9 S01..S09
  int32_t state;     // display code + 10 x mark
  int32_t group[kSections];  // member group per section, -1 for none
  int32_t spare;
  int32_t kind;
  int32_t reserved[15];
};

// A cell: its item plus the view's window and rectangle, which belong to
// the grid view and never travel with the item.
struct LayoutCell : LayoutItem {
  HWND hwnd;
  RECT rect;
};

struct GapSlot {
  int32_t value;  // 0..9
  RECT rect;
  HWND combo;
};

extern LayoutCell layout[kCells];
extern GapSlot DX[kCols];
extern GapSlot DY[kRows];

inline LayoutCell& Cell(int x, int y) { return layout[y * kCols + x]; }
inline bool IsOccupied(const LayoutItem& item) { return item.name[0] != L'\0'; }

// Zeroes the table (window handles too), every group -1, every gap 0.
void ResetLayout();
// Empties a cell; its window, rectangle and spare value stay.
void ClearCell(LayoutCell& cell);
// Moves the item data of one cell to another; window and rectangle stay.
void CopyItem(LayoutCell& to, const LayoutCell& from);

// "S01".."S09" for segments 1..9, "ALL" for any other value.
const wchar_t* SegmentLabel(int segment);

// State helpers, defined for every integer: a negative state is plain and
// unmarked, so no caller can index outside a table with it.
enum StateMark { kUnmarked = 0, kSelected = 1, kMoveMarked = 2 };
int DisplayCode(int state);   // 0..9
int MarkOf(int state);        // kUnmarked, kSelected or kMoveMarked (30+ counts as moving)
int IsMarkShown(int state);   // 0 for unmarked and for the plain-shown 30+
int WithoutMark(int state);   // the state with its mark cleared
