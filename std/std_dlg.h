// Base of every dialog: a captioned pop-up that builds its controls in
// code, disables the main window while open and reopens where the user left
// it (dlg.ini, section WINDOW, key = its class name).
#pragma once

#include "std/std.h"

class CDlg : public CWndBase {
 public:
  // Creates the window; 1 when it is open.
  int Create(HWND owner, HINSTANCE inst, const wchar_t* title, HWND* out, const wchar_t* srcFile,
             int line);
  // The close protocol: store the placement, ask WmClose, enable the main
  // window. 1 when the window may be destroyed.
  int Close();
  // Nonzero when the dialog may close; the base refuses and says so.
  virtual int WmClose(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  virtual int ClassName(wchar_t* buf, int size);
  // Fills the client area with the button face.
  static void PaintBackground(HWND hwnd, HDC dc);

  wchar_t className[kTextMax + 1] = L"";
  HINSTANCE inst = nullptr;

 protected:
  // Placement may be written only once Create has finished: a dialog that
  // closes during its own creation keeps the stored one.
  bool created_ = false;
  // Set when the dialog closed itself while building; it has reported why.
  bool closedWhileBuilding_ = false;
};
