// The split window of the main window's first pane slot: side panes on the
// left (auto-set pane, or the group pane in group mode) and the scrolling
// layout area on the right. It relays every layout request.
#pragma once

#include "std/std.h"

// Base of split windows: panes on the left keep their own width, panes on
// the right take the rest.
class CSpltWin : public CWndBase {
 public:
  static constexpr int kLeftPanes = 10;
  static constexpr int kRightPanes = 50;
  static constexpr int kMinLeftWidth = 30;
  int Create(HWND window, HINSTANCE inst);
  virtual int CreateChildren(HWND window, HINSTANCE inst) = 0;
  void Size(HWND window);
  void Forward(UINT msg, WPARAM wParam, LPARAM lParam);
  void CloseAll(UINT msg, WPARAM wParam, LPARAM lParam);

  HWND left[kLeftPanes] = {};
  HWND right[kRightPanes] = {};
};

class CBase : public CSpltWin {
 public:
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  int CreateChildren(HWND window, HINSTANCE inst) override;

 private:
  LRESULT Relay(WPARAM wParam, LPARAM lParam);
};

extern CBase base;
// The split window while it exists: where layout requests go.
extern HWND baseWindow;
int CreateSplitWindow(HWND main, HINSTANCE inst);

// A pane whose real content comes later: a plain child window of its own
// class that closes cleanly and paints the window colour.
class CStandInPane : public CWndBase {
 public:
  CStandInPane(const wchar_t* stem, int width) : stem_(stem), width_(width) {}
  LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  int Create(HWND parent, HINSTANCE inst, HWND* out);
  const wchar_t* Stem() const { return stem_; }

 private:
  const wchar_t* stem_;
  int width_;
};
