#include "std2/std2_base.h"

#include "std/std_font.h"
#include "std2/std2_autoset.h"
#include "std2/std2_grpsetL.h"
#include "std2/std2_layout.h"
#include "std2/std2_main.h"

CBase base;
HWND baseWindow = nullptr;

namespace {
constexpr int kCodeSidePane = 30;
WNDCLASSEXW g_baseClass;
}  // namespace

// ---------------------------------------------------------------- stand-ins

LRESULT CStandInPane::WndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, msg, wParam, lParam);
}

int CStandInPane::Create(HWND parent, HINSTANCE inst, HWND* out) {
  WNDCLASSEXW wc;
  return CchildCreateWindowEx(parent, inst, &wc, stem_, WHITE_BRUSH, font.Scale(width_), this, out,
                              HERE);
}

// ---------------------------------------------------------------- split window

int CSpltWin::Create(HWND window, HINSTANCE inst) {
  for (HWND& h : left) h = nullptr;
  for (HWND& h : right) h = nullptr;
  return CreateChildren(window, inst);
}

void CSpltWin::Size(HWND window) {
  HWND first = nullptr;
  for (HWND h : left)
    if (h && IsWindowVisible(h)) {
      first = h;
      break;
    }
  if (!first) return;
  RECT own, pane;
  GetWindowRect(window, &own);
  GetWindowRect(first, &pane);
  int W = own.right - own.left, H = own.bottom - own.top;
  int w = pane.right - pane.left;
  if (w < kMinLeftWidth) w = kMinLeftWidth;
  // The side panes' frames lie outside the split window.
  int f = GetSystemMetrics(SM_CXFRAME);
  for (HWND h : left)
    if (h) PlaceChild(h, -f, -f, w, H + 2 * f);
  for (HWND h : right)
    if (h) PlaceChild(h, w - f, 0, W - w + f, H);
}

void CSpltWin::Forward(UINT msg, WPARAM wParam, LPARAM lParam) {
  for (HWND h : left)
    if (h && IsWindowVisible(h)) SendMessageW(h, msg, wParam, lParam);
  for (HWND h : right)
    if (h && IsWindowVisible(h)) SendMessageW(h, msg, wParam, lParam);
}

void CSpltWin::CloseAll(UINT msg, WPARAM wParam, LPARAM lParam) {
  for (HWND& h : left)
    if (h && IsWindow(h)) SendMessageW(h, msg, wParam, lParam);
  for (HWND& h : right)
    if (h && IsWindow(h)) SendMessageW(h, msg, wParam, lParam);
  for (HWND& h : left) h = nullptr;
  for (HWND& h : right) h = nullptr;
}

// ---------------------------------------------------------------- CBase

int CBase::CreateChildren(HWND window, HINSTANCE inst) {
  CStandInPane& groups = LUCKY_1 ? grpsetLPane : grpsetPane;
  if (!groups.Create(window, inst, &left[1])) return 0;
  if (!autosetPane.Create(window, inst, &left[0])) return 0;
  if (!CreateLayoutPane(window, inst)) return 0;
  right[0] = layoutPaneWindow;
  ShowWindow(left[1], SW_HIDE);
  return 1;
}

LRESULT CBase::Relay(WPARAM code, LPARAM lParam) {
  if (code >= kCodeSidePane) {
    ShowWindow(left[0], lParam ? SW_HIDE : SW_SHOW);
    ShowWindow(left[1], lParam ? SW_SHOW : SW_HIDE);
    Size(hwnd);
    return 0;
  }
  HWND area = right[0];
  if (!area || !IsWindow(area)) return 0;
  // Nothing of the grid's intermediate states is painted; one redraw after.
  SendMessageW(area, WM_SETREDRAW, FALSE, 0);
  LRESULT result = SendMessageW(area, WM_LAYOUT, code, lParam);
  SendMessageW(area, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(area, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  return result;
}

LRESULT CBase::WndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      baseWindow = window;
      if (!Create(window, reinterpret_cast<CREATESTRUCTW*>(lParam)->hInstance)) {
        CloseAll(WM_CLOSE, 0, 0);
        return -1;  // the creator reports and gives up
      }
      return 0;
    case WM_SIZE:
      Size(window);
      return 0;
    case WM_CLOSE:
      CloseAll(WM_CLOSE, wParam, lParam);
      return DefWindowProcW(window, msg, wParam, lParam);
    case WM_DESTROY:
      if (baseWindow == window) baseWindow = nullptr;
      return 0;
    case WM_KEYDOWN:
    case WM_MOUSEWHEEL:
      Forward(msg, wParam, lParam);
      return 0;
    case WM_LAYOUT:
      return Relay(wParam, lParam);
    default:
      return DefWindowProcW(window, msg, wParam, lParam);
  }
}

int CreateSplitWindow(HWND main, HINSTANCE inst) {
  HWND window = nullptr;
  return CchildCreateWindowEx(main, inst, &g_baseClass, L"CBase", WHITE_BRUSH, 0, &base, &window,
                              HERE, WS_EX_TOOLWINDOW, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
}
