// The communication log pane (second pane slot of the main window). For now
// a plain pane.
#pragma once

#include "std2/std2_base.h"

extern CStandInPane comlogPane;
