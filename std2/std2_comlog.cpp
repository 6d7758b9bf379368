#include "std2/std2_comlog.h"

CStandInPane comlogPane(L"ComLog", 0);
