#include "std2/std2_layout.h"

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

#include "std2/std2_base.h"
#include "std2/std2_undo.h"

namespace {
LayoutReceiver* g_receiver = nullptr;

void CellTextChanged(int cell) {
  if (g_receiver) g_receiver->CellTextChanged(cell);
}
void RepaintCell(int cell) {
  if (g_receiver) g_receiver->RepaintCell(cell);
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool ValidCell(int cell) { return cell >= 0 && cell < kCells; }

// The part of an item the view's label is built from.
bool LabelDiffers(const LayoutItem& a, const LayoutItem& b) {
  return wcsncmp(a.name, b.name, 11) != 0 || wcsncmp(a.ip, b.ip, 11) != 0 ||
         a.segment != b.segment || a.kind != b.kind;
}

bool ItemDiffers(const LayoutItem& a, const LayoutItem& b) {
  return LabelDiffers(a, b) || a.state != b.state || a.spare != b.spare ||
         memcmp(a.group, b.group, sizeof a.group) != 0 ||
         memcmp(a.reserved, b.reserved, sizeof a.reserved) != 0;
}

void TellIfRelabelled(int cell, const LayoutItem& before) {
  if (LabelDiffers(before, layout[cell])) CellTextChanged(cell);
}

// The index of a cell of the live table, or -1 for a record elsewhere.
int IndexOf(const LayoutCell& cell) {
  std::less<const LayoutCell*> before;
  if (before(&cell, layout) || !before(&cell, layout + kCells)) return -1;
  return static_cast<int>(&cell - layout);
}

// Move and turn read from a frozen copy so that the order in which cells
// are overwritten cannot matter.
std::unique_ptr<LayoutCell[]> CopyOfTable() {
  std::unique_ptr<LayoutCell[]> copy(new (std::nothrow) LayoutCell[kCells]);
  if (copy) memcpy(copy.get(), layout, sizeof layout);
  return copy;
}

// "%03d.%03d" with a host part the looms accept; a and b receive the numbers.
bool ParseAddressTemplate(const wchar_t* text, int& a, int& b) {
  if (wcsnlen(text, 11) != 7 || text[3] != L'.') return false;
  for (int i : {0, 1, 2, 4, 5, 6})
    if (!IsDigit(text[i])) return false;
  a = (text[0] - L'0') * 100 + (text[1] - L'0') * 10 + (text[2] - L'0');
  b = (text[4] - L'0') * 100 + (text[5] - L'0') * 10 + (text[6] - L'0');
  return a <= 255 && b >= 1 && b <= 254;
}

bool NameTemplateUsable(const wchar_t* text) {
  size_t n = wcsnlen(text, 11);
  if (n == 0 || n > 10) return false;
  for (size_t i = 0; i < n; ++i)
    if (text[i] <= L' ') return false;
  return true;
}

bool ParamsUsable(const AutoMakeupParams& p) {
  if (!NameTemplateUsable(p.nameTemplate)) return false;
  int a, b;
  return p.addressAction == kAddressNone || ParseAddressTemplate(p.addressTemplate, a, b);
}

void AdvanceNameTemplate(AutoMakeupParams& p) {
  int last = -1;
  for (int i = 0; i < 10 && p.nameTemplate[i]; ++i)
    if (IsDigit(p.nameTemplate[i])) last = i;
  // A template without digits names every cell alike.
  if (last >= 0) StepDigits(p.nameTemplate, last, p.nameAction == 0);
}

// Only the host octet moves; it stays inside 1..254 rather than wrapping.
void AdvanceAddressTemplate(AutoMakeupParams& p) {
  int a, b;
  if (!ParseAddressTemplate(p.addressTemplate, a, b)) return;
  if (p.addressAction == 0)
    b = b < 254 ? b + 1 : 254;
  else
    b = b > 1 ? b - 1 : 1;
  Format(p.addressTemplate, 11, L"%03d.%03d", a, b);
}

// The cell at step `along` of line `line` of a make-up order.
int CellInOrder(int direction, int line, int along) {
  switch (direction) {
    case 1: return along * kCols + line;
    case 2: return line * kCols + (kCols - 1 - along);
    case 3: return (kRows - 1 - along) * kCols + line;
    default: return line * kCols + along;
  }
}
}  // namespace

void RequestOverview() {
  if (baseWindow) SendMessageW(baseWindow, WM_LAYOUT, 0, 0);
  else if (g_receiver) g_receiver->ShowOverview();
}

void NotifyRepaint(int cell) { RepaintCell(cell); }

LayoutReceiver* SetLayoutReceiver(LayoutReceiver* receiver) {
  LayoutReceiver* previous = g_receiver;
  g_receiver = receiver;
  return previous;
}

bool IsMarked(const LayoutCell& cell) { return MarkOf(cell.state) != kUnmarked; }

void ClearMarks() {
  for (int i = 0; i < kCells; ++i) {
    if (!IsMarked(layout[i])) continue;
    layout[i].state = WithoutMark(layout[i].state);
    RepaintCell(i);
  }
}

void MarkForMove() {
  for (int i = 0; i < kCells; ++i) {
    LayoutCell& cell = layout[i];
    if (!IsMarked(cell) || cell.state > INT_MAX - 10) continue;
    cell.state += 10;
    RepaintCell(i);
  }
}

int MoveMarked(int tx, int ty, HWND owner) {
  if (tx < 0 || tx >= kCols || ty < 0 || ty >= kRows) return 0;
  int minX = kCols, minY = kRows;
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < kCols; ++x)
      if (IsMarked(Cell(x, y))) {
        if (x < minX) minX = x;
        if (y < minY) minY = y;
      }
  if (minX == kCols) return 0;
  std::unique_ptr<LayoutCell[]> copy = CopyOfTable();
  if (!copy) return 0;

  bool touched[kCells] = {};
  for (int i = 0; i < kCells; ++i)
    if (IsMarked(copy[i])) {
      ClearCell(layout[i]);
      touched[i] = true;
    }
  const int dx = tx - minX, dy = ty - minY;
  for (int i = 0; i < kCells; ++i) {
    if (!IsMarked(copy[i])) continue;
    const int x = i % kCols + dx, y = i / kCols + dy;
    if (x < 0 || x >= kCols || y < 0 || y >= kRows) continue;  // off the floor: dropped
    LayoutCell& to = Cell(x, y);
    CopyItem(to, copy[i]);
    to.state = WithoutMark(to.state);
    touched[y * kCols + x] = true;
  }
  for (int i = 0; i < kCells; ++i) {
    if (!touched[i]) continue;
    TellIfRelabelled(i, copy[i]);
    RepaintCell(i);
  }
  undo.Snapshot(owner);
  return 1;
}

void ClearMarked(HWND owner) {
  for (int i = 0; i < kCells; ++i) {
    if (!IsMarked(layout[i])) continue;
    const LayoutItem before = layout[i];
    ClearCell(layout[i]);
    TellIfRelabelled(i, before);
    RepaintCell(i);
  }
  undo.Snapshot(owner);
}

void MakeSensors(HWND owner) {
  for (int i = 0; i < kCells; ++i) {
    LayoutCell& cell = layout[i];
    if (!IsMarked(cell)) continue;
    if (cell.kind == LOOM && !IsOccupied(cell)) {
      const LayoutItem before = cell;
      ClearCell(cell);
      cell.kind = SENSOR;
      cell.state = 7;
      CopyText(cell.name, 11, L"SENSOR");
      TellIfRelabelled(i, before);
    } else {
      cell.state = WithoutMark(cell.state);
    }
    RepaintCell(i);
  }
  undo.Snapshot(owner);
}

void SetSegment(int segment, HWND owner) {
  if (segment < 0 || segment > 9) return;
  for (int i = 0; i < kCells; ++i) {
    LayoutCell& cell = layout[i];
    if (!IsMarked(cell)) continue;
    cell.state = WithoutMark(cell.state);
    // Only looms (those with an address) belong to a segment.
    if (cell.ip[0] != L'\0' && cell.segment != segment) {
      cell.segment = segment;
      CellTextChanged(i);
    }
    RepaintCell(i);
  }
  undo.Snapshot(owner);
}

int AutoMakeup(AutoMakeupParams* params, HWND owner) {
  if (!params || !ParamsUsable(*params)) return 0;
  // The grid is square, so every order has 40 lines of 40 cells.
  for (int line = 0; line < kCols; ++line)
    for (int along = 0; along < kCols; ++along) {
      LayoutCell& cell = layout[CellInOrder(params->direction, line, along)];
      if (IsMarked(cell)) NumberCell(cell, *params);
    }
  // Sensors were skipped and still carry their marks.
  ClearMarks();
  if (g_receiver) g_receiver->TemplatesAdvanced();
  undo.Snapshot(owner);
  return 1;
}

void NumberCell(LayoutCell& cell, AutoMakeupParams& params) {
  if (cell.kind == SENSOR) return;
  const LayoutItem before = cell;
  const bool loom = params.addressAction != kAddressNone;
  cell.kind = loom ? LOOM : LTB;
  // Loom and LTB names hold five characters.
  CopyText(cell.name, 6, params.nameTemplate);
  cell.ip[0] = L'\0';
  if (loom) CopyText(cell.ip, 11, params.addressTemplate);
  cell.segment = 0;
  cell.state = 1;
  const int index = IndexOf(cell);
  if (index >= 0) {
    TellIfRelabelled(index, before);
    RepaintCell(index);
  }
  AdvanceNameTemplate(params);
  if (loom) AdvanceAddressTemplate(params);
}

void StepDigits(wchar_t* text, int pos, bool up) {
  if (!text || pos < 0) return;
  for (int i = 0; i < pos; ++i)
    if (text[i] == L'\0') return;
  for (int i = pos; i >= 0 && IsDigit(text[i]); --i) {
    if (up) {
      if (text[i] != L'9') {
        ++text[i];
        return;
      }
      text[i] = L'0';
    } else {
      if (text[i] != L'0') {
        --text[i];
        return;
      }
      text[i] = L'9';
    }
  }
  // A carry that reaches a non-digit or the start is dropped: the name keeps its length.
}

int TurnHalf(HWND owner) {
  std::unique_ptr<LayoutCell[]> copy = CopyOfTable();
  if (!copy) return 0;
  int minX = kCols, minY = kRows, maxX = -1, maxY = -1;
  for (int y = 0; y < kRows; ++y)
    for (int x = 0; x < kCols; ++x)
      if (IsOccupied(Cell(x, y))) {
        if (x < minX) minX = x;
        if (x > maxX) maxX = x;
        if (y < minY) minY = y;
        if (y > maxY) maxY = y;
      }
  if (maxX >= 0) {
    for (int y = minY; y <= maxY; ++y)
      for (int x = minX; x <= maxX; ++x)
        CopyItem(Cell(x, y), copy[(minY + maxY - y) * kCols + (minX + maxX - x)]);
    // A gap lies in front of its column, so the gaps between the block's
    // columns turn among themselves and the one in front of the block stays.
    int oldX[kCols], oldY[kRows];
    for (int k = 0; k < kCols; ++k) oldX[k] = DX[k].value;
    for (int k = 0; k < kRows; ++k) oldY[k] = DY[k].value;
    for (int k = minX + 1; k <= maxX; ++k) DX[k].value = oldX[minX + maxX + 1 - k];
    for (int k = minY + 1; k <= maxY; ++k) DY[k].value = oldY[minY + maxY + 1 - k];
    for (int i = 0; i < kCells; ++i) {
      if (!ItemDiffers(copy[i], layout[i])) continue;
      TellIfRelabelled(i, copy[i]);
      RepaintCell(i);
    }
  }
  undo.Snapshot(owner);
  if (g_receiver) g_receiver->LayOutAgain();
  return 1;
}

void AssignGroup(int section, int member, const int* cells, int count, AssignMode mode,
                 HWND owner) {
  if (section < 0 || section >= kSections) return;
  if (member != -1 && (member < 1 || member > 20)) return;
  if (mode != kAssignBand && mode != kAssignDoubleClick) return;
  if (!cells || count <= 0) return;
  for (int n = 0; n < count; ++n)
    if (!ValidCell(cells[n])) return;

  // "None" from the band frees whatever it touched; everything else only
  // concerns items that can belong to a group.
  const bool anyCell = mode == kAssignBand && member == -1;
  bool changed = false;
  for (int n = 0; n < count; ++n) {
    LayoutCell& cell = layout[cells[n]];
    if (!anyCell && (cell.kind == SENSOR || !IsOccupied(cell))) continue;
    if (cell.group[section] == member) continue;
    cell.group[section] = member;
    RepaintCell(cells[n]);
    changed = true;
  }
  if (changed) undo.Snapshot(owner);
}

void SetGap(GapAxis axis, int index, int value, HWND owner) {
  if (axis != kGapX && axis != kGapY) return;
  // Slot 0 is the margin, which has no combo to set it from.
  const int slots = axis == kGapX ? kCols : kRows;
  if (index < 1 || index >= slots || value < 0 || value > 9) return;
  (axis == kGapX ? DX : DY)[index].value = value;
  undo.Snapshot(owner);
}

void RefreshCell(int cell, HWND owner) {
  if (!ValidCell(cell)) return;
  CellTextChanged(cell);
  RepaintCell(cell);
  undo.Snapshot(owner);
}
