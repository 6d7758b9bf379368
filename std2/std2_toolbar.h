// The rebar across the main window's top: the toolbar with balloon tooltips
// and the clock band.
#pragma once

#include "std/std.h"

constexpr int kClockId = 47;
constexpr int kButtonTurn = 76;
constexpr int kButtonSection = 54;
constexpr int kButtonZoomIn = 66;
constexpr int kButtonZoomOut = 67;
constexpr int kButtonUndo = 60;
constexpr int kButtonComLog = 9;

class CToolbar {
 public:
  CToolbar();
  // Rebar, toolbar (five buttons, six with the log), tooltips and clock; 1
  // when all are made, 0 after the failing part's report.
  int Create(HWND main);
  void Close();
  void EnableTurn(int on);
  // Sets the clock text from the clock object; a part whose text cannot be
  // had keeps its last good text.
  void RefreshClock();
  int Buttons() const { return buttons_; }

  HWND rebar = nullptr;
  HWND toolbar = nullptr;
  HWND tooltip = nullptr;
  HWND clock = nullptr;

 private:
  static void CALLBACK ClockTick(HWND, UINT, UINT_PTR, DWORD);
  bool InsertBand(HWND child, int width, int height);
  static int instances_;
  ModuleGuard guard_;
  UINT_PTR timer_ = 0;
  int buttons_ = 0;
  wchar_t date_[21] = L"";
  wchar_t time_[21] = L"";
};

extern CToolbar toolbar;

constexpr wchar_t kClockPlaceholder[] = L"2005 05/17(WED) 00:00:00  ";
