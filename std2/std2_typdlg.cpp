#include "std2/std2_typdlg.h"

#include <cstring>
#include <cwchar>

#include "std/std_file.h"
#include "std/std_lang.h"
#include "std2/std2_lout_itbl.h"

int CTypes::instances_ = 0;
CTypes types MODULE_INIT;

CTypes::CTypes() : guard_(instances_, L"types", HERE) {}

void CTypes::Defaults() {
  static const wchar_t* const kDefaults[] = {L"LOOM", L"HOST", L"ECBOAD", L"WCAM", L"DOCUMENT"};
  memset(TypeNames, 0, sizeof TypeNames);
  for (int i = 0; i < 5; ++i) CopyText(TypeNames[i], kTypeNameChars, kDefaults[i]);
}

int CTypes::IndexOf(const wchar_t* typeName) const {
  if (!typeName) return 0;
  for (int i = 0; i < kTypeCount; ++i)
    if (TypeNames[i][0] != L'\0' && wcscmp(TypeNames[i], typeName) == 0) return i;
  return 0;
}

int CTypes::Read(const TableText& text) {
  bool found[kTypeCount] = {};
  int left = kTypeCount;
  for (size_t i = 0; i < text.Count() && left > 0; ++i) {
    const char* line = text.Line(i);
    if (!line) continue;
    for (int t = 0; t < kTypeCount; ++t) {
      char keyword[8];
      FormatA(keyword, sizeof keyword, "TYPE%d ", t);
      if (found[t] || strncmp(line, keyword, 6) != 0) continue;
      char copy[TableText::kLineMax + 1];
      CopyTextA(copy, sizeof copy, line + 6);
      char* token[1];
      wchar_t name[kTypeNameChars];
      if (SplitTokens(copy, token, 1) == 1 && TokenToWide(token[0], name, kTypeNameChars - 2)) {
        CopyText(TypeNames[t], kTypeNameChars, name);
        found[t] = true;
        --left;
      }
      break;
    }
  }
  return 1;
}

int CTypes::Write(FILE* f) {
  for (int t = 0; t < kTypeCount; ++t)
    if (!FilePrint(f, L"TYPE%d %s\n", t, TableField(TypeNames[t]))) return 0;
  return 1;
}
