#include "std/std_statusbar.h"

#include <commctrl.h>

#include "std/std_font.h"

int CStatusBar::instances_ = 0;
CStatusBar statusbar MODULE_INIT;

CStatusBar::CStatusBar() : guard_(instances_, L"statusbar", HERE) {}

int CStatusBar::Create(HWND main) {
  SetLastError(0);
  hwnd = CreateStatusWindowW(WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, L"", main, kStatusBarId);
  if (!hwnd) {
    Report(main, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":CreateStatusWindow"));
    return 0;
  }
  // Pixel sizes are given for 96 DPI.
  int edges[3] = {font.Scale(300), font.Scale(600), -1};
  SendMessageW(hwnd, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  SendMessageW(hwnd, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
  SendMessageW(hwnd, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
  SendMessageW(hwnd, SB_SETTEXTW, 2 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L""));
  GetWindowRect(hwnd, &rect);
  return 1;
}

void CStatusBar::Close() {
  if (hwnd && IsWindow(hwnd)) SendMessageW(hwnd, WM_CLOSE, 0, 0);
  hwnd = nullptr;
}
