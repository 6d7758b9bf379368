#include "std/std_lang.h"

#include <cstring>

#include "std/std_profile.h"

int CLang::instances_ = 0;
CLang lang MODULE_INIT;

const wchar_t* const kLangKeyNames[kLangRows] = {
    L"S_TOP_OF_LANG",
    L"S_1STMACIP",
    L"S_1STMACNAME",
    L"S_ACTION4MIP",
    L"S_ACTION4MNAME",
    L"S_AUTOMAKEUP",
    L"S_CANCEL",
    L"S_CLEAR",
    L"S_CLOSE_CONFIRM",
    L"S_COMLOG",
    L"S_CONFIRM",
    L"S_DIRECTION",
    L"S_DONE",
    L"S_DXDATACHANGED",
    L"S_DYDATACHANGED",
    L"S_EFFICIENCY_BOARD",
    L"S_GOOD",
    L"S_GRP",
    L"S_INET_COM2HOST",
    L"S_INET_DIRECT",
    L"S_INET_FAIL_COM2HOST",
    L"S_INET_FAIR_COM2HOST",
    L"S_INET_IE",
    L"S_INET_IPADRS",
    L"S_INSUFFICIENTDATA",
    L"S_LOOMDATACHANGED",
    L"S_LTURN90",
    L"S_MACIP",
    L"S_MACNAME",
    L"S_MENU_EXIT",
    L"S_MENU_FILE",
    L"S_MENU_GRP",
    L"S_MENU_HELP",
    L"S_MENU_LANG",
    L"S_MENU_OPT",
    L"S_MENU_SCTN",
    L"S_MENU_SETTING",
    L"S_MENU_SGMT",
    L"S_MENU_TYPE",
    L"S_MENU_VERSION",
    L"S_MOVE",
    L"S_NETWORK",
    L"S_OVERMAXMAC",
    L"S_PARTS_CATALOG",
    L"S_PASSWD",
    L"S_PASTE",
    L"S_PATTERN_MANAGER",
    L"S_RBAR_SELMON",
    L"S_REBOOT2",
    L"S_REBOOTREQ",
    L"S_REMOVEDATA",
    L"S_RTURN180",
    L"S_RTURN90",
    L"S_SAVE",
    L"S_SECTION",
    L"S_SEND",
    L"S_STYLE",
    L"S_STYLE_MANAGER",
    L"S_SUBMIT",
    L"S_TITLE4CLOSE_CONFIRM",
    L"S_UNDO",
    L"S_UNSPTDMACIP",
    L"S_UPDATE_NG",
    L"S_UPDATE_OK",
    L"S_USERNAME",
    L"S_WEB_CAMERA",
    L"S_ZOOMIN",
    L"S_ZOOMOUT",
    L"S_DUPLOOMNAME",
    L"S_DUPLOOMIP",
    L"S_USINGTYPE",
    L"S_NOTYPE0",
    L"S_HOST",
    L"S_NOTYPE01",
    L"S_PRPTY",
    L"S_SEGMENT",
    L"S_TURN",
    L"S_COM2HOST",
    L"S_FAIL_COM2HOST",
    L"S_FAIR_COM2HOST",
    L"S_NETFUNCTION",
    L"S_STATUSBAR"};

namespace {

// The file laid over English for each LANG value; none for English only.
const wchar_t* const kLangFiles[16] = {
    L"strings_chi.txt", L"strings_kor.txt", L"strings_prt.txt", L"strings_spa.txt",
    L"strings_twn.txt", L"strings_tur.txt", nullptr,            nullptr,
    nullptr,            nullptr,            nullptr,            nullptr,
    nullptr,            nullptr,            L"strings_jpn.txt", nullptr};

constexpr int kEnglishOnly = 15;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The key whose name is the line's first word, or -1.
int KeyOfLine(const char* line) {
  const char* word = line;
  while (IsBlank(*word)) ++word;
  size_t len = 0;
  while (word[len] && !IsBlank(word[len])) ++len;
  if (len == 0 || len > 149) return -1;
  for (int key = 0; key < kLangRows; ++key) {
    const wchar_t* name = kLangKeyNames[key];
    size_t i = 0;
    while (i < len && name[i] && name[i] == static_cast<unsigned char>(word[i])) ++i;
    if (i == len && name[i] == L'\0') return key;
  }
  return -1;
}

}  // namespace

CLang::CLang() : guard_(instances_, L"lang", HERE) {}

void CLang::Clear() { memset(rows_, 0, sizeof rows_); }

const wchar_t* CLang::Text(int key) const {
  return key >= 0 && key < kLangRows ? rows_[key] : L"";
}

int CLang::ReadFile(const wchar_t* path) {
  FILE* f = _wfopen(path, L"rt");
  if (!f) {
    Report(nullptr, 0, L"%s:%d\r\n_tfopen ERROR:%s", HERE, path);
    return 0;
  }
  bool given[kLangRows] = {};
  int ok = 1;
  char line[kLangLineBytes + 1];
  while (fgets(line, sizeof line, f)) {
    int key = KeyOfLine(line);
    if (key < 0) continue;
    const char* open = strchr(line, '"');
    if (!open) continue;
    // The text lies between the quotes; without a closing quote it runs to
    // the end of the line, line end included. What follows is a comment.
    const char* text = open + 1;
    const char* close = strchr(text, '"');
    size_t len = close ? static_cast<size_t>(close - text) : strlen(text);
    char span[kLangLineBytes + 1];
    memcpy(span, text, len);
    span[len] = '\0';
    wchar_t wide[kLangTextMax];
    if (!ToWide(span, wide, kLangTextMax, nullptr, HERE)) {
      ok = 0;  // this key keeps its earlier text; the rest of the file is not read
      break;
    }
    CopyText(rows_[key], kLangTextMax + 1, wide);
    given[key] = true;
  }
  fclose(f);
  if (!ok) return 0;

  wchar_t missing[kTextMax + 1] = L"";
  int count = 0, length = 0;
  for (int key = 0; key < kLangRows; ++key) {
    if (given[key]) {
      ++count;
    } else if (length < kTextMax) {
      length += Format(missing + length, kTextMax + 1 - length, L"%s%s", length ? L" " : L"",
                       kLangKeyNames[key]);
    }
  }
  if (count == 0) {
    Report(nullptr, 0, L"%s:%d\r\nno language text in %s", HERE, path);
    return 0;
  }
  if (missing[0]) Report(nullptr, 2, L"%s:%d\r\nmissing in %s: %s", HERE, path, missing);
  return 1;
}

int CLang::Load(DefaultLangFn defaultLang, CodePageFn codePageOf) {
  LANG = profile.ReadInt(L"LANG", -1);
  if (LANG < 0 || LANG > kEnglishOnly) {
    LANG = defaultLang();
    if (LANG < 0 || LANG > kEnglishOnly) LANG = kEnglishOnly;
    profile.WriteFormat(L"SETTING", L"LANG", nullptr, nullptr, HERE, 0, L"%d", LANG);
  }
  codePage = LANG < kEnglishOnly ? static_cast<UINT>(codePageOf(LANG)) : 1252;
  Clear();
  // Language files keep the system's separator in their path.
  wchar_t path[kTextMax + 1];
  Format(path, kTextMax + 1, L"%s\\%s", profile.dir, L"strings_eng.txt");
  if (!ReadFile(path)) return 0;
  if (const wchar_t* chosen = kLangFiles[LANG]) {
    Format(path, kTextMax + 1, L"%s\\%s", profile.dir, chosen);
    ReadFile(path);
  }
  return 1;
}

bool ConvertToWide(const char* src, wchar_t* dst, int size) {
  if (!dst || size <= 0) return false;
  memset(dst, 0, sizeof(wchar_t) * size);
  if (MultiByteToWideChar(lang.codePage, MB_ERR_INVALID_CHARS, src ? src : "", -1, dst, size) > 0)
    return true;
  DWORD error = GetLastError();
  // The platform may leave a partial, unterminated text behind.
  memset(dst, 0, sizeof(wchar_t) * size);
  SetLastError(error);
  return false;
}

int ToWide(const char* src, wchar_t* dst, int size, HWND owner, const wchar_t* srcFile, int line) {
  if (!dst || size <= 0) return 0;
  if (ConvertToWide(src, dst, size)) return 1;
  Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":WMultiByteToWideChar"));
  return 0;
}

static int FilePrintFailed(DWORD error) {
  SetLastError(error);
  Report(nullptr, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":WideCharToMultiByte"));
  return 0;
}

int FilePrint(FILE* stream, const wchar_t* fmt, ...) {
  wchar_t text[kFilePrintMax + 1];
  va_list args;
  va_start(args, fmt);
  int n = _vsnwprintf(text, kFilePrintMax + 1, fmt, args);
  va_end(args);
  // A longer text is refused, never cut: a cut line would corrupt a table.
  if (n < 0 || n > kFilePrintMax) return FilePrintFailed(ERROR_INSUFFICIENT_BUFFER);
  if (n == 0) return 0;
  char bytes[kFilePrintMax + 1];
  BOOL usedDefault = FALSE;
  int m = WideCharToMultiByte(lang.codePage, WC_NO_BEST_FIT_CHARS, text, n, bytes, kFilePrintMax,
                              nullptr, &usedDefault);
  if (m == 0) return FilePrintFailed(GetLastError());
  if (usedDefault) return FilePrintFailed(ERROR_NO_UNICODE_TRANSLATION);
  return static_cast<int>(fwrite(bytes, 1, static_cast<size_t>(m), stream));
}
