// Window classes of the layout: the scrolling layout pane and the grid view
// inside it.
#include "std2/std2_layout.h"

#include "std2/std2_lout_itbl.h"
#include "std2/std2_undo.h"

HWND layoutPaneWindow = nullptr;
HWND gridWindow = nullptr;
CLayout layoutPane;
CLayout2 grid;

namespace {
// Request kinds of WM_2PARENT (high word of wParam).
constexpr int kAskPaneRect = 0;
constexpr int kAskLineStep = 1;
// Line steps (low word of wParam) of kAskLineStep.
enum LineStep { kStepUp = 0, kStepDown = 1, kStepLeft = 2, kStepRight = 3 };

// Every cell takes four units and every gap one unit plus its value; one
// more unit closes the far side.
constexpr int kCellUnits = 4;

// The overview's extent along one axis: the most whole units that fit the
// visible length.
int OverviewExtent(int visible, const GapSlot* gaps, int count) {
  int units = 1;
  for (int k = 0; k < count; ++k) units += kCellUnits + 1 + (gaps[k].value > 0 ? gaps[k].value : 0);
  if (visible <= 0) return 0;
  return visible / units * units;
}
}  // namespace

// ------------------------------------------------------------- grid view

LRESULT CLayout2::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return WmCreate(hwnd, lParam);
    case WM_DESTROY:
      if (gridWindow == hwnd) gridWindow = nullptr;
      break;
    case WM_2PARENT:
      return SendMessageW(GetParent(hwnd), msg, wParam, lParam);
    case WM_LAYOUT:
      return WmLayout(hwnd, wParam, lParam);
    default:
      break;
  }
  return CWndBase::WndProc(hwnd, msg, wParam, lParam);
}

LRESULT CLayout2::WmCreate(HWND hwnd, LPARAM lParam) {
  inst = reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance;
  displayMode = kDetailedView;
  groupMode = 0;
  gridWindow = hwnd;
  LayOut(hwnd);
  return 0;
}

void CLayout2::LayOut(HWND hwnd) {
  int width = kGridDetailedWidth, height = kGridDetailedHeight;
  if (displayMode != kDetailedView) {
    // The overview fills what the pane shows, scroll bars included.
    RECT visible{};
    if (!SendMessageW(GetParent(hwnd), WM_2PARENT, MAKEWPARAM(0, kAskPaneRect),
                      reinterpret_cast<LPARAM>(&visible)))
      return;
    width = OverviewExtent(visible.right - visible.left, DX, kCols);
    height = OverviewExtent(visible.bottom - visible.top, DY, kRows);
  }
  SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CLayout2::WmLayout(HWND hwnd, WPARAM code, LPARAM lParam) {
  switch (code) {
    case 0:
      displayMode = lParam ? kDetailedView : kOverview;
      LayOut(hwnd);
      return 1;
    case 1:
      TurnHalf(hwnd);  // snapshots itself
      LayOut(hwnd);
      return 1;
    case 2:
      undo.Restore(hwnd);
      LayOut(hwnd);
      return 1;
    case 3:
      ClearMarks();
      LayOut(hwnd);
      return 1;
    case 10:
      // The overview shows no labels, so there is nothing to refresh.
      if (displayMode == kDetailedView) RefreshCell(static_cast<int>(lParam), hwnd);
      return 0;
    case 11:
      return groupMode;
    case 12:
      groupMode = static_cast<int>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 1;
    case 13:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 1;
    case 15:
      ClearMarked(hwnd);
      return 0;
    default:
      Report(hwnd, 0, L"%s:%d\r\n%s", HERE, L"WM_LAYOUT(CLayout2::WndProc):Unknown command");
      return 0;
  }
}

// ------------------------------------------------------------- layout pane

LRESULT CLayout::WndProc(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      layoutPaneWindow = pane;
      break;
    case WM_DESTROY:
      if (layoutPaneWindow == pane) layoutPaneWindow = nullptr;
      break;
    case WM_2PARENT:
      return FromGrid(pane, wParam, lParam);
    case WM_LAYOUT:
      return RelayLayout(pane, wParam, lParam);
    default:
      break;
  }
  return CScroll::WndProc(pane, msg, wParam, lParam);
}

int CLayout::WmCreate(HWND pane, HINSTANCE inst, WPARAM, LPARAM) {
  return CchildCreateWindowEx(pane, inst, &gridClass_, L"CLayout2", WHITE_BRUSH, kGridDetailedWidth,
                              &grid, &content, HERE);
}

int CLayout::CreatePane(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!CScroll::CreatePane(pane, msg, wParam, lParam)) return 0;
  SetLineSteps(-kLayoutLineStep, kLayoutLineStep);
  return 1;
}

LRESULT CLayout::FromGrid(HWND pane, WPARAM wParam, LPARAM lParam) {
  const int kind = HIWORD(wParam), step = LOWORD(wParam);
  if (kind == kAskPaneRect) return lParam ? GetWindowRect(pane, reinterpret_cast<RECT*>(lParam)) : 0;
  if (kind == kAskLineStep) {
    switch (step) {
      case kStepUp:
        return WmVScroll(pane, WM_VSCROLL, SB_LINEUP, 0, HERE, 0);
      case kStepDown:
        return WmVScroll(pane, WM_VSCROLL, SB_LINEDOWN, 0, HERE, 0);
      case kStepLeft:
        return WmHScroll(pane, WM_HSCROLL, SB_LINELEFT, 0, HERE, 0);
      case kStepRight:
        return WmHScroll(pane, WM_HSCROLL, SB_LINERIGHT, 0, HERE, 0);
      default:
        break;
    }
  }
  Report(pane, 0, L"%s:%d\r\n%s", HERE, L"WM_2PARENT(CLayout::WndProc):Unknown command");
  return 0;
}

LRESULT CLayout::RelayLayout(HWND pane, WPARAM wParam, LPARAM lParam) {
  if (content && SendMessageW(content, WM_LAYOUT, wParam, lParam)) FitToGrid(pane);
  return 1;
}

void CLayout::FitToGrid(HWND pane) {
  RECT gridRect{}, paneRect{};
  GetClientRect(content, &gridRect);
  GetClientRect(pane, &paneRect);
  contentWidth = gridRect.right;
  contentHeight = gridRect.bottom;
  paneWidth = paneRect.right;
  paneHeight = paneRect.bottom;
  hscroll.nPos = 0;
  vscroll.nPos = 0;
  Refit(pane);
}

int CreateLayoutPane(HWND parent, HINSTANCE inst) {
  static WNDCLASSEXW paneClass;
  HWND pane = nullptr;
  // The split window gives the pane its size.
  if (!CchildCreateWindowEx(parent, inst, &paneClass, L"CLayout", LTGRAY_BRUSH, CW_USEDEFAULT,
                            &layoutPane, &pane, HERE))
    return 0;
  return IsWindow(pane) ? 1 : 0;
}
