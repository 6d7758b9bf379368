// Editing operations on the layout table: marks, move, clear, sensors,
// segments, auto make-up, turn, group members, gaps. Each ends with one
// undo snapshot where a change is kept, and tells the view what to redraw.
#pragma once

#include "std/std.h"
#include "std2/std2_lout_itbl.h"

// What the operations tell the window that shows the table. The grid view
// and the auto-set pane install one; with none installed nothing happens.
class LayoutReceiver {
 public:
  virtual ~LayoutReceiver() = default;
  virtual void CellTextChanged(int cell) = 0;  // relabel the cell
  virtual void RepaintCell(int cell) = 0;
  virtual void LayOutAgain() = 0;              // after a turn or an undo
  virtual void TemplatesAdvanced() = 0;        // auto make-up moved the templates on
};
LayoutReceiver* SetLayoutReceiver(LayoutReceiver* receiver);  // returns the previous one

// Parameters of auto make-up, owned by the auto-set pane.
struct AutoMakeupParams {
  int32_t direction;       // 0 rows L-R, 1 columns T-B, 2 rows R-L, 3 columns B-T
  wchar_t nameTemplate[11];
  int32_t nameAction;      // 0 up, other down
  wchar_t addressTemplate[11];  // "%03d.%03d"
  int32_t addressAction;   // 0 up, 1 down, 2 no address (LTB units)
};

constexpr int kAddressNone = 2;

enum GapAxis { kGapX = 0, kGapY = 1 };
enum AssignMode { kAssignBand = 0, kAssignDoubleClick = 1 };

bool IsMarked(const LayoutCell& cell);

void ClearMarks();
void MarkForMove();
// Moves the marked block so that its corner lands on (tx, ty).
int MoveMarked(int tx, int ty, HWND owner);
void ClearMarked(HWND owner);
void MakeSensors(HWND owner);
void SetSegment(int segment, HWND owner);
// Numbers the marked cells; 0 (nothing changed) when params are refused.
int AutoMakeup(AutoMakeupParams* params, HWND owner);
void NumberCell(LayoutCell& cell, AutoMakeupParams& params);
// Steps the digit at pos of a template up or down, carrying into digits before it.
void StepDigits(wchar_t* text, int pos, bool up);
int TurnHalf(HWND owner);
// Sets member m (1..20, or -1 for none) of section s in the touched cells.
void AssignGroup(int section, int member, const int* cells, int count, AssignMode mode, HWND owner);
void SetGap(GapAxis axis, int index, int value, HWND owner);
// The view refreshed one cell's data (property dialog): relabel and snapshot.
void RefreshCell(int cell, HWND owner);
