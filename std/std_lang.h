// The language texts: one row per key, loaded at start-up from the English
// file and the chosen language's file over it; and the one code page in
// which every 8-bit file is read and written.
#pragma once

#include <cstdio>

#include "std/std.h"

// Row indexes; toolbar and other control identifiers rely on the values.
enum LangKey : int {
  S_TOP_OF_LANG = 0,
  S_1STMACIP = 1,
  S_1STMACNAME = 2,
  S_ACTION4MIP = 3,
  S_ACTION4MNAME = 4,
  S_AUTOMAKEUP = 5,
  S_CANCEL = 6,
  S_CLEAR = 7,
  S_CLOSE_CONFIRM = 8,
  S_COMLOG = 9,
  S_CONFIRM = 10,
  S_DIRECTION = 11,
  S_DONE = 12,
  S_DXDATACHANGED = 13,
  S_DYDATACHANGED = 14,
  S_EFFICIENCY_BOARD = 15,
  S_GOOD = 16,
  S_GRP = 17,
  S_INET_COM2HOST = 18,
  S_INET_DIRECT = 19,
  S_INET_FAIL_COM2HOST = 20,
  S_INET_FAIR_COM2HOST = 21,
  S_INET_IE = 22,
  S_INET_IPADRS = 23,
  S_INSUFFICIENTDATA = 24,
  S_LOOMDATACHANGED = 25,
  S_LTURN90 = 26,
  S_MACIP = 27,
  S_MACNAME = 28,
  S_MENU_EXIT = 29,
  S_MENU_FILE = 30,
  S_MENU_GRP = 31,
  S_MENU_HELP = 32,
  S_MENU_LANG = 33,
  S_MENU_OPT = 34,
  S_MENU_SCTN = 35,
  S_MENU_SETTING = 36,
  S_MENU_SGMT = 37,
  S_MENU_TYPE = 38,
  S_MENU_VERSION = 39,
  S_MOVE = 40,
  S_NETWORK = 41,
  S_OVERMAXMAC = 42,
  S_PARTS_CATALOG = 43,
  S_PASSWD = 44,
  S_PASTE = 45,
  S_PATTERN_MANAGER = 46,
  S_RBAR_SELMON = 47,
  S_REBOOT2 = 48,
  S_REBOOTREQ = 49,
  S_REMOVEDATA = 50,
  S_RTURN180 = 51,
  S_RTURN90 = 52,
  S_SAVE = 53,
  S_SECTION = 54,
  S_SEND = 55,
  S_STYLE = 56,
  S_STYLE_MANAGER = 57,
  S_SUBMIT = 58,
  S_TITLE4CLOSE_CONFIRM = 59,
  S_UNDO = 60,
  S_UNSPTDMACIP = 61,
  S_UPDATE_NG = 62,
  S_UPDATE_OK = 63,
  S_USERNAME = 64,
  S_WEB_CAMERA = 65,
  S_ZOOMIN = 66,
  S_ZOOMOUT = 67,
  S_DUPLOOMNAME = 68,
  S_DUPLOOMIP = 69,
  S_USINGTYPE = 70,
  S_NOTYPE0 = 71,
  S_HOST = 72,
  S_NOTYPE01 = 73,
  S_PRPTY = 74,
  S_SEGMENT = 75,
  S_TURN = 76,
  S_COM2HOST = 77,
  S_FAIL_COM2HOST = 78,
  S_FAIR_COM2HOST = 79,
  S_NETFUNCTION = 80,
  S_STATUSBAR = 81,
  MX_S = 82
};

constexpr int kLangRows = MX_S;
constexpr int kLangTextMax = 150;  // characters of a row, terminator included
constexpr int kLangLineBytes = 300;
constexpr int kFilePrintMax = 520;

extern const wchar_t* const kLangKeyNames[kLangRows];

// Where the language and code page come from when the settings hold none;
// start-up passes the locale module's answers, tests their own.
using DefaultLangFn = int (*)();
using CodePageFn = int (*)(int lang);

class CLang {
 public:
  CLang();
  // Reads LANG (deriving and storing it when unusable), fixes the code page
  // and loads the English file, then the chosen language's file over it.
  // 0 when the English texts cannot be had.
  int Load(DefaultLangFn defaultLang, CodePageFn codePage);
  // The row of a key; an empty text for MX_S and any value outside the table.
  const wchar_t* Text(int key) const;
  // Empties every row.
  void Clear();
  // Reads one language file over the table; 0 when it fails.
  int ReadFile(const wchar_t* path);

  int LANG = -1;
  UINT codePage = 1252;

 private:
  static int instances_;
  ModuleGuard guard_;
  wchar_t rows_[kLangRows][kLangTextMax + 1] = {};
};

extern CLang lang;

// Strict conversion of an 8-bit text in the active code page without a
// report: false leaves an empty destination (callers report in their terms).
bool ConvertToWide(const char* src, wchar_t* dst, int size);
// Strict conversion of an 8-bit text in the active code page. On failure the
// destination is empty and the failure is reported (mode 0) with the
// caller's position.
int ToWide(const char* src, wchar_t* dst, int size, HWND owner, const wchar_t* srcFile, int line);
// Formats (at most 520 characters), converts to the active code page and
// writes the bytes; the number of bytes written, 0 after a reported failure
// (a character the code page cannot hold, a text too long).
int FilePrint(FILE* stream, const wchar_t* fmt, ...);
