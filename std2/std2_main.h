// Start-up and shutdown of the program.
#pragma once

#include "std/std.h"

// Switches read at start-up and written back at every close.
extern int COMLOG_MODE;
extern int OPT_DETAIL;
extern int LUCKY_1;

// wParam of WM_CLOSE asking to close after a change of language.
constexpr WPARAM CLOSE_RESTART = 32770;

// The fixed settings directory of the program.
extern const wchar_t* const kSettingsDirectory;

// The whole run: start-up, message loop, exit code. The settings directory
// is the caller's (the entry passes the fixed one).
int ProgramMain(HINSTANCE inst, int show, const wchar_t* settingsDir);

// The shutdown sequence of the main window's WM_CLOSE; returns what the
// window procedure returns.
LRESULT ShutDown(HWND frame, WPARAM wParam, LPARAM lParam);

// The main window while the program runs, else none.
HWND MainWindow();
