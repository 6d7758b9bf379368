// The language the user's locale suggests, the code page of each language
// and the locale report.
#include <windows.h>

#include <string>
#include <vector>

#include "std/std_profile.h"
#include "std2/std2_locale.h"
#include "tests/support.h"

namespace {

TEST(LocaleTest, DefaultLangFromNameAndOemCodePage) {
  struct Row {
    const wchar_t* name;
    int oem;
    int lang;
  } rows[] = {
      {L"Japanese", 932, 14},
      {L"Korean", 949, 1},
      {L"Portuguese", 850, 2},
      {L"Portuguese (Brazil)", 850, 2},
      {L"Chinese", 936, 0},
      {L"Chinese (Simplified)", 936, 0},
      {L"Chinese (Traditional)", 950, 4},
      {L"Chinese", 437, 15},
      {L"Chinese", -1, 15},
      {L"German", 850, 15},
      {L"Spanish", 850, 15},
      {L"Turkish", 857, 15},
      {L"English", 437, 15},
      {L"", 437, 15},
      {nullptr, -1, 15},
      {L"japanese", 932, 15},  // the tests are case-sensitive
      {L"Old Chinese dialect", 950, 4},
      {L"Japanese and Chinese", 936, 14},
      {L"Korean Portuguese", 0, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name ? row.name : L"(none)");
    EXPECT_EQ(row.lang, LangFromLocale(row.name, row.oem));
  }
}

TEST(LocaleTest, DefaultLangOfThisSystemIsOneOfTheDerivable) {
  int lang = locale.DefaultLang();
  EXPECT_TRUE(lang == 0 || lang == 1 || lang == 2 || lang == 4 || lang == 14 || lang == 15) << lang;
}

TEST(LocaleTest, CodePages) {
  const int expected[15] = {936, 949, 1252, 850, 950, 1254, 1252, 1252,
                            1252, 1252, 1252, 1252, 1252, 1252, 932};
  for (int lang = 0; lang < 15; ++lang) EXPECT_EQ(expected[lang], CLocale::CodePage(lang)) << lang;
}

class LocaleReportTest : public SettingsFixture {};

std::wstring SystemValue(LCTYPE item) {
  wchar_t buf[256] = L"";
  GetLocaleInfoW(GetUserDefaultLCID(), item, buf, 256);
  return buf;
}

TEST_F(LocaleReportTest, FiveLinesAfterAByteOrderMark) {
  locale.WriteCheck();
  locale.WriteCheck();  // replaced, not appended
  std::string bytes = ReadBytes(dir.File(L"LOCALECHK.txt"));
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ('\xFF', bytes[0]);
  EXPECT_EQ('\xFE', bytes[1]);
  std::wstring text = Utf16(bytes.substr(2));
  std::wstring expected =
      L"LOCALE_SENGLANGUAGE:" + SystemValue(LOCALE_SENGLANGUAGE) + L"\r\n" +
      L"LOCALE_SLANGUAGE:" + SystemValue(LOCALE_SLANGUAGE) + L"\r\n" +
      L"LOCALE_ILANGUAGE:" + SystemValue(LOCALE_ILANGUAGE) + L"\r\n" +
      L"LOCALE_IDEFAULTANSICODEPAGE:" + SystemValue(LOCALE_IDEFAULTANSICODEPAGE) + L"\r\n" +
      L"LOCALE_IDEFAULTCODEPAGE:" + SystemValue(LOCALE_IDEFAULTCODEPAGE) + L"\r\n";
  EXPECT_EQ(expected, text);
  EXPECT_FALSE(SystemValue(LOCALE_ILANGUAGE).empty());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LocaleReportTest, UnwritableDirectoryWritesNothingAndSaysNothing) {
  std::wstring missing = dir.path() + L"\\absent";
  profile.SetDir(missing.c_str());
  locale.WriteCheck();
  EXPECT_FALSE(FileExists(missing));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

}  // namespace
