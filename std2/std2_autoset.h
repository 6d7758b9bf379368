// The auto-set side pane and the export it starts: check the layout, write
// the position files, the IP tables and upload bodies and the server address
// lists, then open the send dialog. For now the pane itself is a plain pane.
#pragma once

#include "std2/std2_base.h"

constexpr int kAutosetPaneWidth = 220;
extern CStandInPane autosetPane;

constexpr int kMaxNamedCells = 1000;

// Publishes the layout; 1 when it got as far as the send dialog.
int AutosetSubmit(HWND owner);

// Opens the send dialog owned by the given window (installed by the send
// dialog's module; none: the export ends without it).
using SendDialogOpener = void (*)(HWND owner, const wchar_t* caption);
SendDialogOpener SetSendDialogOpener(SendDialogOpener opener);  // returns the previous one
