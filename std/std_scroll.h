// Scrolling panes: a child window that shows one larger content window and
// scrolls it with its own two scroll bars, the arrow, page and home/end keys
// and the mouse wheel. A derived pane supplies the content window.
#pragma once

#include "std/std.h"

class CScroll : public CWndBase {
 public:
  // Routes creation, sizing, closing, keys, commands, scrolling and the wheel.
  LRESULT WndProc(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Creates the content window and stores its handle in content; 1 on success.
  virtual int WmCreate(HWND pane, HINSTANCE inst, WPARAM wParam, LPARAM lParam);
  // Resets the pane, lets WmCreate build the content and takes its size.
  virtual int CreatePane(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam);
  // Fits both axes to the new client size (lParam) and moves the content.
  virtual int WmSize(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam, const wchar_t* srcFile,
                     int line, int mode);
  // Scroll-bar requests (request code in the low word of wParam); 0 after a
  // reported scroll failure, else 1.
  virtual int WmVScroll(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam, const wchar_t* srcFile,
                        int line, int mode);
  virtual int WmHScroll(HWND pane, UINT msg, WPARAM wParam, LPARAM lParam, const wchar_t* srcFile,
                        int line, int mode);

  // Fills one axis's state for content of size contentSize in a pane of size
  // paneSize, keeping the position where it can, and returns the content's
  // offset on that axis.
  int FitAxis(SCROLLINFO* state, int contentSize, int paneSize) const;
  // Arrow, page and home/end keys; nonzero when the key scrolled.
  int KeyScroll(HWND pane, WPARAM key);
  // One line per wheel message, when there is anything to scroll; always 1.
  int WheelScroll(HWND pane, WPARAM wParam);
  // Moves one axis (SB_HORZ or SB_VERT) by delta pixels within its range.
  int ScrollBy(HWND pane, int bar, int delta, const wchar_t* srcFile, int line, int mode);
  // Fits both axes to the pane's current client size and the content's size.
  void Refit(HWND pane);
  void SetLineSteps(int back, int forward) {
    lineBack = back;
    lineForward = forward;
  }
  bool ContentWider() const { return Scrollable(hscroll); }
  bool ContentTaller() const { return Scrollable(vscroll); }
  // The largest position an axis can take: never below its minimum.
  static int LastPosition(const SCROLLINFO& state);

  HWND content = nullptr;
  bool centre = false;
  SCROLLINFO hscroll = Axis();
  SCROLLINFO vscroll = Axis();
  int paneWidth = 0, paneHeight = 0;
  int lineBack = -20;     // line up or left
  int lineForward = 20;   // line down or right
  int contentWidth = 0, contentHeight = 0;

 private:
  static SCROLLINFO Axis();
  static bool Scrollable(const SCROLLINFO& state) {
    return state.nMax - state.nMin > static_cast<int>(state.nPage);
  }
  int ScrollRequest(HWND pane, int bar, WPARAM wParam, const wchar_t* srcFile, int line, int mode);
};
