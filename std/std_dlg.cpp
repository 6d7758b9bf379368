#include "std/std_dlg.h"

#include "std/std_profile.h"

namespace {
constexpr UINT kPlacementBytes = sizeof(WINDOWPLACEMENT);
static_assert(kPlacementBytes == 44, "stored placement is 44 bytes");
}  // namespace

int CDlg::ClassName(wchar_t* buf, int size) {
  Format(buf, static_cast<size_t>(size), L"%s_CDlg", app.name);
  return 1;
}

int CDlg::WmClose(HWND hwnd, UINT, WPARAM, LPARAM) {
  ShowMessageBox(hwnd, L"CDlg::WmClose::Maybe, You have to OverWrite This Function!", L"CONFIRM",
                 MB_OK | MB_ICONINFORMATION);
  return 0;
}

void CDlg::PaintBackground(HWND hwnd, HDC dc) {
  RECT r;
  GetClientRect(hwnd, &r);
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  HPEN pen = CreatePen(PS_SOLID, 2, GetSysColor(COLOR_BTNFACE));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, face);
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

int CDlg::Create(HWND owner, HINSTANCE instance, const wchar_t* title, HWND* out,
                 const wchar_t* srcFile, int line) {
  created_ = false;
  inst = instance;
  ClassName(className, kTextMax + 1);
  WNDCLASSEXW wc;
  HWND window = nullptr;
  closedWhileBuilding_ = false;
  if (!DchildCreateWindowEx(owner, instance, &wc, className, title, this, &window, srcFile, line,
                            kSilent)) {
    // A dialog that closed itself while building has said why already.
    if (!closedWhileBuilding_)
      Report(owner, 0, L"%s:%d\r\n%s", srcFile, line,
             SysErrorText(L":CreateWindowEx(DchildCreateWindowEx)"));
    return 0;
  }
  WINDOWPLACEMENT wp = {};
  RECT now;
  GetWindowRect(window, &now);
  if (profile.ReadStruct(L"WINDOW", className, &wp, kPlacementBytes, L"dlg.ini") &&
      wp.length == kPlacementBytes) {
    // Stored position, the size the controls gave the window now.
    wp.rcNormalPosition.right = wp.rcNormalPosition.left + now.right;
    wp.rcNormalPosition.bottom = wp.rcNormalPosition.top + now.bottom;
    if (SanePlacement(wp)) {
      SetWindowPlacement(window, &wp);
    } else {
      CenterOnMain(window);
      ShowWindow(window, SW_SHOWNORMAL);
    }
  } else {
    CenterOnMain(window);
    ShowWindow(window, SW_SHOWNORMAL);
  }
  UpdateWindow(window);
  if (HWND main = MainWindow()) EnableWindow(main, FALSE);
  created_ = true;
  if (out) *out = window;
  return 1;
}

int CDlg::Close() {
  if (!created_) closedWhileBuilding_ = true;
  if (created_ && hwnd && !IsIconic(hwnd)) {
    WINDOWPLACEMENT wp = {};
    wp.length = kPlacementBytes;
    if (GetWindowPlacement(hwnd, &wp))
      profile.WriteStruct(L"WINDOW", className, &wp, kPlacementBytes, L"dlg.ini", hwnd, HERE);
  }
  if (!WmClose(hwnd, WM_CLOSE, 0, 0)) return 0;
  if (HWND main = MainWindow()) EnableWindow(main, TRUE);
  created_ = false;
  return 1;
}
