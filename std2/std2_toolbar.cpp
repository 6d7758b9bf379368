#include "std2/std2_toolbar.h"

#include <commctrl.h>

#include "res/resource.h"
#include "std/std_date.h"
#include "std/std_lang.h"
#include "std2/std2_main.h"

int CToolbar::instances_ = 0;
CToolbar toolbar MODULE_INIT;

namespace {
struct Button {
  int image;
  int id;
};
const Button kButtons[] = {{0, kButtonTurn},   {1, kButtonSection}, {2, kButtonZoomIn},
                           {3, kButtonZoomOut}, {4, kButtonUndo},    {5, kButtonComLog}};
constexpr int kImageSize = 32;
}  // namespace

CToolbar::CToolbar() : guard_(instances_, L"toolbar", HERE) {}

bool CToolbar::InsertBand(HWND child, int width, int height) {
  REBARBANDINFOW band = {};
  band.cbSize = sizeof band;
  band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_TEXT;
  band.fStyle = RBBS_NOGRIPPER | RBBS_CHILDEDGE;
  band.lpText = const_cast<wchar_t*>(L"");
  band.hwndChild = child;
  band.cxMinChild = 0;
  band.cyMinChild = height;
  band.cyChild = height;
  band.cx = width;
  return SendMessageW(rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)) != 0;
}

int CToolbar::Create(HWND main) {
  HINSTANCE inst = app.inst;
  SetLastError(0);
  rebar = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER |
                              RBS_BANDBORDERS | RBS_DBLCLKTOGGLE,
                          0, 0, 0, 0, main, nullptr, inst, nullptr);
  if (!rebar) {
    Report(main, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":CreateWindowEx"));
    return 0;
  }
  REBARINFO info = {sizeof info, 0, nullptr};
  SendMessageW(rebar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));

  // The log button exists only when the log is in use this run.
  buttons_ = COMLOG_MODE ? 6 : 5;
  int strip = COMLOG_MODE ? IDB_TOOLBAR6 : IDB_TOOLBAR5;
  TBBUTTON tb[6] = {};
  for (int i = 0; i < buttons_; ++i) {
    tb[i].iBitmap = kButtons[i].image;
    tb[i].idCommand = kButtons[i].id;
    tb[i].fsState = TBSTATE_ENABLED;
    tb[i].fsStyle = BTNS_BUTTON;
  }
  SetLastError(0);
  toolbar = CreateToolbarEx(rebar,
                            WS_CHILD | WS_VISIBLE | CCS_NORESIZE | CCS_ADJUSTABLE | CCS_NODIVIDER |
                                TBSTYLE_TOOLTIPS | TBSTYLE_ALTDRAG | TBSTYLE_FLAT,
                            static_cast<UINT>(strip), buttons_, inst, static_cast<UINT_PTR>(strip), tb,
                            buttons_, 0, 0, kImageSize, kImageSize, sizeof(TBBUTTON));
  if (!toolbar) {
    Report(main, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":CreateToolbarEx"));
    return 0;
  }
  DWORD size = static_cast<DWORD>(SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0));
  int bw = LOWORD(size), bh = HIWORD(size);
  InsertBand(toolbar, bw * buttons_ + 10, bh);

  SetLastError(0);
  tooltip = CreateWindowExW(WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, main, nullptr, inst, nullptr);
  if (!tooltip) {
    Report(main, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":CreateWindowEx"));
  } else {
    for (int i = 0; i < buttons_; ++i) {
      TOOLINFOW ti = {};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_SUBCLASS;
      ti.hwnd = toolbar;
      ti.uId = static_cast<UINT_PTR>(kButtons[i].id);
      SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ti.rect));
      ti.lpszText = const_cast<wchar_t*>(lang.Text(kButtons[i].id));
      SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    SendMessageW(toolbar, TB_SETTOOLTIPS, reinterpret_cast<WPARAM>(tooltip), 0);
  }

  if (!CreateStatic(rebar, inst, kClockId, nullptr, nullptr, kClockPlaceholder, &clock, HERE))
    return 0;
  // The placeholder gives the band its first size.
  HDC dc = GetDC(clock);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(clock, WM_GETFONT, 0, 0)));
  SIZE text = {0, 0};
  GetTextExtentPoint32W(dc, kClockPlaceholder, static_cast<int>(wcslen(kClockPlaceholder)), &text);
  SelectObject(dc, old);
  ReleaseDC(clock, dc);
  SetWindowPos(clock, nullptr, 0, 0, text.cx + 8, bh, SWP_NOMOVE | SWP_NOZORDER);
  InsertBand(clock, text.cx + 8, bh);

  timer_ = SetTimer(nullptr, 0, 3000, ClockTick);
  if (!timer_) {
    Report(main, 0, L"%s:%d\r\n%s", HERE, L"SetTimer ERROR");
    return 0;
  }
  date_[0] = time_[0] = L'\0';
  return 1;
}

void CALLBACK CToolbar::ClockTick(HWND, UINT, UINT_PTR, DWORD) {
  try {
    ::toolbar.RefreshClock();
  } catch (...) {
  }
}

void CToolbar::RefreshClock() {
  if (!clock || !IsWindow(clock)) return;
  wchar_t d[kClockTextMin], t[kClockTextMin];
  if (date.GetDate(d)) CopyText(date_, 21, d);
  if (date.GetTime(t)) CopyText(time_, 21, t);
  if (!date_[0] && !time_[0]) return;  // nothing good yet: the band stays as it is
  wchar_t text[101];
  Format(text, 101, L"[%s %s]", date_, time_);
  SetWindowTextW(clock, text);
}

void CToolbar::EnableTurn(int on) {
  if (toolbar) SendMessageW(toolbar, TB_ENABLEBUTTON, kButtonTurn, MAKELONG(on ? TRUE : FALSE, 0));
}

void CToolbar::Close() {
  // The clock's timer goes with the clock, so it never writes to a dead window.
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
  if (clock && IsWindow(clock)) SendMessageW(clock, WM_CLOSE, 0, 0);
  if (rebar && IsWindow(rebar)) SendMessageW(rebar, WM_CLOSE, 0, 0);
  if (tooltip && IsWindow(tooltip)) DestroyWindow(tooltip);
  clock = rebar = toolbar = tooltip = nullptr;
}
