#include "std2/std2_typdlg.h"

#include <cstring>

int CTypes::instances_ = 0;
CTypes types MODULE_INIT;

CTypes::CTypes() : guard_(instances_, L"types", HERE) {}

void CTypes::Defaults() {
  static const wchar_t* const kDefaults[] = {L"LOOM", L"HOST", L"ECBOAD", L"WCAM", L"DOCUMENT"};
  memset(TypeNames, 0, sizeof TypeNames);
  for (int i = 0; i < 5; ++i) CopyText(TypeNames[i], kTypeNameChars, kDefaults[i]);
}
