// What the user's locale says: the language to start in when the settings
// hold none, the code page of each language, and the locale report.
#pragma once

#include "std/std.h"

class CLocale {
 public:
  CLocale();
  // 0 Chinese (936), 1 Korean, 2 Portuguese, 4 Chinese (950), 14 Japanese,
  // 15 English for everything else.
  int DefaultLang();
  // Code page of a LANG value 0..14.
  static int CodePage(int lang);
  // Writes LOCALECHK.txt (UTF-16 with a byte-order mark) in the settings
  // directory; a failure stays silent.
  void WriteCheck();

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CLocale locale;

// The decision of DefaultLang from the locale's English language name and
// OEM code page (-1 when the system gives none).
int LangFromLocale(const wchar_t* englishName, int oemCodePage);
