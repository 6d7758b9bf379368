#include "std2/std2_autoset.h"

CStandInPane autosetPane(L"CAutoset", kAutosetPaneWidth);
