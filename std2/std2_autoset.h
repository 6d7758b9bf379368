// The auto-set side pane: the parameters of auto make-up and the button
// that publishes the layout. For now a plain pane of its width.
#pragma once

#include "std2/std2_base.h"

constexpr int kAutosetPaneWidth = 220;
extern CStandInPane autosetPane;
