// The layout item file: exact bytes, the readers' rules for every kind of
// line, the rewrite of migrated items, the check before closing, the
// factory copy and the failures that must leave the old file intact.
#include <windows.h>

#include <cstring>
#include <string>

#include "std/std.h"
#include "std/std_inetdlg.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "tests/support.h"

namespace {

const char kHeader[] = "AXV600-MCARD-DATA lout_itbl -----------\r\n";

class LoutTest : public TableFixture {
 protected:
  static void Defaults() {
    ResetLayout();
    types.Defaults();
    hosts.Defaults();
  }
  std::wstring Path() {
    wchar_t p[kTextMax + 1];
    loitbl.Path(p);
    return p;
  }
  void PutFile(const std::string& body) { ASSERT_TRUE(WriteBytes(Path(), kHeader + body)); }
  static void Put(int x, int y, int kind, const wchar_t* ip, const wchar_t* name, int segment,
                  int state) {
    LayoutCell& c = Cell(x, y);
    CopyText(c.ip, 11, ip);
    CopyText(c.name, 11, name);
    c.kind = kind;
    c.segment = segment;
    c.state = state;
  }
  static void RichTable() {
    Put(0, 0, LTB, L"", L"T01", 0, 0);
    Put(12, 3, LOOM, L"001.017", L"A-001", 2, 1);
    Put(5, 5, SENSOR, L"", L"SENSOR", 0, 7);
    Put(39, 39, LOOM, L"255.254", L"Z9", 9, 11);
    DX[0].value = 2;
    DY[0].value = 1;
    DX[39].value = 9;
    wcscpy(types.TypeNames[0], L"WEAVER");
    wcscpy(types.TypeNames[5], L"JACQ");
    HostService& parts = hosts.HostServiceTable[4];
    parts = HostService{};
    HostService& opt2 = hosts.HostServiceTable[9];
    opt2.enabled = 1;
    wcscpy(opt2.ip, L"010.001.002.003");
    wcscpy(opt2.name, L"X");
    opt2.segment = 3;
    wcscpy(opt2.url, L"/a");
    wcscpy(hosts.networkPrefix, L"010.020");
  }
};

// ---------------------------------------------------------------- bytes

TEST_F(LoutTest, EmptyTableWritesHeaderTypesHostsAndEnd) {
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  EXPECT_EQ(Golden(L"lout_empty.txt"), ReadBytes(Path()));
  EXPECT_EQ(dir.path() + L"/lout_itbl.txt", Path());
}

TEST_F(LoutTest, RichTableRoundTripsByteForByte) {
  RichTable();
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  std::string first = ReadBytes(Path());
  EXPECT_EQ(Golden(L"lout_rich.txt"), first);

  Defaults();
  ASSERT_EQ(1, loitbl.Load());
  EXPECT_EQ(11, Cell(39, 39).state);  // marks are stored as they are
  EXPECT_EQ(LTB, Cell(0, 0).kind);
  EXPECT_STREQ(L"", Cell(0, 0).ip);
  EXPECT_STREQ(L"JACQ", types.TypeNames[5]);
  EXPECT_STREQ(L"", hosts.HostServiceTable[4].name);
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  EXPECT_EQ(first, ReadBytes(Path()));
  EXPECT_EQ(1, loitbl.IsSaved(nullptr));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  EXPECT_FALSE(FileExists(Path() + L".tmp~"));
}

// ---------------------------------------------------------------- readers

TEST_F(LoutTest, ItemLinesAreCheckedAndNormalised) {
  PutFile("LOOM 1 2 1.17 LONGNAME 99 3\r\n"
          "SENSOR 2 2 --NO_STR-- SENSORNAME 0 7\r\n"
          "LTB 3 2 010.010 L1 5 0\n"  // a valid address of an LTB is dropped
          "LOOM 4 2 001.001 A 0 0 trailing words\r\n"
          "#end_of_data\r\n"
          "LOOM 5 2 001.001 AFTER 0 0\r\n");
  ASSERT_EQ(1, loitbl.Load());
  EXPECT_STREQ(L"001.017", Cell(1, 2).ip);
  EXPECT_STREQ(L"LONGN", Cell(1, 2).name);
  EXPECT_EQ(99, Cell(1, 2).segment);
  EXPECT_STREQ(L"SENSORNA", Cell(2, 2).name);
  EXPECT_STREQ(L"", Cell(3, 2).ip);
  EXPECT_EQ(5, Cell(3, 2).segment);
  EXPECT_STREQ(L"A", Cell(4, 2).name);
  EXPECT_FALSE(IsOccupied(Cell(5, 2)));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LoutTest, BadLinesAreReportedAndSkipped) {
  std::string longLine = "// " + std::string(260, 'x') + "LOOM 1 1 001.001 EVIL 0 0";
  struct Row {
    std::string line;
    std::wstring message;
  } rows[] = {
      {"LOOM 40 1 001.001 AB 0 0", L"ERROR x<0 || 39<x: LOOM 40 1 001.001 AB 0 0"},
      {"LOOM 1 -1 001.001 AB 0 0", L"ERROR y<0 || 39<y: LOOM 1 -1 001.001 AB 0 0"},
      {"LOOM 9999999999 1 001.001 AB 0 0", L"ERROR x<0 || 39<x: LOOM 9999999999 1 001.001 AB 0 0"},
      {"LOOM 1 1 256.1 AB 0 0", L"ERROR IP address: LOOM 1 1 256.1 AB 0 0"},
      {"LOOM 1 1 0000000000000000001.22 AB 0 0",
       L"ERROR IP address: LOOM 1 1 0000000000000000001.22 AB 0 0"},
      {"LOOM 1 1 001.001 AB 100 0", L"ERROR sg<0 || 99<sg: LOOM 1 1 001.001 AB 100 0"},
      {"LOOM 1 1 001.001", L"ERROR name: LOOM 1 1 001.001"},
      {"LOOM 1 1 001.001 --NO_STR-- 0 0", L"ERROR name: LOOM 1 1 001.001 --NO_STR-- 0 0"},
      {"LOOM 1 1 001.001 AB 0 -1", L"ERROR state: LOOM 1 1 001.001 AB 0 -1"},
      {"LOOM 1 1 001.001 AB 0 10000", L"ERROR state: LOOM 1 1 001.001 AB 0 10000"},
      {"DX 40 3", L"ERROR gap: DX 40 3"},
      {"DX 7 10", L"ERROR gap: DX 7 10"},
      {"DY -1 1", L"ERROR gap: DY -1 1"},
      {"LOOM 1 1 001.001 AB 100 0 and a comment long enough to be cut",
       L"ERROR sg<0 || 99<sg: LOOM 1 1 001.001 AB 100 0 and a comment long enoug"},
      {longLine, L"ERROR line too long: // " + std::wstring(47, L'x')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Defaults();
    BoxRecorder::Clear();
    PutFile("LOOM 0 0 000.001 GOOD1 0 0\r\n" + row.line + "\r\nLOOM 2 2 000.002 GOOD2 0 0\r\n");
    ASSERT_EQ(1, loitbl.Load());
    std::vector<std::wstring> messages = Messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(row.message, messages[0]);
    EXPECT_FALSE(IsOccupied(Cell(1, 1)));
    EXPECT_STREQ(L"GOOD1", Cell(0, 0).name);
    EXPECT_STREQ(L"GOOD2", Cell(2, 2).name);
    for (int k = 0; k < kCols; ++k) EXPECT_EQ(0, DX[k].value + DY[k].value);
  }
}

TEST_F(LoutTest, GapLinesSetTheGaps) {
  PutFile("DX 7 3\r\nDY 0 9\r\nDX 39 1\r\nDY\r\n");
  ASSERT_EQ(1, loitbl.Load());
  EXPECT_EQ(3, DX[7].value);
  EXPECT_EQ(9, DY[0].value);
  EXPECT_EQ(1, DX[39].value);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LoutTest, LoomWithoutAddressBecomesAnLtbAndIsStoredAgain) {
  PutFile("LOOM 3 4 --NO_STR-- AB 0 0\r\n");
  ASSERT_EQ(1, loitbl.Load());
  EXPECT_EQ(LTB, Cell(3, 4).kind);
  EXPECT_STREQ(L"AB", Cell(3, 4).name);
  // The file stays until its replacement is written.
  EXPECT_TRUE(FileExists(Path()));
  EXPECT_TRUE(loitbl.rewritePending());
  EXPECT_EQ(0, loitbl.Ensure(nullptr));
  std::string stored = ReadBytes(Path());
  EXPECT_NE(std::string::npos, stored.find("\r\nLTB 3 4 --NO_STR-- AB 0 0\r\n"));
  EXPECT_EQ(std::string::npos, stored.find("LOOM 3 4"));
  EXPECT_EQ(1, loitbl.Ensure(nullptr));
}

TEST_F(LoutTest, RejectedLoomWithoutAddressMigratesNothing) {
  PutFile("LOOM 3 4 --NO_STR-- AB 100 0\r\n");
  std::string before = ReadBytes(Path());
  ASSERT_EQ(1, loitbl.Load());
  EXPECT_FALSE(loitbl.rewritePending());
  EXPECT_EQ(1, loitbl.Ensure(nullptr));
  EXPECT_EQ(before, ReadBytes(Path()));
}

TEST_F(LoutTest, TypeAndHostLines) {
  PutFile("OPTION2 1 10.1.2.3 X HOST 0 /a\r\n"
          "OPTION3 1 300.1.1.1 B HOST 0 /b\r\n"
          "OPTION3 1 1.1.1.1 C HOST 0 /c\r\n"
          "OPTION4 0 9.9 N HOST 12 /u\r\n"
          "MRV 1 1.2.3.4 M\r\n"
          "TYPE0 FIRST\r\n"
          "TYPE0 SECOND\r\n"
          "TYPE7 --NO_STR--\r\n"
          "TYPE8 ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n"
          "NETWORK 300.1\r\n"
          "NETWORK --NO_STR--\r\n");
  ASSERT_EQ(1, loitbl.Load());
  const HostService* h = hosts.HostServiceTable;
  EXPECT_EQ(1, h[9].enabled);
  EXPECT_STREQ(L"010.001.002.003", h[9].ip);
  EXPECT_STREQ(L"X", h[9].name);
  EXPECT_STREQ(L"/a", h[9].url);
  EXPECT_STREQ(L"001.001.001.001", h[10].ip);  // the bad enabled row was not taken
  EXPECT_STREQ(L"C", h[10].name);
  EXPECT_STREQ(L"N", h[11].name);
  EXPECT_STREQ(L"9.9", h[11].ip);  // a row that is off keeps its text
  EXPECT_EQ(0, h[11].segment);     // 12 is out of range
  EXPECT_STREQ(L"MRVHOST", h[5].name);  // short row not taken
  EXPECT_STREQ(L"FIRST", types.TypeNames[0]);
  EXPECT_STREQ(L"", types.TypeNames[7]);
  EXPECT_STREQ(L"ABCDEFGHIJKLMNOPQRS", types.TypeNames[8]);
  EXPECT_STREQ(L"172.017", hosts.networkPrefix);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  std::wstring log = Utf16(ReadBytes(dir.File(L"elog.txt")));
  EXPECT_NE(std::wstring::npos, log.find(L"ERROR host line: OPTION3 1 300.1.1.1 B HOST 0 /b"));
  EXPECT_NE(std::wstring::npos, log.find(L"ERROR host line: MRV 1 1.2.3.4 M"));
}

TEST_F(LoutTest, HeaderIsNeverReadAndKeywordsNeedABlank) {
  ASSERT_TRUE(WriteBytes(Path(), "TYPE0 HEADER\r\nTYPE1X Y\r\nLOOMS 1 1 001.001 A 0 0\r\n"
                                 "NETWORK 010.011\r\n"));
  ASSERT_EQ(1, loitbl.Load());
  EXPECT_STREQ(L"LOOM", types.TypeNames[0]);
  EXPECT_STREQ(L"HOST", types.TypeNames[1]);
  EXPECT_FALSE(IsOccupied(Cell(1, 1)));
  EXPECT_STREQ(L"010.011", hosts.networkPrefix);
}

TEST_F(LoutTest, DoubleByteNamesSurviveARoundTrip) {
  lang.codePage = 932;
  const wchar_t* name = L"\u7E54\u6A5F\u4E00\u4E8C\u4E09";  // five characters, ten bytes
  std::wstring url(19, L'\u30D1');
  Put(7, 8, LOOM, L"001.002", name, 1, 0);
  wcscpy(hosts.HostServiceTable[10].url, url.c_str());
  wcscpy(hosts.HostServiceTable[10].name, L"\u30DB\u30B9\u30C8");
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  std::string first = ReadBytes(Path());
  Defaults();
  ASSERT_EQ(1, loitbl.Load());
  EXPECT_STREQ(name, Cell(7, 8).name);
  EXPECT_EQ(url, hosts.HostServiceTable[10].url);
  EXPECT_STREQ(L"\u30DB\u30B9\u30C8", hosts.HostServiceTable[10].name);
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  EXPECT_EQ(first, ReadBytes(Path()));
}

TEST_F(LoutTest, MissingFileIsSilentAndEnsureCreatesIt) {
  EXPECT_EQ(0, loitbl.Load());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  EXPECT_EQ(0, loitbl.Ensure(nullptr));
  EXPECT_EQ(Golden(L"lout_empty.txt"), ReadBytes(Path()));
  EXPECT_EQ(1, loitbl.Ensure(nullptr));
}

// ---------------------------------------------------------------- failures

TEST_F(LoutTest, BlockedScratchKeepsTheOldFile) {
  ASSERT_TRUE(WriteBytes(Path(), "old bytes"));
  ASSERT_TRUE(CreateDirectoryW((Path() + L".tmp~").c_str(), nullptr));
  EXPECT_EQ(0, loitbl.Write(nullptr, nullptr));
  EXPECT_EQ("old bytes", ReadBytes(Path()));
  ASSERT_EQ(1u, Messages().size());
  EXPECT_EQ(L"ERROR Open(w) " + Path(), Messages()[0]);
}

TEST_F(LoutTest, HeldTargetKeepsTheOldFile) {
  ASSERT_TRUE(WriteBytes(Path(), "old bytes"));
  HANDLE held = CreateFileW(Path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(0, loitbl.Write(nullptr, nullptr));
  CloseHandle(held);
  EXPECT_EQ("old bytes", ReadBytes(Path()));
  EXPECT_FALSE(FileExists(Path() + L".tmp~"));
  ASSERT_EQ(1u, Messages().size());
  EXPECT_NE(std::wstring::npos, Messages()[0].find(L":MoveFileEx("));
}

TEST_F(LoutTest, UnwritableCheckCopyCountsAsADifference) {
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"lout_itbl.0.tmp~").c_str(), nullptr));
  EXPECT_EQ(0, loitbl.IsSaved(nullptr));
  ASSERT_EQ(2u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"ERROR Open(w) "));
  EXPECT_EQ(std::wstring(lang.Text(S_LOOMDATACHANGED)), BoxRecorder::Boxes()[1].text);
}

TEST_F(LoutTest, StaleCheckCopyIsNeverTrusted) {
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  ASSERT_EQ(1, loitbl.IsSaved(nullptr));  // leaves a matching lout_itbl.0
  Put(1, 1, LOOM, L"001.001", L"NEW", 0, 0);
  HANDLE held = CreateFileW(dir.File(L"lout_itbl.0").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(0, loitbl.IsSaved(nullptr));
  CloseHandle(held);
  EXPECT_EQ(std::wstring(lang.Text(S_LOOMDATACHANGED)), BoxRecorder::Boxes().back().text);
}

TEST_F(LoutTest, ChangedTableIsReported) {
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  Put(1, 1, LOOM, L"001.001", L"NEW", 0, 0);
  EXPECT_EQ(0, loitbl.IsSaved(nullptr));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const RecordedBox& box = BoxRecorder::Boxes()[0];
  EXPECT_EQ(std::wstring(lang.Text(S_LOOMDATACHANGED)), box.text);
  EXPECT_EQ(std::wstring(lang.Text(S_CONFIRM)), box.caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONQUESTION), box.style);
}

TEST_F(LoutTest, MissingFileCountsAsADifference) {
  EXPECT_EQ(0, loitbl.IsSaved(nullptr));
  EXPECT_EQ(std::wstring(lang.Text(S_LOOMDATACHANGED)), BoxRecorder::Boxes().back().text);
}

TEST_F(LoutTest, LockedFileIsReportedAndNeverOverwritten) {
  PutFile("LOOM 1 1 001.001 KEEP 0 0\r\n");
  std::string before = ReadBytes(Path());
  HANDLE held = CreateFileW(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(0, loitbl.Load());
  ASSERT_EQ(1u, Messages().size());
  EXPECT_NE(std::wstring::npos, Messages()[0].find(L":CreateFile(" + Path() + L")(32)"));
  EXPECT_EQ(0, loitbl.Ensure(nullptr));
  CloseHandle(held);
  EXPECT_EQ(before, ReadBytes(Path()));
}

TEST_F(LoutTest, CopyOutPlacesAnIdenticalFactoryCopy) {
  std::wstring target = dir.path() + L"\\factdata\\setting\\lout_itbl.txt";
  WritePrivateProfileStringW(L"SETTING", L"LOUT_ITBL_CP", target.c_str(), profile.file);
  RichTable();
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  loitbl.CopyOut(nullptr);
  EXPECT_EQ(ReadBytes(Path()), ReadBytes(target));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LoutTest, ConfiguredPathIsUsed) {
  std::wstring other = dir.path() + L"\\other.txt";
  WritePrivateProfileStringW(L"SETTING", L"LOUT_ITBL", other.c_str(), profile.file);
  EXPECT_EQ(other, Path());
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  EXPECT_EQ(Golden(L"lout_empty.txt"), ReadBytes(other));
}

}  // namespace
