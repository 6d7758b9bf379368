// The status bar along the main window's bottom: three empty parts.
#pragma once

#include "std/std.h"

constexpr int kStatusBarId = 81;

class CStatusBar {
 public:
  CStatusBar();
  // 1 when made; 0 after the report.
  int Create(HWND main);
  void Close();
  HWND hwnd = nullptr;
  RECT rect = {};  // taken at creation; its height lays out the panes

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CStatusBar statusbar;
