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

// System metrics read when the main window is created.
struct MainMetrics {
  int cxVScroll = 0;
  int cyCaption = 0;
  int cxFrame = 0;
};
extern MainMetrics metrics;

// Dialogs the menu opens; each dialog's module installs its opener.
enum DialogKind {
  kDialogLanguage,
  kDialogType,
  kDialogOption,
  kDialogOption2,
  kDialogSection6,
  kDialogSection10,
  kDialogHostFetch,
  kDialogHostSettings,
  kDialogKinds
};
using DialogOpener = void (*)(HWND main, const wchar_t* title);
DialogOpener SetDialogOpener(DialogKind kind, DialogOpener opener);  // returns the previous one

int RegisterMainClass(HINSTANCE inst);
// Creates, shows and places the main window; 0 when it cannot be made.
int CreateMainWindow(HINSTANCE inst, int show);
// The window in a pane slot (0 split window, 1 communication log).
HWND PaneSlot(int slot);

// The shutdown sequence of the main window's WM_CLOSE; returns what the
// window procedure returns.
LRESULT ShutDown(HWND frame, WPARAM wParam, LPARAM lParam);

