// Address texts and the directory helper.
#include <windows.h>

#include <string>

#include "std/std.h"
#include "std/std_profile.h"
#include "tests/support.h"

namespace {

TEST(IpPadTest, Table) {
  struct Row {
    const wchar_t* in;
    int four;
    int ok;
    const wchar_t* out;  // what the text holds afterwards
  } rows[] = {
      {L"1.2.3.4", 1, 1, L"001.002.003.004"},
      {L"192.168", 1, 1, L"192.168.000.000"},
      {L"", 1, 1, L"000.000.000.000"},
      {L"255.255.255.255", 1, 1, L"255.255.255.255"},
      {L"1.2.3.256", 1, 0, L"1.2.3.256"},
      {L"1.2.3.a", 1, 0, L"1.2.3.a"},
      {L"10.20.300", 0, 1, L"010.020"},
      {L"10.256", 0, 0, L"10.256"},
      {L"172.017", 0, 1, L"172.017"},
      {L"1.2.3.4294967297", 1, 0, L"1.2.3.4294967297"},  // no wrap into 0..255
      {L"99999999999999999.1", 0, 0, L"99999999999999999.1"},
      {L"0000000000000001.2", 0, 1, L"001.002"},
      {L"1.2.3.4 ", 1, 0, L"1.2.3.4 "},
      {L"-1.2.3.4", 1, 0, L"-1.2.3.4"},
      {L"\uFF11.2.3.4", 1, 0, L"\uFF11.2.3.4"},  // fullwidth digit is no digit
      {L"000000000001.2.3.4", 1, 1, L"001.002.003.004"},  // 18 characters
      {L"0000000000000001.2.3.4", 1, 0, L"0000000000000001.2.3.4"},  // 22 characters
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    wchar_t text[32];
    CopyText(text, 32, row.in);
    EXPECT_EQ(row.ok, IpPad(text, 32, nullptr, 0, row.four));
    EXPECT_STREQ(row.out, text);
  }
}

TEST(IpPadTest, TwentyOneCharactersAreTooMany) {
  wchar_t twenty[32] = L"00000000000000001.22";     // 20 characters
  wchar_t twentyOne[32] = L"000000000000000001.22";  // 21 characters
  EXPECT_EQ(1, IpPad(twenty, 32, nullptr, 0, 0));
  EXPECT_STREQ(L"001.022", twenty);
  EXPECT_EQ(0, IpPad(twentyOne, 32, nullptr, 0, 0));
  EXPECT_STREQ(L"000000000000000001.22", twentyOne);
}

TEST(IpPadTest, NarrowTextAndBothTexts) {
  char narrow[21] = "10.1.2.3";
  EXPECT_EQ(1, IpPad(nullptr, 0, narrow, 21, 1));
  EXPECT_STREQ("010.001.002.003", narrow);

  wchar_t wide[21] = L"7.8";
  char copy[21] = "";
  EXPECT_EQ(1, IpPad(wide, 21, copy, 21, 0));
  EXPECT_STREQ(L"007.008", wide);
  EXPECT_STREQ("007.008", copy);
}

TEST(IpPadTest, TooSmallCapacityIsInvalidAndUntouched) {
  wchar_t small[15] = L"1.2.3.4";  // the padded form needs 16
  EXPECT_EQ(0, IpPad(small, 15, nullptr, 0, 1));
  EXPECT_STREQ(L"1.2.3.4", small);
  wchar_t two[8] = L"1.2";
  EXPECT_EQ(1, IpPad(two, 8, nullptr, 0, 0));
  EXPECT_STREQ(L"001.002", two);
}

TEST(IpPlainTest, Table) {
  struct Row {
    const wchar_t* in;
    int four;
    const wchar_t* out;
  } rows[] = {
      {L"010.001.002.003", 1, L"10.1.2.3"}, {L"172.017", 0, L"172.17"},
      {L"172.017.000.210", 1, L"172.17.0.210"}, {L"001.017", 1, L"1.17.0.0"},
      {L"", 1, L"0.0.0.0"}, {L"000.000", 0, L"0.0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_STREQ(row.out, IpPlain(row.in, row.four));
  }
}

// ---------------------------------------------------------------- dirs

class CreateDirTest : public SettingsFixture {};

TEST_F(CreateDirTest, ExistingDirectoryCreatesNothing) {
  EXPECT_EQ(1, CreateDirFor(nullptr, dir.File(L"file.txt").c_str()));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(CreateDirTest, NestedDirectoriesAreCreatedParentsFirst) {
  std::wstring path = dir.path() + L"/a/b\\c/file.txt";
  EXPECT_EQ(1, CreateDirFor(nullptr, path.c_str()));
  DWORD attr = GetFileAttributesW((dir.path() + L"/a/b/c").c_str());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, attr);
  EXPECT_TRUE(attr & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(CreateDirTest, FileInTheWayFailsWithOneReport) {
  WriteBytes(dir.File(L"blocker"), "x");
  EXPECT_EQ(0, CreateDirFor(nullptr, (dir.path() + L"/blocker/file.txt").c_str()));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L":CreateDirectory()("));
  EXPECT_EQ("x", ReadBytes(dir.File(L"blocker")));
}

TEST_F(CreateDirTest, DriveRootExists) {
  EXPECT_EQ(1, CreateDirFor(nullptr, L"C:\\file.txt"));
  EXPECT_EQ(1, CreateDirFor(nullptr, L"C:/file.txt"));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(CreateDirTest, MissingDriveFailsWithOneReport) {
  // Find a drive letter that is not mapped.
  DWORD drives = GetLogicalDrives();
  wchar_t letter = 0;
  for (int i = 25; i >= 3 && !letter; --i)
    if (!(drives & (1u << i))) letter = static_cast<wchar_t>(L'A' + i);
  ASSERT_NE(0, letter);
  std::wstring path = std::wstring(1, letter) + L":\\x\\y\\file.txt";
  EXPECT_EQ(0, CreateDirFor(nullptr, path.c_str()));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L":CreateDirectory()("));
}

TEST_F(CreateDirTest, PathWithoutDirectoryFails) {
  EXPECT_EQ(0, CreateDirFor(nullptr, L"file.txt"));
  EXPECT_EQ(1u, BoxRecorder::Boxes().size());
}

}  // namespace
