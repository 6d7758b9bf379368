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

class TableText;

// The layout item file lout_itbl.txt: every occupied cell, the gaps, the
// type names and the host service table, as one 8-bit text table.
class CLoitbl {
 public:
  CLoitbl();
  // The file's path: SETTING/LOUT_ITBL, default lout_itbl.txt of the
  // settings directory. The buffer holds 261 characters.
  void Path(wchar_t* buf);
  // Resets the table and reads the file; 0 when it cannot be read (a missing
  // file silently, any other failure reported). The file itself is kept.
  int Load();
  int Read(const wchar_t* path);
  // One item line; 1 when taken, 0 after reporting why it was rejected.
  int ParseItem(const char* line, int keywordLength, int kind);
  // Writes the table in one step (scratch file, then replace); 0 after a
  // report, the old file intact. No path: the file's own.
  int Write(HWND owner, const wchar_t* path);
  // 1 when the file holds exactly what the table would write; otherwise tells
  // the user (any failure counts as a difference) and returns 0.
  int IsSaved(HWND owner);
  // 1 when the file is there to read; otherwise writes it (when missing or
  // when Load took an item that must be stored anew) and returns 0. An
  // existing file that cannot be read is never overwritten.
  int Ensure(HWND owner);
  // Places a copy for the factory server (SETTING/LOUT_ITBL_CP).
  void CopyOut(HWND owner);

  bool rewritePending() const { return rewritePending_; }

 private:
  void ReadItems(const TableText& text);
  void ReadGap(const char* line, GapSlot* gaps);
  static int instances_;
  ModuleGuard guard_;
  bool migrated_ = false;
  bool rewritePending_ = false;
};

extern CLoitbl loitbl;

// Keyword of an item kind in the table files.
const char* ItemKeyword(int kind);
// The token written for an empty string field, and a field as written.
extern const char kNoStr[];
const wchar_t* TableField(const wchar_t* text);
// The token converted to wide and cut to `chars` characters; empty when it
// holds the empty-field token. False when its bytes cannot be converted.
bool TokenToWide(const char* token, wchar_t* out, int chars);
