// The IP table build: exact bytes of the body, both tables and both upload
// bodies; which host rows take part; type numbers; code pages; and that a
// failure at any file leaves it and every later file as they were.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_iptbl.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "tests/support.h"

namespace {

enum FileIndex { kBase, kTable, kTableHr, kPost, kPostHr, kFileCount };
const wchar_t* const kKeys[kFileCount] = {L"IP_BASE", L"IP_TABLE", L"IP_TABLE_HR", L"POST",
                                          L"POST_HR"};
const wchar_t* const kNames[kFileCount] = {L"base.txt", L"ip_table.txt", L"ip_table_hr.txt",
                                           L"post.txt", L"post_hr.txt"};
const wchar_t* const kGoldens[kFileCount] = {L"iptbl_base.txt", L"iptbl_ip_table.txt",
                                             L"iptbl_ip_table_hr.txt", L"iptbl_post.txt",
                                             L"iptbl_post_hr.txt"};

void SetCell(int x, int y, int kind, const wchar_t* ip, const wchar_t* name, int segment) {
  LayoutCell& c = Cell(x, y);
  c.kind = kind;
  CopyText(c.ip, 11, ip);
  CopyText(c.name, 11, name);
  c.segment = segment;
}

void SetHost(int row, int enabled, const wchar_t* ip) {
  HostService& h = hosts.HostServiceTable[row];
  h.enabled = enabled;
  CopyText(h.ip, kHostFieldChars, ip);
}

class IpTableTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    savedDetail_ = OPT_DETAIL;
    SetUpPaths();
  }
  void SetUpPaths() {
    // The tables go to a folder that does not exist yet: it is created.
    paths_[kBase] = dir.File(L"base.txt");
    paths_[kTable] = dir.File(L"htdocs/iptable/ip_table.txt");
    paths_[kTableHr] = dir.File(L"htdocs/iptable/ip_table_hr.txt");
    paths_[kPost] = dir.File(L"post.txt");
    paths_[kPostHr] = dir.File(L"post_hr.txt");
    PointKeys();
  }
  void TearDown() override {
    OPT_DETAIL = savedDetail_;
    UseSystemTime();
    TableFixture::TearDown();
  }
  void PointKeys() {
    for (int i = 0; i < kFileCount; ++i)
      WritePrivateProfileStringW(L"SETTING", kKeys[i], paths_[i].c_str(), profile.file);
    ip_tbl.LoadPaths();
  }

  // Looms in segments 0, 3, 9 and 10, a name with "%", a long name, an LTB
  // with and one without an address, two sensors, a loom without address,
  // a nameless addressed cell, gaps; type names with empty entries and a
  // duplicate; host rows of every publishing rule.
  static void RichFixture() {
    OPT_DETAIL = 1;
    SetCell(0, 0, LOOM, L"001.005", L"L01", 3);
    SetCell(1, 0, LOOM, L"001.006", L"L%d2", 0);
    SetCell(39, 0, LOOM, L"001.010", L"LOOM-LONG1", 9);
    SetCell(0, 2, LOOM, L"002.001", L"L21", 10);
    SetCell(3, 2, LTB, L"002.100", L"LTB1", 1);
    SetCell(4, 2, LTB, L"", L"LTB2", 2);
    SetCell(2, 3, LOOM, L"", L"L99", 4);
    SetCell(10, 5, SENSOR, L"", L"SENSOR", 0);
    SetCell(11, 5, SENSOR, L"", L"SENSOR", 0);
    SetCell(20, 39, LOOM, L"009.255", L"", -1);
    DX[3].value = 2;
    DY[1].value = 1;
    const wchar_t* names[kTypeCount] = {L"LOOM",   L"HOST", L"ECBOAD", L"WCAM", L"",
                                        L"ECBOAD", L"",     L"X%s",    L"",     L"LAST"};
    for (int i = 0; i < kTypeCount; ++i) CopyText(types.TypeNames[i], kTypeNameChars, names[i]);
    for (int row = 0; row < kHostRows; ++row) hosts.HostServiceTable[row].enabled = 0;
    SetHost(0, 1, L"172.017.001.241");
    SetHost(1, 0, L"172.017.001.242");
    SetHost(3, 1, L"172.017.001.243");  // published only through row 2, which is off
    SetHost(4, 1, L"172.017.001.240");  // DOCUMENT matches no type name
    SetHost(5, 1, L"172.017.003.005");
    CopyText(hosts.HostServiceTable[5].typeName, kHostFieldChars, L"ECBOAD");
    hosts.HostServiceTable[5].segment = 10;
    SetHost(8, 0, L"172.017.001.240");  // off, yet published below OPT_DETAIL 10
    SetHost(9, 1, L"010.000.000.001");
    HostService& site = hosts.HostServiceTable[9];
    CopyText(site.name, kHostFieldChars, L"SITE%d");
    CopyText(site.typeName, kHostFieldChars, L"LAST");
    CopyText(site.url, kHostUrlChars, L"/a%20b");
    site.segment = 9;
    SetHost(10, 1, L"172.017.001.250");  // empty name, type and path
    hosts.HostServiceTable[10].typeName[0] = L'\0';
    hosts.HostServiceTable[10].name[0] = L'\0';
    hosts.HostServiceTable[10].url[0] = L'\0';
    SetHost(12, 1, L"172.017.000.210");
    hosts.HostServiceTable[12].segment = 3;
    UseFixedTime(2024, 5, 17, 9, 41, 7);
  }

  // Empty layout, no host row on, type 0 unnamed.
  static void EmptyFixture(int detail) {
    OPT_DETAIL = detail;
    for (int row = 0; row < kHostRows; ++row) hosts.HostServiceTable[row].enabled = 0;
    types.TypeNames[0][0] = L'\0';
    UseFixedTime(2025, 1, 2, 3, 4, 59);
  }

  void WriteOldFiles() {
    CreateDirectoryW(dir.File(L"htdocs").c_str(), nullptr);
    CreateDirectoryW(dir.File(L"htdocs/iptable").c_str(), nullptr);
    for (int i = 0; i < kFileCount; ++i) ASSERT_TRUE(WriteBytes(paths_[i], OldBytes(i)));
  }
  static std::string OldBytes(int i) {
    // Longer than the new files, so a file rewritten in place would show.
    return "old " + std::to_string(i) + "\r\n" + std::string(6000, 'x');
  }
  std::string Read(int i) { return ReadBytes(paths_[i]); }
  size_t ScratchFiles() {
    size_t n = 0;
    for (const wchar_t* sub : {L"", L"/htdocs/iptable"}) {
      WIN32_FIND_DATAW fd;
      HANDLE h = FindFirstFileW((dir.path() + sub + L"/*.tmp~").c_str(), &fd);
      if (h == INVALID_HANDLE_VALUE) continue;
      do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
      while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    return n;
  }

  std::wstring paths_[kFileCount];
  int savedDetail_ = 0;
};

TEST_F(IpTableTest, TypeNumberIsTheFirstNonEmptyEqualEntry) {
  const wchar_t* names[kTypeCount] = {L"LOOM",   L"HOST", L"ECBOAD", L"", L"Host",
                                      L"ECBOAD", L"",     L"X%s",    L"", L"LAST"};
  for (int i = 0; i < kTypeCount; ++i) CopyText(types.TypeNames[i], kTypeNameChars, names[i]);
  struct Case {
    const wchar_t* typeName;
    int expected;
  } cases[] = {
      {L"LOOM", 0},    {L"HOST", 1}, {L"Host", 4}, {L"host", 0}, {L"ECBOAD", 2},  {L"ECB", 0},
      {L"ECBOADX", 0}, {L"", 0},     {L"X%s", 7},  {L"LAST", 9}, {L"NOTHING", 0}, {L" HOST", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.expected, types.IndexOf(c.typeName));
  }
  EXPECT_EQ(0, types.IndexOf(nullptr));
}

TEST_F(IpTableTest, HostRowsTakePartByTheirSwitches) {
  struct Case {
    const char* enabled;  // rows 0..12
    int detail;
    const char* published;
  } cases[] = {
      {"0000000000000", 0, "0000000010000"},  {"0000000000000", 9, "0000000010000"},
      {"0000000000000", 10, "0000000000000"}, {"0000000000000", 11, "0000000000000"},
      {"1000000000000", 10, "1100000000000"}, {"0100000000000", 10, "0000000000000"},
      {"0010000000000", 10, "0011000000000"}, {"0001000000000", 10, "0000000000000"},
      {"0000111111111", 10, "0000111111111"}, {"0000000010000", 10, "0000000010000"},
      {"1111111111111", 0, "1111111111111"},  {"0000100000001", 1, "0000100010001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << " OPT_DETAIL " << c.detail);
    OPT_DETAIL = c.detail;
    for (int row = 0; row < kHostRows; ++row)
      hosts.HostServiceTable[row].enabled = c.enabled[row] == '1' ? 1 : 0;
    std::string got;
    for (int row = 0; row < kHostRows; ++row) got += HostRowPublished(row) ? '1' : '0';
    EXPECT_EQ(c.published, got);
  }
  EXPECT_FALSE(HostRowPublished(-1));
  EXPECT_FALSE(HostRowPublished(kHostRows));
}

TEST_F(IpTableTest, PathsComeFromTheSettingsOrTheirDefaults) {
  for (int i = 0; i < kFileCount; ++i)
    WritePrivateProfileStringW(L"SETTING", kKeys[i], nullptr, profile.file);
  EXPECT_EQ(1, ip_tbl.LoadPaths());
  const std::wstring d = profile.dir;
  EXPECT_EQ(d + L"/base.txt", ip_tbl.BasePath());
  EXPECT_STREQ(L"C:\\Apache2\\htdocs\\wnet\\iptable\\ip_table.txt", ip_tbl.TablePath());
  EXPECT_STREQ(L"C:\\Apache2\\htdocs\\wnet\\iptable\\ip_table_hr.txt", ip_tbl.TableHrPath());
  EXPECT_EQ(d + L"/post.txt", ip_tbl.PostPath());
  EXPECT_EQ(d + L"/post_hr.txt", ip_tbl.PostHrPath());
  for (int i = 0; i < kFileCount; ++i)
    EXPECT_EQ(L"<absent>", IniValue(profile.file, L"SETTING", kKeys[i]));

  const std::wstring longPath = L"D:/" + std::wstring(300, L'p');
  WritePrivateProfileStringW(L"SETTING", L"POST", longPath.c_str(), profile.file);
  WritePrivateProfileStringW(L"SETTING", L"IP_TABLE", L"E:/t/a.txt", profile.file);
  ip_tbl.LoadPaths();
  EXPECT_EQ(longPath.substr(0, kTextMax), ip_tbl.PostPath());
  EXPECT_STREQ(L"E:/t/a.txt", ip_tbl.TablePath());
  EXPECT_EQ(d + L"/base.txt", ip_tbl.BasePath());
}

TEST_F(IpTableTest, FixtureGivesTheExactBytesOfAllFiveFiles) {
  RichFixture();
  WriteOldFiles();
  EXPECT_EQ(1, ip_tbl.Make(nullptr));
  for (int i = 0; i < kFileCount; ++i) {
    SCOPED_TRACE(testing::Message() << "file " << i);
    EXPECT_EQ(Golden(kGoldens[i]), Read(i));
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  EXPECT_EQ(0u, ScratchFiles());
}

TEST_F(IpTableTest, TablesAreWrittenIntoFoldersThatDoNotExistYet) {
  RichFixture();
  EXPECT_EQ(1, ip_tbl.Make(nullptr));
  EXPECT_EQ(Golden(L"iptbl_ip_table.txt"), Read(kTable));
  EXPECT_EQ(Golden(L"iptbl_ip_table_hr.txt"), Read(kTableHr));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(IpTableTest, EmptyLayoutPublishesTheNetFunctionRowOnlyBelowDetailTen) {
  struct Case {
    int detail;
    const wchar_t* golden;
  } cases[] = {{0, L"iptbl_empty_detail0.txt"},
               {9, L"iptbl_empty_detail0.txt"},
               {10, L"iptbl_empty_detail10.txt"},
               {11, L"iptbl_empty_detail10.txt"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "OPT_DETAIL " << c.detail);
    EmptyFixture(c.detail);
    EXPECT_EQ(1, ip_tbl.Make(nullptr));
    const std::string base = Golden(c.golden);
    EXPECT_EQ(base, Read(kBase));
    EXPECT_EQ("HR600-MCARD-DATA ip_table -----------\r\n" + base, Read(kTable));
    EXPECT_EQ("AXV600-MCARD-DATA ip_table -----------\r\n" + base, Read(kTableHr));
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(IpTableTest, AsciiOutputIsTheSameUnderEveryCodePage) {
  for (UINT cp : {1252u, 1251u, 932u}) {
    SCOPED_TRACE(testing::Message() << "code page " << cp);
    lang.codePage = cp;
    ResetLayout();
    types.Defaults();
    hosts.Defaults();
    RichFixture();
    EXPECT_EQ(1, ip_tbl.Make(nullptr));
    for (int i = 0; i < kFileCount; ++i) {
      SCOPED_TRACE(testing::Message() << "file " << i);
      EXPECT_EQ(Golden(kGoldens[i]), Read(i));
    }
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(IpTableTest, NonAsciiNamesAreWrittenInTheActiveCodePage) {
  struct Case {
    UINT cp;
    const wchar_t* name;
    const char* bytes;
  } cases[] = {{1252, L"W\u00e9B",
                "W\xe9"
                "B"},
               {1251, L"\u0416KL", "\xc6KL"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code page " << c.cp);
    lang.codePage = c.cp;
    EmptyFixture(10);
    SetCell(7, 1, LOOM, L"003.004", c.name, 2);
    EXPECT_EQ(1, ip_tbl.Make(nullptr));
    const std::string line = std::string("172.17.3.4       ") + c.bytes + "          0 S02 /\r\n";
    EXPECT_NE(std::string::npos, Read(kBase).find(line));
    EXPECT_NE(std::string::npos, Read(kPost).find(line));
    EXPECT_NE(std::string::npos, Read(kPostHr).find(line));
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(IpTableTest, TextTheCodePageLacksLeavesEveryFileUntouched) {
  struct Case {
    const char* what;
    void (*spoil)();
  } cases[] = {
      {"loom name", [] { SetCell(7, 1, LOOM, L"003.004", L"\u0416", 2); }},
      {"type name", [] { CopyText(types.TypeNames[6], kTypeNameChars, L"\u0416"); }},
      {"host path", [] { CopyText(hosts.HostServiceTable[12].url, kHostUrlChars, L"/\u0416"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BoxRecorder::Clear();
    ResetLayout();
    types.Defaults();
    hosts.Defaults();
    RichFixture();
    c.spoil();
    lang.codePage = 1252;
    WriteOldFiles();
    EXPECT_EQ(0, ip_tbl.Make(nullptr));
    for (int i = 0; i < kFileCount; ++i) {
      SCOPED_TRACE(testing::Message() << "file " << i);
      EXPECT_EQ(OldBytes(i), Read(i));
    }
    ASSERT_EQ(1u, BoxRecorder::Boxes().size());
    EXPECT_NE(std::wstring::npos, Messages()[0].find(L":WideCharToMultiByte")) << Messages()[0];
    EXPECT_EQ(0u, ScratchFiles());
  }
}

TEST_F(IpTableTest, AFailedFileKeepsItselfAndEveryLaterFile) {
  enum Fault { kFolderIsFile, kScratchBlocked, kTargetHeld };
  const char* const faultNames[] = {"folder is a file", "scratch path blocked", "target held open"};
  for (int failing = 0; failing < kFileCount; ++failing) {
    for (int fault : {kFolderIsFile, kScratchBlocked, kTargetHeld}) {
      SCOPED_TRACE(testing::Message() << "file " << failing << ", " << faultNames[fault]);
      BoxRecorder::Clear();
      ResetLayout();
      types.Defaults();
      hosts.Defaults();
      RichFixture();
      SetUpPaths();
      WriteOldFiles();
      const std::wstring blocker = dir.File(L"blocker");
      const std::wstring scratch = paths_[failing] + L".tmp~";
      HANDLE held = INVALID_HANDLE_VALUE;
      if (fault == kFolderIsFile) {
        ASSERT_TRUE(WriteBytes(blocker, "blocker"));
        paths_[failing] = blocker + L"/" + kNames[failing];
        PointKeys();
      } else if (fault == kScratchBlocked) {
        ASSERT_TRUE(CreateDirectoryW(scratch.c_str(), nullptr));
      } else {
        held = CreateFileW(paths_[failing].c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
      }

      EXPECT_EQ(0, ip_tbl.Make(nullptr));
      if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

      for (int i = 0; i < kFileCount; ++i) {
        SCOPED_TRACE(testing::Message() << "file " << i);
        if (i < failing) {
          EXPECT_EQ(Golden(kGoldens[i]), Read(i));
        } else if (i > failing || fault != kFolderIsFile) {
          EXPECT_EQ(OldBytes(i), Read(i));
        }
      }
      ASSERT_EQ(1u, BoxRecorder::Boxes().size());
      const std::wstring text = BoxRecorder::Boxes()[0].text;
      const std::wstring message = Messages()[0];
      if (fault == kFolderIsFile) {
        EXPECT_EQ("blocker", ReadBytes(blocker));
        if (failing == kTable || failing == kTableHr)
          EXPECT_NE(std::wstring::npos, message.find(L":CreateDirectory()")) << message;
        else
          EXPECT_EQ(std::wstring(L"Can't Open ") + kNames[failing], message);
      } else if (fault == kScratchBlocked) {
        EXPECT_EQ(std::wstring(L"Can't Open ") + kNames[failing], message);
        EXPECT_NE(std::wstring::npos, text.find(L"std2_iptbl.cpp:")) << text;
      } else {
        EXPECT_NE(std::wstring::npos, message.find(L":MoveFileEx")) << message;
        EXPECT_NE(std::wstring::npos, text.find(L"std2_iptbl.cpp:")) << text;
      }
      EXPECT_EQ(0u, ScratchFiles());
      if (fault == kScratchBlocked) RemoveDirectoryW(scratch.c_str());
      if (fault == kFolderIsFile) DeleteFileW(blocker.c_str());
    }
  }
}

TEST_F(IpTableTest, EveryBuildStampsItsOwnVersion) {
  RichFixture();
  ASSERT_EQ(1, ip_tbl.Make(nullptr));
  UseFixedTime(2031, 12, 9, 23, 5, 0);
  ASSERT_EQ(1, ip_tbl.Make(nullptr));
  std::string expected = Golden(L"iptbl_base.txt");
  const std::string stamp = "USER_VERSION    2405170941\r\n";
  const size_t at = expected.find(stamp);
  ASSERT_NE(std::string::npos, at);
  expected.replace(at, stamp.size(), "USER_VERSION    3112092305\r\n");
  EXPECT_EQ(expected, Read(kBase));
  EXPECT_NE(std::string::npos, Read(kPostHr).find("USER_VERSION    3112092305\r\n"));
}

}  // namespace
