#include "std2/std2_lout_itbl.h"

#include <cstring>

LayoutCell layout[kCells];
GapSlot DX[kCols];
GapSlot DY[kRows];

static void NoGroups(LayoutItem& item) {
  for (int32_t& g : item.group) g = -1;
}

void ResetLayout() {
  memset(layout, 0, sizeof layout);
  for (LayoutCell& cell : layout) NoGroups(cell);
  memset(DX, 0, sizeof DX);
  memset(DY, 0, sizeof DY);
}

void ClearCell(LayoutCell& cell) {
  int32_t spare = cell.spare;
  static_cast<LayoutItem&>(cell) = LayoutItem{};
  NoGroups(cell);
  cell.spare = spare;
  if (cell.hwnd) SetWindowTextW(cell.hwnd, L"");
}

void CopyItem(LayoutCell& to, const LayoutCell& from) {
  static_cast<LayoutItem&>(to) = static_cast<const LayoutItem&>(from);
}

const wchar_t* SegmentLabel(int segment) {
  static const wchar_t* const kLabels[10] = {L"ALL", L"S01", L"S02", L"S03", L"S04",
                                             L"S05", L"S06", L"S07", L"S08", L"S09"};
  return segment >= 1 && segment <= 9 ? kLabels[segment] : kLabels[0];
}

int DisplayCode(int state) { return state < 0 ? 0 : state % 10; }

int MarkOf(int state) {
  if (state < 10) return kUnmarked;
  return state < 20 ? kSelected : kMoveMarked;
}

int IsMarkShown(int state) { return state >= 10 && state < 30; }

int WithoutMark(int state) { return state < 10 ? state : state % 10; }
