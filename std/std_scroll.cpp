// Scrolling panes: sizing, scroll bars, keys and wheel shared by every pane.
#include "std/std_scroll.h"

namespace {
constexpr UINT kAxisMask = SIF_RANGE | SIF_PAGE | SIF_POS;

int Page(const SCROLLINFO& state) { return static_cast<int>(state.nPage); }
}  // namespace

SCROLLINFO CScroll::Axis() {
  SCROLLINFO state{};
  state.cbSize = sizeof state;
  state.fMask = kAxisMask;
  return state;
}

int CScroll::LastPosition(const SCROLLINFO& state) {
  // Content that fits the pane has nowhere to go: the end is the start.
  int last = state.nMax - Page(state);
  return last < state.nMin ? state.nMin : last;
}

LRESULT CScroll::WndProc(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      if (!CreatePane(pane, msg, wParam, lParam)) SendMessageW(pane, WM_CLOSE, 0, 0);
      return 0;
    case WM_SIZE:
      WmSize(pane, msg, wParam, lParam, HERE, 0);
      return 0;
    case WM_CLOSE:
      if (content) {
        SendMessageW(content, WM_CLOSE, wParam, lParam);
        if (!IsWindow(content)) content = nullptr;
      }
      return CWndBase::WndProc(pane, msg, wParam, lParam);
    case WM_KEYDOWN:
      if (KeyScroll(pane, wParam)) return 0;
      return CWndBase::WndProc(pane, msg, wParam, lParam);
    case WM_COMMAND:
      if (content) return SendMessageW(content, msg, wParam, lParam);
      return CWndBase::WndProc(pane, msg, wParam, lParam);
    case WM_HSCROLL:
      WmHScroll(pane, msg, wParam, lParam, HERE, 0);
      return 0;
    case WM_VSCROLL:
      WmVScroll(pane, msg, wParam, lParam, HERE, 0);
      return 0;
    case WM_MOUSEWHEEL:
      return WheelScroll(pane, wParam);
    default:
      return CWndBase::WndProc(pane, msg, wParam, lParam);
  }
}

int CScroll::WmCreate(HWND pane, HINSTANCE, WPARAM, LPARAM) {
  ShowMessageBox(pane, L"CScroll::WmCreate::Maybe, You have to OverWrite This Function!",
                 L"CONFIRM", MB_OK | MB_ICONINFORMATION);
  return 0;
}

int CScroll::CreatePane(HWND pane, UINT, WPARAM wParam, LPARAM lParam) {
  content = nullptr;
  SetLineSteps(-20, 20);
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  if (!WmCreate(pane, create ? create->hInstance : nullptr, wParam, lParam) || !content) return 0;
  RECT client{};
  GetClientRect(content, &client);
  contentWidth = client.right;
  contentHeight = client.bottom;
  hscroll = Axis();
  vscroll = Axis();
  return 1;
}

int CScroll::FitAxis(SCROLLINFO* state, int contentSize, int paneSize) const {
  state->cbSize = sizeof *state;
  state->fMask = kAxisMask;
  state->nMin = 0;
  state->nMax = contentSize;
  state->nPage = paneSize < 0 ? 0u : static_cast<UINT>(paneSize);
  if (contentSize < paneSize) {
    state->nPos = 0;
    return centre ? (paneSize - contentSize) / 2 : 0;
  }
  if (contentSize - paneSize < state->nPos) state->nPos = contentSize - paneSize;
  if (state->nPos < 0) state->nPos = 0;
  return -state->nPos;
}

void CScroll::Refit(HWND pane) {
  int x = FitAxis(&hscroll, contentWidth, paneWidth);
  int y = FitAxis(&vscroll, contentHeight, paneHeight);
  if (content) MoveWindow(content, x, y, contentWidth, contentHeight, TRUE);
  // Showing or hiding a bar changes the client size: the WM_SIZE that
  // follows fits again, so the members always hold the latest fit.
  SetScrollInfo(pane, SB_HORZ, &hscroll, TRUE);
  SetScrollInfo(pane, SB_VERT, &vscroll, TRUE);
}

int CScroll::WmSize(HWND pane, UINT, WPARAM, LPARAM lParam, const wchar_t*, int, int) {
  paneWidth = LOWORD(lParam);
  paneHeight = HIWORD(lParam);
  Refit(pane);
  return 1;
}

int CScroll::ScrollBy(HWND pane, int bar, int delta, const wchar_t* srcFile, int line, int mode) {
  SCROLLINFO& state = bar == SB_HORZ ? hscroll : vscroll;
  const int old = state.nPos;
  // Widened so a Home or End on a huge range cannot overflow.
  long long wanted = static_cast<long long>(old) + delta;
  int now = wanted < state.nMin ? state.nMin
            : wanted > LastPosition(state) ? LastPosition(state)
                                           : static_cast<int>(wanted);
  state.nPos = now;
  state.cbSize = sizeof state;
  state.fMask = kAxisMask;
  SetScrollInfo(pane, bar, &state, TRUE);
  const int moved = now - old;
  if (moved == 0) return 1;
  const int dx = bar == SB_HORZ ? -moved : 0, dy = bar == SB_VERT ? -moved : 0;
  if (ScrollWindowEx(pane, dx, dy, nullptr, nullptr, nullptr, nullptr,
                     SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE) == ERROR) {
    ReportFor(pane, mode, L"%s:%d\r\n%s", srcFile, line, L"CScroll::ScrollWindowEx");
    return 0;
  }
  return 1;
}

int CScroll::ScrollRequest(HWND pane, int bar, WPARAM wParam, const wchar_t* srcFile, int line,
                           int mode) {
  SetFocus(pane);
  const SCROLLINFO& state = bar == SB_HORZ ? hscroll : vscroll;
  int delta = 0;
  switch (LOWORD(wParam)) {
    case SB_LINEUP:  // also SB_LINELEFT
      delta = lineBack;
      break;
    case SB_LINEDOWN:
      delta = lineForward;
      break;
    case SB_PAGEUP:
      delta = -Page(state);
      break;
    case SB_PAGEDOWN:
      delta = Page(state);
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
      delta = static_cast<int>(HIWORD(wParam)) - state.nPos;
      break;
    default:
      return 1;  // top, bottom and end of scroll
  }
  if (delta == 0) return 1;
  return ScrollBy(pane, bar, delta, srcFile, line, mode);
}

int CScroll::WmVScroll(HWND pane, UINT, WPARAM wParam, LPARAM, const wchar_t* srcFile, int line,
                       int mode) {
  return ScrollRequest(pane, SB_VERT, wParam, srcFile, line, mode);
}

int CScroll::WmHScroll(HWND pane, UINT, WPARAM wParam, LPARAM, const wchar_t* srcFile, int line,
                       int mode) {
  return ScrollRequest(pane, SB_HORZ, wParam, srcFile, line, mode);
}

int CScroll::KeyScroll(HWND pane, WPARAM key) {
  if (ContentWider() && (key == VK_LEFT || key == VK_RIGHT)) {
    SendMessageW(pane, WM_HSCROLL, key == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT, 0);
    return 1;
  }
  if (!ContentTaller()) return 0;
  switch (key) {
    case VK_PRIOR:
      SendMessageW(pane, WM_VSCROLL, SB_PAGEUP, 0);
      return 1;
    case VK_NEXT:
      SendMessageW(pane, WM_VSCROLL, SB_PAGEDOWN, 0);
      return 1;
    case VK_UP:
      SendMessageW(pane, WM_VSCROLL, SB_LINEUP, 0);
      return 1;
    case VK_DOWN:
      SendMessageW(pane, WM_VSCROLL, SB_LINEDOWN, 0);
      return 1;
    case VK_HOME:
      ScrollBy(pane, SB_VERT, -vscroll.nMax, HERE, 0);
      return 1;
    case VK_END:
      ScrollBy(pane, SB_VERT, vscroll.nMax, HERE, 0);
      return 1;
    default:
      return 0;
  }
}

int CScroll::WheelScroll(HWND pane, WPARAM wParam) {
  // Never passed on: the default processing would hand the wheel to the
  // parent, which forwards it back to its panes.
  if (!ContentTaller()) return 1;
  const short delta = static_cast<short>(HIWORD(wParam));
  SendMessageW(pane, WM_VSCROLL, delta > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
  return 1;
}
