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
  virtual void ShowOverview() {}               // the export points at cells it refused
};
LayoutReceiver* SetLayoutReceiver(LayoutReceiver* receiver);  // returns the previous one
// Switches the grid to its overview: through the split window while it
// exists, else to the receiver.
void RequestOverview();
// Asks the view to repaint one cell.
void NotifyRepaint(int cell);

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

// ======================================================== layout view

#include "std/std_scroll.h"

// Display modes of the grid view.
constexpr int kDetailedView = 8;
constexpr int kOverview = 1;
// Size of the grid view in the detailed view: forty cells of this many
// pixels each way, with a margin on every side.
constexpr int kGridCellPixels = 60;
constexpr int kGridMargin = 10;
constexpr int kGridDetailedWidth = kGridMargin + kCols * kGridCellPixels + kGridMargin;
constexpr int kGridDetailedHeight = kGridMargin + kRows * kGridCellPixels + kGridMargin;
// One line of scrolling in the layout pane, in pixels.
constexpr int kLayoutLineStep = 60;

// The grid view: the layout's cells, the only child of the layout pane. It
// answers the layout commands (WM_LAYOUT) and passes WM_2PARENT up to the pane.
class CLayout2 : public CWndBase {
 public:
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

  HINSTANCE inst = nullptr;
  int displayMode = kDetailedView;
  int groupMode = 0;

 private:
  LRESULT WmCreate(HWND hwnd, LPARAM lParam);
  LRESULT WmLayout(HWND hwnd, WPARAM code, LPARAM lParam);
  // Sizes the view for its display mode, at the pane's top left corner.
  void LayOut(HWND hwnd);
};

// The layout pane: scrolls the grid view and relays the layout commands to it.
class CLayout : public CScroll {
 public:
  LRESULT WndProc(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam) override;
  int WmCreate(HWND pane, HINSTANCE inst, WPARAM wParam, LPARAM lParam) override;
  int CreatePane(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // Requests of the grid view: the pane's screen rectangle or a line step.
  LRESULT FromGrid(HWND pane, WPARAM wParam, LPARAM lParam);
  LRESULT RelayLayout(HWND pane, WPARAM wParam, LPARAM lParam);
  // After the grid changed: its new size, shown from its top left corner.
  void FitToGrid(HWND pane);

  WNDCLASSEXW gridClass_{};
};

// The windows of the layout while they exist; other modules send them
// WM_LAYOUT directly.
extern HWND layoutPaneWindow;
extern HWND gridWindow;
// Reused whenever the panes are rebuilt.
extern CLayout layoutPane;
extern CLayout2 grid;

// The layout pane as a child of the split window, with the grid view in
// it; 1 on success, 0 after a report.
int CreateLayoutPane(HWND parent, HINSTANCE inst);
