// Group memberships (grpset.txt) and section names (grpdlg.txt) in both
// variants: exact bytes, the readers' rules, the check before closing, the
// factory copies and failures that must leave the old file intact.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_inetdlg.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_grpdlgL.h"
#include "std2/std2_grpsetL.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "tests/support.h"

namespace {

class GroupTest : public TableFixture {
 protected:
  std::wstring GrpsetPath() {
    wchar_t p[kTextMax + 1];
    CGrpSetFile::Path(p);
    return p;
  }
  std::wstring GrpdlgPath() {
    wchar_t p[kTextMax + 1];
    CGrpDlgFile::Path(p);
    return p;
  }
  static void Loom(int x, int y, const wchar_t* name, std::vector<int> groups, int kind = LOOM) {
    LayoutCell& c = Cell(x, y);
    CopyText(c.name, 11, name);
    if (kind == LOOM) CopyText(c.ip, 11, L"001.001");
    c.kind = kind;
    for (int s = 0; s < kSections; ++s) c.group[s] = s < (int)groups.size() ? groups[s] : -1;
  }
  static void MixedTable() {
    Loom(0, 0, L"A2", {1, 2, 3, 4, 5});
    Loom(5, 0, L"a", {2, -1, -1, -1, -1, -1, 7, 8, 9, 20});
    Loom(1, 1, L"A10", {5, 4, 3, 2, 1, 0});
    Loom(2, 2, L"T1", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, LTB);
    Loom(3, 3, L"S1", {1, 1, 1}, SENSOR);
    Loom(4, 4, L"Z", {});
    Loom(6, 6, L"B", {-1, 3, -1, -1, -1, -1, -1, -1, -1, 12});
  }
  // The layout file matches the table, so group files may be written.
  void SaveLayout() { ASSERT_EQ(1, loitbl.Write(nullptr, nullptr)); }
  static std::vector<int> Groups(int x, int y) {
    return std::vector<int>(Cell(x, y).group, Cell(x, y).group + kSections);
  }
  static void ClearGroups() {
    for (LayoutCell& c : layout)
      for (int32_t& g : c.group) g = -1;
  }
  std::wstring GroupBoxText() {
    return std::wstring(lang.Text(S_LOOMDATACHANGED)) + L"(" + lang.Text(S_SECTION) + L")";
  }
};

CGrpSetFile* const kGrpSets[] = {&grpset, &grpsetL};

// ---------------------------------------------------------------- grpset

TEST_F(GroupTest, GroupFileBytesInBothVariants) {
  for (CGrpSetFile* variant : kGrpSets) {
    SCOPED_TRACE(variant->Sections());
    ResetLayout();
    SaveLayout();
    ASSERT_EQ(1, variant->Write(nullptr, nullptr));
    EXPECT_EQ(Golden(L"grpset_empty.txt"), ReadBytes(GrpsetPath()));
    MixedTable();
    SaveLayout();
    ASSERT_EQ(1, variant->Write(nullptr, nullptr));
    EXPECT_EQ(Golden(L"grpset_mixed.txt"), ReadBytes(GrpsetPath()));
    EXPECT_EQ(1, variant->IsSaved(nullptr));
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(GroupTest, RoundTripInBothVariantsAndAcrossThem) {
  MixedTable();
  SaveLayout();
  for (CGrpSetFile* writer : kGrpSets)
    for (CGrpSetFile* reader : kGrpSets) {
      SCOPED_TRACE(testing::Message() << writer->Sections() << " -> " << reader->Sections());
      MixedTable();
      ASSERT_EQ(1, writer->Write(nullptr, nullptr));
      ClearGroups();
      reader->Read();
      EXPECT_EQ((std::vector<int>{2, -1, -1, -1, -1, -1, 7, 8, 9, 20}), Groups(5, 0));
      EXPECT_EQ((std::vector<int>{5, 4, 3, 2, 1, 0, -1, -1, -1, -1}), Groups(1, 1));
      EXPECT_EQ(std::vector<int>(10, 1), Groups(2, 2));
      EXPECT_EQ(std::vector<int>(10, -1), Groups(3, 3));  // the sensor takes nothing
    }
}

TEST_F(GroupTest, DoubleByteNamesMatchWhenReadBack) {
  for (UINT cp : {932u, 936u}) {
    SCOPED_TRACE(cp);
    lang.codePage = cp;
    ResetLayout();
    Loom(7, 7, L"\u4E2D\u6587\u540D\u5B57\u4E00", {3, 2, 1});
    SaveLayout();
    ASSERT_EQ(1, grpset.Write(nullptr, nullptr));
    ClearGroups();
    grpset.Read();
    EXPECT_EQ((std::vector<int>{3, 2, 1, -1, -1, -1, -1, -1, -1, -1}), Groups(7, 7));
  }
}

TEST_F(GroupTest, LoomsOfOneNameKeepTheirOwnNumbers) {
  Loom(9, 0, L"TWIN", {1});
  Loom(0, 5, L"TWIN", {2});
  Loom(0, 9, L"TWIN", {3}, SENSOR);
  SaveLayout();
  ASSERT_EQ(1, grpset.Write(nullptr, nullptr));
  std::string bytes = ReadBytes(GrpsetPath());
  EXPECT_LT(bytes.find("LOOM TWIN 1 "), bytes.find("LOOM TWIN 2 "));  // table order
  ClearGroups();
  grpset.Read();
  EXPECT_EQ(1, Cell(9, 0).group[0]);
  EXPECT_EQ(-1, Cell(0, 5).group[0]);
  EXPECT_EQ(-1, Cell(0, 9).group[0]);
}

TEST_F(GroupTest, ReaderTable) {
  Loom(1, 1, L"L1", {});
  Loom(2, 2, L"L2", {});
  std::string longLine = "LOOM L2 1 1 1 1 1 1 1 1 1 1 " + std::string(240, ' ') + "x";
  struct Row {
    const char* what;
    std::string body;
    std::vector<int> l1;
    std::vector<std::wstring> messages;
  } rows[] = {
      {"header is never read", "", std::vector<int>(10, -1), {}},
      {"short line", "LOOM L1 4 5\r\n", {4, 5, 0, 0, 0, 0, 0, 0, 0, 0}, {}},
      {"bad entries", "LOOM L1 21 -2 x 3\r\n", {-1, -1, -1, 3, 0, 0, 0, 0, 0, 0},
       {L"ERROR group: LOOM L1 21 -2 x 3"}},
      {"after the end", "#end_of_data\r\nLOOM L1 1\r\n", std::vector<int>(10, -1), {}},
      {"end marker inside", "LOOM L1 1 #end_of_data\r\n", std::vector<int>(10, -1), {}},
      {"unknown name", "LOOM NOBODY 1\r\nLOOM L1 2\r\n", {2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}},
      {"other keyword", "LTB L1 1\r\nLOOML1 1\r\n", std::vector<int>(10, -1), {}},
      {"over-long line", longLine + "\r\nLOOM L1 6\r\n", {6, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {L"ERROR line too long: " + std::wstring(longLine.begin(), longLine.begin() + 50)}},
      {"ten-section numbers kept", "LOOM L1 20 0 -1 12\r\n", {20, 0, -1, 12, 0, 0, 0, 0, 0, 0}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ClearGroups();
    BoxRecorder::Clear();
    WriteBytes(GrpsetPath(), "LOOM L1 9 9 9 9 9 9 9 9 9 9\r\n" + row.body);
    grpset.Read();
    EXPECT_EQ(row.l1, Groups(1, 1));
    EXPECT_EQ(std::vector<int>(10, -1), Groups(2, 2));
    EXPECT_EQ(row.messages, Messages());
  }
}

TEST_F(GroupTest, MissingFileIsLoggedOnly) {
  grpset.Read();
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  EXPECT_NE(std::wstring::npos,
            Utf16(ReadBytes(dir.File(L"elog.txt"))).find(L"ERROR Open(r): " + GrpsetPath()));
}

TEST_F(GroupTest, IsSavedComparesWithTheFile) {
  MixedTable();
  SaveLayout();
  ASSERT_EQ(1, grpset.Write(nullptr, nullptr));
  EXPECT_EQ(1, grpset.IsSaved(nullptr));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  Cell(0, 0).group[2] = 5;
  EXPECT_EQ(0, grpset.IsSaved(nullptr));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const RecordedBox& box = BoxRecorder::Boxes()[0];
  EXPECT_EQ(GroupBoxText(), box.text);
  EXPECT_EQ(std::wstring(lang.Text(S_CONFIRM)), box.caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONQUESTION), box.style);
}

TEST_F(GroupTest, MissingFilesCountAsADifference) {
  SaveLayout();
  EXPECT_EQ(0, grpset.IsSaved(nullptr));
  EXPECT_EQ(GroupBoxText(), BoxRecorder::Boxes().back().text);
}

TEST_F(GroupTest, BlockedCheckCopyCountsAsADifference) {
  SaveLayout();
  ASSERT_EQ(1, grpset.Write(nullptr, nullptr));
  ASSERT_EQ(1, grpset.IsSaved(nullptr));  // leaves a matching grpset.0
  Cell(0, 0).group[0] = 1;
  wcscpy(Cell(0, 0).name, L"X");
  wcscpy(Cell(0, 0).ip, L"001.001");
  SaveLayout();
  ASSERT_TRUE(CreateDirectoryW(dir.File(L"grpset.0.tmp~").c_str(), nullptr));
  EXPECT_EQ(0, grpset.IsSaved(nullptr));
  std::vector<std::wstring> m = Messages();
  ASSERT_EQ(2u, m.size());
  EXPECT_EQ(L"ERROR Open(w) " + dir.path() + L"/grpset.0", m[0]);
  EXPECT_EQ(GroupBoxText(), m[1]);
}

TEST_F(GroupTest, NothingIsWrittenBesideAnUnsavedLayout) {
  SaveLayout();
  ASSERT_EQ(1, grpset.Write(nullptr, nullptr));
  std::string before = ReadBytes(GrpsetPath());
  Loom(3, 3, L"NEW", {1});
  EXPECT_EQ(0, grpset.Write(nullptr, nullptr));
  EXPECT_EQ(before, ReadBytes(GrpsetPath()));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(std::wstring(lang.Text(S_LOOMDATACHANGED)), BoxRecorder::Boxes()[0].text);
}

// ---------------------------------------------------------------- writers

struct Writer {
  const char* name;
  std::function<int()> write;
  std::function<std::wstring()> path;
};

TEST_F(GroupTest, FailedWritesKeepTheOldFile) {
  SaveLayout();
  Writer writers[] = {
      {"grpset", [] { return grpset.Write(nullptr, nullptr); }, [this] { return GrpsetPath(); }},
      {"grpsetL", [] { return grpsetL.Write(nullptr, nullptr); }, [this] { return GrpsetPath(); }},
      {"grpdlg", [] { return grpdlg.Write(nullptr); }, [this] { return GrpdlgPath(); }},
      {"grpdlg2", [] { return grpdlg2.Write(nullptr); }, [this] { return GrpdlgPath(); }},
  };
  for (const Writer& w : writers) {
    SCOPED_TRACE(w.name);
    std::wstring path = w.path();
    // The target held open without delete sharing.
    BoxRecorder::Clear();
    WriteBytes(path, "old bytes");
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(0, w.write());
    CloseHandle(held);
    EXPECT_EQ("old bytes", ReadBytes(path));
    EXPECT_FALSE(FileExists(path + L".tmp~"));
    ASSERT_EQ(1u, Messages().size());
    EXPECT_NE(std::wstring::npos, Messages()[0].find(L":MoveFileEx("));
    // The scratch file's place blocked.
    BoxRecorder::Clear();
    CreateDirectoryW((path + L".tmp~").c_str(), nullptr);
    EXPECT_EQ(0, w.write());
    RemoveDirectoryW((path + L".tmp~").c_str());
    EXPECT_EQ("old bytes", ReadBytes(path));
    ASSERT_EQ(1u, Messages().size());
    EXPECT_EQ(L"ERROR Open(w) " + path, Messages()[0]);
  }
}

TEST_F(GroupTest, EnsureCreatesMissingFilesAndLeavesLockedOnes) {
  SaveLayout();
  grpdlg.Defaults();
  EXPECT_EQ(0, grpset.Ensure(nullptr));
  EXPECT_EQ(0, grpdlg.Ensure(nullptr));
  EXPECT_EQ(Golden(L"grpset_empty.txt"), ReadBytes(GrpsetPath()));
  EXPECT_EQ(Golden(L"grpdlg6_defaults.txt"), ReadBytes(GrpdlgPath()));
  EXPECT_EQ(1, grpset.Ensure(nullptr));
  EXPECT_EQ(1, grpdlg.Ensure(nullptr));

  for (const std::wstring& path : {GrpsetPath(), GrpdlgPath()}) {
    SCOPED_TRACE(path);
    WriteBytes(path, "locked bytes");
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(0, path == GrpsetPath() ? grpset.Ensure(nullptr) : grpdlg.Ensure(nullptr));
    CloseHandle(held);
    EXPECT_EQ("locked bytes", ReadBytes(path));
  }
}

TEST_F(GroupTest, CopyOutPlacesIdenticalCopies) {
  std::wstring setCopy = dir.path() + L"\\factdata\\setting\\section_grpset.txt";
  std::wstring dlgCopy = dir.path() + L"\\factdata\\setting\\section_grpdlg.txt";
  WritePrivateProfileStringW(L"SETTING", L"GRPSET_CP", setCopy.c_str(), profile.file);
  WritePrivateProfileStringW(L"SETTING", L"GRPDLG_CP", dlgCopy.c_str(), profile.file);
  EXPECT_EQ(0, grpset.CopyOut(nullptr));  // no source yet: 0, and no report of its own
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  MixedTable();
  SaveLayout();
  ASSERT_EQ(1, grpset.Write(nullptr, nullptr));
  grpdlg2.Defaults();
  ASSERT_EQ(1, grpdlg2.Write(nullptr));
  EXPECT_EQ(1, grpsetL.CopyOut(nullptr));
  EXPECT_EQ(1, grpdlg2.CopyOut(nullptr));
  EXPECT_EQ(ReadBytes(GrpsetPath()), ReadBytes(setCopy));
  EXPECT_EQ(ReadBytes(GrpdlgPath()), ReadBytes(dlgCopy));
}

// ---------------------------------------------------------------- grpdlg

TEST_F(GroupTest, NameFileBytesOfTheDefaults) {
  grpdlg.Defaults();
  ASSERT_EQ(1, grpdlg.Write(nullptr));
  EXPECT_EQ(Golden(L"grpdlg6_defaults.txt"), ReadBytes(GrpdlgPath()));
  grpdlg2.Defaults();
  ASSERT_EQ(1, grpdlg2.Write(nullptr));
  EXPECT_EQ(Golden(L"grpdlg10_defaults.txt"), ReadBytes(GrpdlgPath()));
  EXPECT_STREQ(L"Member6-5", grpdlg.names[35]);
  EXPECT_STREQ(L"Section10", grpdlg2.names[9]);
  EXPECT_STREQ(L"-", grpdlg2.names[209]);
  EXPECT_STREQ("GD_M1020", grpdlg2.keys[209]);
  EXPECT_STREQ("GD_M0101", grpdlg2.keys[10]);
}

TEST_F(GroupTest, NameFilesOfTheOtherVariant) {
  // Six-section file read by the ten-section variant.
  grpdlg.Defaults();
  wcscpy(grpdlg.names[grpdlg.MemberSlot(6, 5)], L"Last");
  ASSERT_EQ(1, grpdlg.Write(nullptr));
  grpdlg2.Defaults();
  EXPECT_EQ(0, grpdlg2.Read());  // not every key is there
  EXPECT_STREQ(L"Last", grpdlg2.names[grpdlg2.MemberSlot(6, 5)]);
  EXPECT_STREQ(L"Member1-1", grpdlg2.names[grpdlg2.MemberSlot(1, 1)]);
  EXPECT_STREQ(L"-", grpdlg2.names[grpdlg2.MemberSlot(1, 6)]);
  EXPECT_STREQ(L"Section7", grpdlg2.names[grpdlg2.SectionSlot(7)]);
  ASSERT_EQ(1, grpdlg2.Write(nullptr));
  std::string written = ReadBytes(GrpdlgPath());
  EXPECT_EQ(212, std::count(written.begin(), written.end(), '\n'));  // header, 210 keys, end

  // Ten-section file read by the six-section variant: its 36 keys, then stop.
  grpdlg.Defaults();
  EXPECT_EQ(1, grpdlg.Read());
  EXPECT_STREQ(L"Last", grpdlg.names[35]);
  EXPECT_STREQ(L"Member2-3", grpdlg.names[grpdlg.MemberSlot(2, 3)]);
}

TEST_F(GroupTest, NameReaderTable) {
  struct Row {
    const char* what;
    std::string body;
    const wchar_t* section1;
    const wchar_t* member11;
  } rows[] = {
      {"tab separator", "GD_G0001\tFirst\r\n", L"First", L"Member1-1"},
      {"empty name", "GD_G0001 \r\n", L"", L"Member1-1"},
      {"no final line end", "GD_M0101 x\r\nGD_G0001 Tail", L"Tail", L"x"},
      {"nothing after the key", "GD_G0001\r\n", L"", L"Member1-1"},
      {"repeated key", "GD_G0001 One\r\nGD_G0001 Two\r\n", L"One", L"Member1-1"},
      {"25 characters", "GD_G0001 ABCDEFGHIJKLMNOPQRSTUVWXY\r\n", L"ABCDEFGHIJKLMNOPQRST", L"Member1-1"},
      {"any order, comments between", "; note\r\nGD_M0101 m\r\nxx\r\nGD_G0001 s\r\n", L"s", L"m"},
      {"after the end", "#end_of_data\r\nGD_G0001 late\r\n", L"Section1", L"Member1-1"},
      {"LF only", "GD_G0001 lf\nGD_M0101 two\n", L"lf", L"two"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    grpdlg.Defaults();
    WriteBytes(GrpdlgPath(), "GD_G0001 header-is-never-read\r\n" + row.body);
    EXPECT_EQ(0, grpdlg.Read());
    EXPECT_STREQ(row.section1, grpdlg.names[0]);
    EXPECT_STREQ(row.member11, grpdlg.names[1]);
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(GroupTest, NamesRoundTripInTheCodePage) {
  lang.codePage = 932;
  grpdlg.Defaults();
  wcscpy(grpdlg.names[0], L"\u7E54\u5E03\u5DE5\u5834");
  ASSERT_EQ(1, grpdlg.Write(nullptr));
  grpdlg.Defaults();
  EXPECT_EQ(1, grpdlg.Read());
  EXPECT_STREQ(L"\u7E54\u5E03\u5DE5\u5834", grpdlg.names[0]);
}

}  // namespace
