// The settings store: integer reads, structs with their checksum, write
// failures and the menu builder.
#include <windows.h>

#include <climits>
#include <string>

#include "std/std.h"
#include "std/std_profile.h"
#include "tests/support.h"

namespace {

class ProfileTest : public SettingsFixture {
 protected:
  std::wstring Ini() { return profile.file; }
  void Put(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, profile.file));
  }
};

TEST_F(ProfileTest, SettingsFileIsBesideTheDirectoryWithASlash) {
  EXPECT_EQ(dir.path() + L"/MILLPLAN.ini", Ini());
}

TEST_F(ProfileTest, ReadIntTable) {
  struct Row {
    const wchar_t* text;  // nullptr: key absent
    int expected;
  } rows[] = {
      {nullptr, -99},      {L"0", 0},          {L"42", 42},        {L"-7", -7},
      {L"+5", 5},          {L"12abc", 12},     {L"abc", -99},      {L"", -99},
      {L"-", -99},         {L" 8", 8},         {L"2147483647", INT_MAX},
      {L"-2147483648", INT_MIN},               {L"2147483648", -99},
      {L"99999999999999999999", -99},          {L"0x10", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text ? row.text : L"(absent)");
    WritePrivateProfileStringW(L"SETTING", L"K", row.text, profile.file);
    EXPECT_EQ(row.expected, profile.ReadInt(L"K", -99));
  }
}

TEST_F(ProfileTest, ReadStringCutsToTheBuffer) {
  Put(L"SETTING", L"S", L"abcdefghij");
  wchar_t buf[5];
  profile.ReadString(L"S", L"def", buf, 5);
  EXPECT_STREQ(L"abcd", buf);
  profile.ReadString(L"MISSING", L"def", buf, 5);
  EXPECT_STREQ(L"def", buf);
}

TEST_F(ProfileTest, StructIsHexWithChecksumAndRoundTrips) {
  const unsigned char data[4] = {0x01, 0xAB, 0xFF, 0x10};
  ASSERT_EQ(1, profile.WriteStruct(L"WINDOW", L"BLOCK", data, 4, nullptr, nullptr, HERE));
  // Checksum: low byte of 0x01 + 0xAB + 0xFF + 0x10 = 0x1BB.
  EXPECT_EQ(L"01ABFF10BB", IniValue(Ini(), L"WINDOW", L"BLOCK"));
  unsigned char back[4] = {};
  EXPECT_EQ(1, profile.ReadStruct(L"WINDOW", L"BLOCK", back, 4, nullptr));
  EXPECT_EQ(0, memcmp(data, back, 4));
}

TEST_F(ProfileTest, DamagedOrMissizedStructReadsAsAbsent) {
  const unsigned char data[4] = {0x01, 0xAB, 0xFF, 0x10};
  ASSERT_EQ(1, profile.WriteStruct(L"WINDOW", L"BLOCK", data, 4, nullptr, nullptr, HERE));
  unsigned char back[8] = {};
  EXPECT_EQ(0, profile.ReadStruct(L"WINDOW", L"BLOCK", back, 3, nullptr));
  EXPECT_EQ(0, profile.ReadStruct(L"WINDOW", L"BLOCK", back, 5, nullptr));
  Put(L"WINDOW", L"BLOCK", L"01ABFF11BB");  // one digit changed
  EXPECT_EQ(0, profile.ReadStruct(L"WINDOW", L"BLOCK", back, 4, nullptr));
  EXPECT_EQ(0, profile.ReadStruct(L"WINDOW", L"NONE", back, 4, nullptr));
}

TEST_F(ProfileTest, WritesGoToTheNamedFileOfTheDirectory) {
  ASSERT_EQ(1, profile.WriteFormat(L"SETTING", L"N", L"dlg.ini", nullptr, HERE, 0, L"%d-%s", 7,
                                   L"x"));
  EXPECT_EQ(L"7-x", IniValue(dir.File(L"dlg.ini"), L"SETTING", L"N"));
  EXPECT_EQ(L"<absent>", IniValue(Ini(), L"SETTING", L"N"));
}

TEST_F(ProfileTest, WriteFailureReportsTheCallOrStaysSilent) {
  // A directory in the file's place cannot be written.
  CreateDirectoryW(dir.File(L"blocked.ini").c_str(), nullptr);
  EXPECT_EQ(0, profile.WriteString(L"SETTING", L"K", L"v", L"blocked.ini", nullptr, L"w.cpp", 9, 0));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const std::wstring& text = BoxRecorder::Boxes()[0].text;
  EXPECT_EQ(0u, text.find(L"w.cpp:9\r\n")) << text;
  EXPECT_NE(std::wstring::npos, text.find(L":WritePrivateProfileString(")) << text;

  BoxRecorder::Clear();
  EXPECT_EQ(0, profile.WriteString(L"SETTING", L"K", L"v", L"blocked.ini", nullptr, L"w.cpp", 9,
                                   kSilent));
  EXPECT_EQ(0, profile.WriteFormat(L"SETTING", L"K", L"blocked.ini", nullptr, L"w.cpp", 9,
                                   kSilent, L"%d", 1));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());

  const int data = 5;
  EXPECT_EQ(0, profile.WriteStruct(L"W", L"P", &data, sizeof data, L"blocked.ini", nullptr,
                                   L"s.cpp", 3));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L":WritePrivateProfileStruct("));
}

TEST_F(ProfileTest, InsertMenuItemsBuildsTheListInOrder) {
  HMENU popup = CreatePopupMenu();
  HMENU sub = CreatePopupMenu();
  const MenuItemDesc items[] = {
      {MIIM_ID | MIIM_STRING, 10001, L"First"},
      {MIIM_FTYPE, 0, nullptr},
      {MIIM_ID | MIIM_STRING | MIIM_SUBMENU, 10002, L"Segment"},
      {MIIM_ID | MIIM_STRING, 10003, L"Last"},
      {0, 0, nullptr},
  };
  ASSERT_EQ(1, profile.InsertMenuItems(nullptr, popup, sub, items, HERE));
  ASSERT_EQ(4, GetMenuItemCount(popup));
  const UINT ids[] = {10001, 0, 10002, 10003};
  const wchar_t* texts[] = {L"First", L"", L"Segment", L"Last"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    MENUITEMINFOW mii = {sizeof mii};
    wchar_t text[32] = L"";
    mii.fMask = MIIM_ID | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
    mii.dwTypeData = text;
    mii.cch = 32;
    ASSERT_TRUE(GetMenuItemInfoW(popup, i, TRUE, &mii));
    EXPECT_EQ(ids[i], mii.wID);
    EXPECT_EQ(i == 1, (mii.fType & MFT_SEPARATOR) != 0);
    EXPECT_EQ(i == 2 ? sub : nullptr, mii.hSubMenu);
    EXPECT_STREQ(texts[i], text);
  }
  DestroyMenu(popup);
}

TEST_F(ProfileTest, InsertMenuItemsStopsAtTheFirstFailure) {
  const MenuItemDesc items[] = {{MIIM_ID | MIIM_STRING, 1, L"A"}, {0, 0, nullptr}};
  HMENU gone = CreatePopupMenu();
  DestroyMenu(gone);
  EXPECT_EQ(0, profile.InsertMenuItems(nullptr, gone, nullptr, items, L"std2/std2_layout.cpp", 77));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const std::wstring& text = BoxRecorder::Boxes()[0].text;
  EXPECT_EQ(0u, text.find(L"std2/std2_layout.cpp:77\r\n")) << text;
  // The code depends on the platform (Windows sets 1401, Wine may not).
  EXPECT_NE(std::wstring::npos, text.find(L":InsertMenuItem(")) << text;
  // Logged as well (mode 0).
  EXPECT_NE(std::wstring::npos,
            Utf16(ReadBytes(dir.File(L"elog.txt"))).find(L"std2/std2_layout.cpp:77\r\n"));
}

}  // namespace
