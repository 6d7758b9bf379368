#include "std2/std2_locale.h"

#include <cstdio>
#include <cwchar>
#include <vector>

#include "std/std_profile.h"

int CLocale::instances_ = 0;
CLocale locale MODULE_INIT;

CLocale::CLocale() : guard_(instances_, L"locale", HERE) {}

int LangFromLocale(const wchar_t* name, int oemCodePage) {
  if (!name || !name[0]) return 15;
  if (wcsstr(name, L"Japanese")) return 14;
  if (wcsstr(name, L"Chinese")) {
    if (oemCodePage == 936) return 0;
    if (oemCodePage == 950) return 4;
    return 15;
  }
  if (wcsstr(name, L"Portuguese")) return 2;
  if (wcsstr(name, L"Korean")) return 1;
  return 15;
}

// One locale item of the user's locale; empty when the system gives none.
static std::vector<wchar_t> LocaleItem(LCTYPE item) {
  LCID lcid = GetUserDefaultLCID();
  int length = GetLocaleInfoW(lcid, item, nullptr, 0);
  std::vector<wchar_t> value(static_cast<size_t>(length > 0 ? length : 0) + 5, L'\0');
  if (length > 0) GetLocaleInfoW(lcid, item, value.data(), length);
  return value;
}

int CLocale::DefaultLang() {
  std::vector<wchar_t> name = LocaleItem(LOCALE_SENGLANGUAGE);
  int oem = -1;
  if (wcsstr(name.data(), L"Chinese")) {
    std::vector<wchar_t> cp = LocaleItem(LOCALE_IDEFAULTCODEPAGE);
    wchar_t* end = nullptr;
    long value = wcstol(cp.data(), &end, 10);
    if (end != cp.data()) oem = static_cast<int>(value);
  }
  return LangFromLocale(name.data(), oem);
}

int CLocale::CodePage(int lang) {
  static const int kCodePages[15] = {936,  949,  1252, 850,  950,  1254, 1252, 1252,
                                     1252, 1252, 1252, 1252, 1252, 1252, 932};
  return lang >= 0 && lang < 15 ? kCodePages[lang] : 1252;
}

void CLocale::WriteCheck() {
  struct Item {
    LCTYPE type;
    const wchar_t* name;
  } items[] = {
      {LOCALE_SENGLANGUAGE, L"LOCALE_SENGLANGUAGE"},
      {LOCALE_SLANGUAGE, L"LOCALE_SLANGUAGE"},
      {LOCALE_ILANGUAGE, L"LOCALE_ILANGUAGE"},
      {LOCALE_IDEFAULTANSICODEPAGE, L"LOCALE_IDEFAULTANSICODEPAGE"},
      {LOCALE_IDEFAULTCODEPAGE, L"LOCALE_IDEFAULTCODEPAGE"},
  };
  wchar_t path[kTextMax + 1];
  JoinPath(path, kTextMax + 1, profile.dir, L"LOCALECHK.txt");
  FILE* f = _wfopen(path, L"wb");
  if (!f) return;
  static const unsigned char kBom[2] = {0xFF, 0xFE};
  fwrite(kBom, 1, 2, f);
  for (const Item& item : items) {
    std::vector<wchar_t> value = LocaleItem(item.type);
    // An item the system gives no value for shows its name and the colon.
    for (const wchar_t* part : {item.name, L":", static_cast<const wchar_t*>(value.data()), L"\r\n"})
      fwrite(part, sizeof(wchar_t), wcslen(part), f);
  }
  fflush(f);
  fclose(f);
}
