// The language table: the reader, the LANG setting, the overlay of the
// chosen language, the code-page conversions and the shipped files.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_locale.h"
#include "tests/support.h"

namespace {

int g_defaultLang = 14;
int FixedDefaultLang() { return g_defaultLang; }

class LangTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    lang.codePage = 1252;
  }
  void TearDown() override {
    lang.codePage = 1252;
    SettingsFixture::TearDown();
  }
  std::wstring Write(const wchar_t* name, const std::string& bytes) {
    std::wstring path = dir.path() + L"\\" + name;
    WriteBytes(path, bytes);
    return path;
  }
  // Loads English (and the chosen file) with a fixed locale answer.
  int Load() { return lang.Load(FixedDefaultLang, CLocale::CodePage); }
  std::wstring LogText() { return Utf16(ReadBytes(dir.File(L"elog.txt"))); }
};

// ---------------------------------------------------------------- reader

TEST_F(LangTest, ReaderTable) {
  struct Row {
    const char* name;
    std::string bytes;
    int key;
    const wchar_t* text;
  } rows[] = {
      {"plain", "S_CANCEL \"Cancel\"\r\n", S_CANCEL, L"Cancel"},
      {"tabs", "S_CANCEL\t\t\"Cancel\"\r\n", S_CANCEL, L"Cancel"},
      {"leading blanks", "   \tS_CANCEL \"Cancel\"\r\n", S_CANCEL, L"Cancel"},
      {"lower-case key", "s_cancel \"Cancel\"\r\nS_SAVE \"x\"\r\n", S_CANCEL, L""},
      {"quote glued to key", "S_CANCEL\"Cancel\"\r\nS_SAVE \"x\"\r\n", S_CANCEL, L""},
      {"no closing quote", "S_SAVE \"Save it\r\n", S_SAVE, L"Save it\n"},
      {"no quote at all", "S_SAVE Save\r\nS_CANCEL \"x\"\r\n", S_SAVE, L""},
      {"duplicate key", "S_SAVE \"first\"\r\nS_SAVE \"second\"\r\n", S_SAVE, L"second"},
      {"end marker", "MX_S \"none\"\r\nS_SAVE \"x\"\r\n", S_SAVE, L"x"},
      {"text after quote is a comment",
       "S_SAVE \"Save\" // " + std::string(250, 'c') + "\r\n", S_SAVE, L"Save"},
      {"LF line ends", "S_CANCEL \"A\"\nS_SAVE \"B\"\n", S_SAVE, L"B"},
      {"comment line", "// S_SAVE is saved\r\nS_SAVE \"B\"\r\n", S_SAVE, L"B"},
      {"empty text", "S_SAVE \"\"\r\n", S_SAVE, L""},
      {"last key", "S_STATUSBAR \"Ready\"\r\n", S_STATUSBAR, L"Ready"},
      {"first key", "S_TOP_OF_LANG \"English\"\r\n", S_TOP_OF_LANG, L"English"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    lang.Clear();
    std::wstring path = Write(L"t.txt", row.bytes);
    EXPECT_EQ(1, lang.ReadFile(path.c_str()));
    EXPECT_STREQ(row.text, lang.Text(row.key));
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
  }
}

TEST_F(LangTest, TextsOf149CharactersFitAnd150DoNot) {
  std::string t149(149, 'a'), t150(150, 'b');
  std::wstring path = Write(L"t.txt", "S_SAVE \"" + t149 + "\"\r\nS_CLEAR \"" + t150 + "\"\r\n" +
                                          "S_UNDO \"after\"\r\n");
  EXPECT_EQ(0, lang.ReadFile(path.c_str()));
  EXPECT_EQ(std::wstring(149, L'a'), lang.Text(S_SAVE));
  EXPECT_STREQ(L"", lang.Text(S_CLEAR));
  EXPECT_STREQ(L"", lang.Text(S_UNDO));  // reading stopped at the failure
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L":WMultiByteToWideChar("));
}

TEST_F(LangTest, LongLineIsReadInPieces) {
  // 300 bytes, then the rest of the line as a line of its own.
  std::string first = "// " + std::string(297, 'x');
  std::wstring path = Write(L"t.txt", first + "S_SAVE \"Piece\"\r\nS_CLEAR \"C\"\r\n");
  EXPECT_EQ(1, lang.ReadFile(path.c_str()));
  EXPECT_STREQ(L"Piece", lang.Text(S_SAVE));
  EXPECT_STREQ(L"C", lang.Text(S_CLEAR));
}

TEST_F(LangTest, InvalidDoubleByteMidFileKeepsEarlierRows) {
  lang.codePage = 932;
  std::wstring eng = Write(L"e.txt", "S_CANCEL \"Cancel\"\r\nS_SAVE \"Save\"\r\nS_CLEAR \"Clear\"\r\n");
  ASSERT_EQ(1, lang.ReadFile(eng.c_str()));
  // A lone lead byte before the closing quote cannot be converted.
  std::wstring jpn = Write(L"j.txt",
                           "S_CANCEL \"\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b\"\r\n"
                           "S_SAVE \"\x81\"\r\nS_CLEAR \"\x83\x4e\x83\x8a\x83\x41\"\r\n");
  EXPECT_EQ(0, lang.ReadFile(jpn.c_str()));
  EXPECT_STREQ(L"\u30AD\u30E3\u30F3\u30BB\u30EB", lang.Text(S_CANCEL));
  EXPECT_STREQ(L"Save", lang.Text(S_SAVE));
  EXPECT_STREQ(L"Clear", lang.Text(S_CLEAR));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L":WMultiByteToWideChar(1113)"));
}

TEST_F(LangTest, FilesWithoutAnyKeyFail) {
  struct Row {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"empty", ""},
      {"utf-16", std::string("\xFF\xFE" "S\0_\0S\0A\0V\0E\0 \0\"\0x\0\"\0\r\0\n\0", 26)},
      {"other file", "[SETTING]\r\nLANG=14\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BoxRecorder::Clear();
    std::wstring path = Write(L"t.txt", row.bytes);
    EXPECT_EQ(0, lang.ReadFile(path.c_str()));
    ASSERT_EQ(1u, BoxRecorder::Boxes().size());
    EXPECT_NE(std::wstring::npos,
              BoxRecorder::Boxes()[0].text.find(L"\r\nno language text in " + path));
  }
}

TEST_F(LangTest, MissingKeysAreLoggedOnce) {
  std::wstring path = Write(L"t.txt", "S_CANCEL \"Cancel\"\r\n");
  EXPECT_EQ(1, lang.ReadFile(path.c_str()));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  std::wstring log = LogText();
  EXPECT_NE(std::wstring::npos, log.find(L"missing in " + path + L": S_TOP_OF_LANG S_1STMACIP"))
      << log;
  EXPECT_EQ(std::wstring::npos, log.find(L" S_CANCEL "));
}

TEST_F(LangTest, LookupOutsideTheTableIsEmpty) {
  std::wstring path = Write(L"t.txt", "S_CANCEL \"Cancel\"\r\n");
  lang.ReadFile(path.c_str());
  EXPECT_STREQ(L"", lang.Text(MX_S));
  EXPECT_STREQ(L"", lang.Text(-1));
  EXPECT_STREQ(L"", lang.Text(1000));
}

// ---------------------------------------------------------------- LANG

TEST_F(LangTest, LangSettingChoosesFileAndCodePage) {
  Write(L"strings_eng.txt", "S_CANCEL \"eng\"\r\nS_SAVE \"Save\"\r\n");
  const char* files[] = {"chi", "kor", "prt", "spa", "twn", "tur", "jpn"};
  for (const char* f : files) {
    std::wstring name = L"strings_" + std::wstring(f, f + 3) + L".txt";
    Write(name.c_str(), std::string("S_CANCEL \"") + f + "\"\r\n");
  }
  struct Row {
    const wchar_t* setting;  // nullptr: absent
    int lang;
    UINT codePage;
    const wchar_t* cancel;
    const wchar_t* stored;
  } rows[] = {
      {L"0", 0, 936, L"chi", L"0"},        {L"1", 1, 949, L"kor", L"1"},
      {L"2", 2, 1252, L"prt", L"2"},       {L"3", 3, 850, L"spa", L"3"},
      {L"4", 4, 950, L"twn", L"4"},        {L"5", 5, 1254, L"tur", L"5"},
      {L"6", 6, 1252, L"eng", L"6"},       {L"7", 7, 1252, L"eng", L"7"},
      {L"13", 13, 1252, L"eng", L"13"},    {L"14", 14, 932, L"jpn", L"14"},
      {L"15", 15, 1252, L"eng", L"15"},    {L"-1", 14, 932, L"jpn", L"14"},
      {L"16", 14, 932, L"jpn", L"14"},     {nullptr, 14, 932, L"jpn", L"14"},
      {L"abc", 14, 932, L"jpn", L"14"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.setting ? row.setting : L"(absent)");
    WritePrivateProfileStringW(L"SETTING", L"LANG", row.setting, profile.file);
    ASSERT_EQ(1, Load());
    EXPECT_EQ(row.lang, lang.LANG);
    EXPECT_EQ(row.codePage, lang.codePage);
    EXPECT_STREQ(row.cancel, lang.Text(S_CANCEL));
    EXPECT_STREQ(L"Save", lang.Text(S_SAVE));  // English under every file
    EXPECT_EQ(row.stored, IniValue(profile.file, L"SETTING", L"LANG"));
  }
}

TEST_F(LangTest, MissingChosenFileKeepsEnglish) {
  Write(L"strings_eng.txt", "S_CANCEL \"Cancel\"\r\n");
  WritePrivateProfileStringW(L"SETTING", L"LANG", L"1", profile.file);
  EXPECT_EQ(1, Load());
  EXPECT_STREQ(L"Cancel", lang.Text(S_CANCEL));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos,
            BoxRecorder::Boxes()[0].text.find(L"\r\n_tfopen ERROR:" + dir.path() + L"\\strings_kor.txt"));
}

TEST_F(LangTest, MissingEnglishFileFailsTheLoad) {
  WritePrivateProfileStringW(L"SETTING", L"LANG", L"15", profile.file);
  EXPECT_EQ(0, Load());
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos,
            BoxRecorder::Boxes()[0].text.find(L"\r\n_tfopen ERROR:" + dir.path() + L"\\strings_eng.txt"));
}

TEST_F(LangTest, EnglishFileIsReadInTheChosenCodePage) {
  Write(L"strings_eng.txt", "S_CANCEL \"caf\xe9\"\r\n");
  Write(L"strings_tur.txt", "S_SAVE \"x\"\r\n");
  WritePrivateProfileStringW(L"SETTING", L"LANG", L"5", profile.file);
  ASSERT_EQ(1, Load());
  EXPECT_STREQ(L"caf\u00e9", lang.Text(S_CANCEL));
  WritePrivateProfileStringW(L"SETTING", L"LANG", L"3", profile.file);
  Write(L"strings_spa.txt", "S_SAVE \"x\"\r\n");
  ASSERT_EQ(1, Load());
  EXPECT_STREQ(L"caf\u00da", lang.Text(S_CANCEL));  // 0xE9 is U+00DA in 850
}

// ---------------------------------------------------------------- code pages

std::string PrintToFile(const std::wstring& path, const wchar_t* text, int* written) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  *written = FilePrint(f, L"%s", text);
  fclose(f);
  return ReadBytes(path);
}

TEST_F(LangTest, NativeTextsRoundTripInEveryCodePage) {
  struct Row {
    UINT cp;
    const wchar_t* text;
    std::string bytes;
  } rows[] = {
      {932, L"\u65E5\u672C\u8A9E", "\x93\xfa\x96{\x8c\xea"},
      {936, L"\u4E2D\u6587", "\xd6\xd0\xce\xc4"},
      {949, L"\uD55C\uAD6D\uC5B4", "\xc7\xd1\xb1\xb9\xbe\xee"},
      {950, L"\u4E2D\u6587", "\xa4\xa4\xa4\xe5"},
      {1252, L"Portugu\u00eas", "Portugu\xeas"},
      {850, L"Espa\u00f1ol", "Espa\xa4ol"},
      {1254, L"T\u00fcrk\u00e7e", "T\xfcrk\xe7" "e"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cp);
    lang.codePage = row.cp;
    int written = 0;
    std::string bytes = PrintToFile(dir.File(L"out.txt"), row.text, &written);
    EXPECT_EQ(row.bytes, bytes);
    EXPECT_EQ(static_cast<int>(row.bytes.size()), written);
    wchar_t back[32];
    ASSERT_EQ(1, ToWide(bytes.c_str(), back, 32, nullptr, HERE));
    EXPECT_STREQ(row.text, back);
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LangTest, AsciiGivesTheSameBytesUnderEveryCodePage) {
  const wchar_t* line = L"LOOM A-001 001.017 S01 ~!@#$^&*()_+{}|:<>?[];',./`\r\n";
  std::string first;
  for (UINT cp : {932u, 936u, 949u, 950u, 1252u, 850u, 1254u}) {
    SCOPED_TRACE(cp);
    lang.codePage = cp;
    int written = 0;
    std::string bytes = PrintToFile(dir.File(L"out.txt"), line, &written);
    if (first.empty()) first = bytes;
    EXPECT_EQ(first, bytes);
    EXPECT_EQ(static_cast<int>(wcslen(line)), written);
  }
}

TEST_F(LangTest, UnmappableCharacterWritesNothing) {
  lang.codePage = 1252;
  int written = -1;
  std::string bytes = PrintToFile(dir.File(L"out.txt"), L"name \u65E5\u672C", &written);
  EXPECT_EQ(0, written);
  EXPECT_EQ("", bytes);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L":WideCharToMultiByte(1113)"));
}

TEST_F(LangTest, OverlongPrintIsRefusedNotCut) {
  std::wstring text(521, L'x');
  int written = -1;
  std::string bytes = PrintToFile(dir.File(L"out.txt"), text.c_str(), &written);
  EXPECT_EQ(0, written);
  EXPECT_EQ("", bytes);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L":WideCharToMultiByte(122)"));
  BoxRecorder::Clear();
  bytes = PrintToFile(dir.File(L"out.txt"), std::wstring(520, L'y').c_str(), &written);
  EXPECT_EQ(520, written);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LangTest, TooSmallDestinationIsLeftEmpty) {
  wchar_t dst[4] = {L'a', L'b', L'c', L'd'};
  EXPECT_EQ(0, ToWide("longer", dst, 4, nullptr, L"caller.cpp", 12));
  for (wchar_t c : dst) EXPECT_EQ(L'\0', c);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(0u, BoxRecorder::Boxes()[0].text.find(L"caller.cpp:12\r\n"));
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L":WMultiByteToWideChar(122)"));
}

// ---------------------------------------------------------------- shipped

struct Shipped {
  const wchar_t* file;
  UINT cp;
  bool (*allowed)(wchar_t c);  // the language's own characters beyond ASCII
};

bool InRange(wchar_t c, wchar_t lo, wchar_t hi) { return c >= lo && c <= hi; }
bool CjkCommon(wchar_t c) {
  return InRange(c, 0x3000, 0x303F) || InRange(c, 0x4E00, 0x9FFF) || InRange(c, 0xFF00, 0xFFEF);
}
bool Listed(wchar_t c, const wchar_t* set) { return wcschr(set, c) != nullptr; }

const Shipped kShipped[] = {
    {L"strings_eng.txt", 1252, [](wchar_t) { return false; }},
    {L"strings_chi.txt", 936, CjkCommon},
    {L"strings_twn.txt", 950, CjkCommon},
    {L"strings_jpn.txt", 932, [](wchar_t c) { return CjkCommon(c) || InRange(c, 0x3040, 0x30FF); }},
    {L"strings_kor.txt", 949,
     [](wchar_t c) { return CjkCommon(c) || InRange(c, 0xAC00, 0xD7A3) || InRange(c, 0x3130, 0x318F); }},
    {L"strings_prt.txt", 1252,
     [](wchar_t c) { return Listed(c, L"\u00e1\u00e0\u00e2\u00e3\u00e7\u00e9\u00ea\u00ed\u00f3\u00f4\u00f5\u00fa\u00fc\u00c1\u00c0\u00c2\u00c3\u00c7\u00c9\u00ca\u00cd\u00d3\u00d4\u00d5\u00da\u00dc\u00ba\u00aa"); }},
    {L"strings_spa.txt", 850,
     [](wchar_t c) { return Listed(c, L"\u00e1\u00e9\u00ed\u00f3\u00fa\u00f1\u00fc\u00c1\u00c9\u00cd\u00d3\u00da\u00d1\u00dc\u00bf\u00a1\u00ba\u00aa"); }},
    {L"strings_tur.txt", 1254,
     [](wchar_t c) { return Listed(c, L"\u00e7\u011f\u0131\u00f6\u015f\u00fc\u00c7\u011e\u0130\u00d6\u015e\u00dc\u00e2\u00ee\u00fb\u00c2\u00ce\u00db"); }},
};

// Texts that may stay as in English in another language.
bool MayEqualEnglish(const std::wstring& text) {
  static const wchar_t* const kAllowed[] = {L"OK", L"LTB", L"IP", L"MAVO", L"Web", L"Host"};
  for (const wchar_t* a : kAllowed)
    if (text == a) return true;
  return false;
}

bool IsMenuKey(int key) {
  return key >= S_MENU_EXIT && key <= S_MENU_VERSION;
}

TEST_F(LangTest, ShippedFilesAreCompleteAndInTheirCodePages) {
  ASSERT_TRUE(PlaceLanguageFiles(dir.path()));
  std::wstring english[kLangRows];
  for (const Shipped& s : kShipped) {
    SCOPED_TRACE(s.file);
    std::string bytes = ReadBytes(dir.path() + L"\\" + s.file);
    ASSERT_FALSE(bytes.empty());
    int n = MultiByteToWideChar(s.cp, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), nullptr, 0);
    ASSERT_GT(n, 0) << "not valid in code page " << s.cp;
    std::wstring text(n, L'\0');
    MultiByteToWideChar(s.cp, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), text.data(), n);
    bool english_file = s.cp == 1252 && wcscmp(s.file, L"strings_eng.txt") == 0;
    int native = 0;
    for (wchar_t c : text) {
      if (c < 0x80) continue;
      ++native;
      EXPECT_TRUE(s.allowed(c)) << "U+" << std::hex << static_cast<int>(c);
    }
    if (english_file) {
      EXPECT_EQ(0, native);
    } else {
      EXPECT_GT(native, 0);
      EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                       (int)bytes.size(), nullptr, 0))
          << "reads as UTF-8";
    }
    EXPECT_EQ(std::string::npos, bytes.find("\n\n"));
    for (size_t i = 0; i < bytes.size(); ++i)
      if (bytes[i] == '\n') EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;

    lang.codePage = s.cp;
    lang.Clear();
    BoxRecorder::Clear();
    std::wstring before = LogText();
    ASSERT_EQ(1, lang.ReadFile((dir.path() + L"\\" + s.file).c_str()));
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
    EXPECT_EQ(std::wstring::npos, LogText().find(L"missing in", before.size())) << "keys missing";
    for (int key = 0; key < kLangRows; ++key) {
      SCOPED_TRACE(kLangKeyNames[key]);
      std::wstring row = lang.Text(key);
      EXPECT_FALSE(row.empty());
      EXPECT_LE(row.size(), 147u);
      EXPECT_EQ(std::wstring::npos, row.find_first_of(L"\"\r\n%"));
      if (IsMenuKey(key)) EXPECT_NE(std::wstring::npos, row.find(L'&'));
      if (english_file) english[key] = row;
      else if (key != S_TOP_OF_LANG && !MayEqualEnglish(row)) EXPECT_NE(english[key], row);
    }
  }
}

}  // namespace
