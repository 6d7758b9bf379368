// The server address lists: the ranges written, the copies made, and what a
// failure at each place leaves behind.
#include "std2/std2_ipadrs.h"

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "std/std_file.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"
#include "tests/support.h"

namespace {

const char kOld[] = "old list\r\n";

class IpadrsTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    PointAll();
  }

  // Every place inside the scratch folder: nothing lands under C:\.
  void PointAll() {
    Point(kFactdataIpadrsKey, L"factdata\\setting\\ipaddress.txt");
    static const wchar_t* const kDirs[kIpadrsCopies] = {
        L"mrv\\data\\ipaddress.txt", L"harn\\setting\\ipaddress.txt",
        L"weaveax\\data\\ipaddress.txt", L"weavehr\\data\\ipaddress.txt"};
    for (int i = 0; i < kIpadrsCopies; ++i) Point(kIpadrsCopyPlaces[i].key, kDirs[i]);
  }

  void Point(const wchar_t* key, const std::wstring& relative) {
    WritePrivateProfileStringW(L"SETTING", key, (dir.path() + L"\\" + relative).c_str(),
                               profile.file);
  }
  std::wstring PathOf(const wchar_t* key) {
    wchar_t buf[kTextMax + 1];
    profile.ReadString(key, L"", buf, kTextMax + 1);
    return buf;
  }
  std::wstring ListPath() { return PathOf(kFactdataIpadrsKey); }
  std::wstring CopyPath(int i) { return PathOf(kIpadrsCopyPlaces[i].key); }

  // Every place holds the old bytes (folders made as needed).
  void PlaceOldLists() {
    std::vector<std::wstring> all = {ListPath()};
    for (int i = 0; i < kIpadrsCopies; ++i) all.push_back(CopyPath(i));
    for (const std::wstring& p : all) {
      ASSERT_EQ(1, CreateDirFor(nullptr, p.c_str()));
      ASSERT_TRUE(WriteBytes(p, kOld));
    }
  }

  static void Put(int x, int y, const wchar_t* ip, const wchar_t* name, int kind) {
    LayoutCell& c = Cell(x, y);
    wcscpy(c.ip, ip);
    wcscpy(c.name, name);
    c.kind = kind;
  }

  // Runs the writer with a prefix buffer that must come back unchanged.
  int Write(const wchar_t* prefix = L"172.17") {
    wchar_t buf[kTextMax + 1];
    CopyText(buf, kTextMax + 1, prefix);
    int result = WriteAddressLists(nullptr, buf);
    EXPECT_STREQ(prefix, buf);
    return result;
  }

  void ExpectEveryPlaceHolds(const std::string& bytes) {
    EXPECT_EQ(bytes, ReadBytes(ListPath()));
    for (int i = 0; i < kIpadrsCopies; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(bytes, ReadBytes(CopyPath(i)));
    }
  }
};

TEST_F(IpadrsTest, SettingKeysAndDefaultPlaces) {
  EXPECT_STREQ(L"FACTDATA_IPADRS", kFactdataIpadrsKey);
  EXPECT_STREQ(L"C:\\Apache2\\htdocs\\factdata\\setting\\ipaddress.txt", kFactdataIpadrsDefault);
  struct Row {
    const wchar_t* key;
    const wchar_t* path;
  };
  const Row rows[kIpadrsCopies] = {
      {L"MRV_IPADRS", L"C:\\mrv\\data\\ipaddress.txt"},
      {L"HARN_IPADRS", L"C:\\Apache2\\htdocs\\harn\\setting\\ipaddress.txt"},
      {L"WEAVAX_IPADRS", L"C:\\weaveax\\data\\ipaddress.txt"},
      {L"WEAVHR_IPADRS", L"C:\\weavehr\\data\\ipaddress.txt"},
  };
  for (int i = 0; i < kIpadrsCopies; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(rows[i].key, kIpadrsCopyPlaces[i].key);
    EXPECT_STREQ(rows[i].path, kIpadrsCopyPlaces[i].defaultPath);
  }
}

TEST_F(IpadrsTest, FixtureLayoutGivesTheGoldenBytesEverywhere) {
  PlaceOldLists();
  // Cells of every kind, in no address order, one nameless but addressed,
  // one named without an address.
  Put(39, 39, L"100.102", L"L9", LOOM);
  Put(0, 0, L"002.005", L"L1", LOOM);
  Put(5, 0, L"001.004", L"L2", LOOM);
  Put(1, 1, L"001.001", L"LTB1", LTB);
  Put(2, 3, L"001.003", L"SENSOR", SENSOR);
  Put(7, 3, L"001.002", L"", LOOM);
  Put(8, 3, L"", L"NOADR", LOOM);
  Put(0, 10, L"010.007", L"L3", LOOM);
  Put(1, 10, L"002.001", L"L4", LOOM);
  Put(2, 10, L"002.000", L"L5", LOOM);
  Put(3, 10, L"001.255", L"L6", LOOM);
  Put(4, 10, L"001.010", L"L7", LOOM);
  Put(20, 30, L"100.100", L"L8", LOOM);
  Put(21, 30, L"100.101", L"L%d", LOOM);
  EXPECT_EQ(1, Write());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  std::string golden = Golden(L"ipadrs_fixture.txt");
  ASSERT_FALSE(golden.empty());
  ExpectEveryPlaceHolds(golden);
  EXPECT_FALSE(FileExists(ListPath() + L".tmp~"));
}

TEST_F(IpadrsTest, RangeCases) {
  struct Case {
    const char* name;
    const wchar_t* prefix;
    std::vector<const wchar_t*> ips;  // placed in this order, row by row
    std::string bytes;
  };
  const Case cases[] = {
      {"gap splits a run", L"172.17", {L"001.001", L"001.002", L"001.003", L"001.005"},
       "172 17 1 1 3\r\n172 17 1 5 5\r\n"},
      {"third octet changes between adjacent addresses", L"172.17", {L"001.255", L"002.000"},
       "172 17 1 255 255\r\n172 17 2 0 0\r\n"},
      {"any cell order comes out sorted", L"172.17",
       {L"003.009", L"002.007", L"001.002", L"001.001", L"003.008"},
       "172 17 1 1 2\r\n172 17 2 7 7\r\n172 17 3 8 9\r\n"},
      {"single cell", L"172.17", {L"007.009"}, "172 17 7 9 9\r\n"},
      {"no address gives an empty list", L"172.17", {}, ""},
      {"the same address twice", L"172.17", {L"001.001", L"001.001"},
       "172 17 1 1 1\r\n172 17 1 1 1\r\n"},
      {"other prefix", L"10.200", {L"000.000", L"000.001", L"255.255"},
       "10 200 0 0 1\r\n10 200 255 255 255\r\n"},
      {"unpadded entry read by the point, not by position", L"172.17", {L"1.5"},
       "172 17 1 5 5\r\n"},
      {"only the first point becomes a blank", L"1.2.3", {L"004.005"}, "1 2.3 4 5 5\r\n"},
      {"full range of fourth octets", L"172.17", {L"009.000", L"009.001", L"009.002",
                                                  L"009.254", L"009.255"},
       "172 17 9 0 2\r\n172 17 9 254 255\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetLayout();
    BoxRecorder::Clear();
    PlaceOldLists();
    // Placed backwards through the grid so collection order is not the
    // order given.
    int at = kCells - 1;
    for (const wchar_t* ip : c.ips) {
      wcscpy(layout[at].ip, ip);
      wcscpy(layout[at].name, L"L");
      at -= 41;
    }
    EXPECT_EQ(1, Write(c.prefix));
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
    ExpectEveryPlaceHolds(c.bytes);
  }
}

TEST_F(IpadrsTest, MissingFoldersAreCreated) {
  Put(0, 0, L"001.001", L"L1", LOOM);
  EXPECT_EQ(1, Write());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  ExpectEveryPlaceHolds("172 17 1 1 1\r\n");
}

// A failure while writing the list itself: the old list and every copy stay.
TEST_F(IpadrsTest, ListFailuresKeepEveryOldFile) {
  Put(0, 0, L"001.001", L"L1", LOOM);
  struct Case {
    const char* name;
    std::function<HANDLE(const std::wstring& list)> inject;  // a handle to close after
    const wchar_t* prefix;
    std::wstring message;  // exact text, or a part when partial
    bool partial;
  };
  const Case cases[] = {
      {"scratch place blocked by a folder",
       [](const std::wstring& list) {
         CreateDirectoryW((list + L".tmp~").c_str(), nullptr);
         return INVALID_HANDLE_VALUE;
       },
       L"172.17", L"Can't Open factdata/ipaddress.txt", false},
      {"target held open without delete sharing",
       [](const std::wstring& list) {
         return CreateFileW(list.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
       },
       L"172.17", L":MoveFileEx(", true},
      {"a line the code page cannot hold",
       [](const std::wstring&) { return INVALID_HANDLE_VALUE; }, L"172\x4E00.17", L"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxRecorder::Clear();
    PlaceOldLists();
    HANDLE held = c.inject(ListPath());
    EXPECT_EQ(1, Write(c.prefix));
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    RemoveDirectoryW((ListPath() + L".tmp~").c_str());
    ExpectEveryPlaceHolds(kOld);
    EXPECT_FALSE(FileExists(ListPath() + L".tmp~"));
    std::vector<std::wstring> messages = Messages();
    ASSERT_EQ(1u, messages.size());
    if (c.partial) EXPECT_NE(std::wstring::npos, messages[0].find(c.message)) << messages[0];
    else EXPECT_EQ(c.message, messages[0]);
  }
}

TEST_F(IpadrsTest, ListFolderThatIsAFileStopsBeforeAnyCopy) {
  PlaceOldLists();
  // The list's folder is a file: its folder cannot be made.
  ASSERT_TRUE(WriteBytes(dir.File(L"blocked"), "a file"));
  Point(kFactdataIpadrsKey, L"blocked\\setting\\ipaddress.txt");
  Put(0, 0, L"001.001", L"L1", LOOM);
  EXPECT_EQ(1, Write());
  EXPECT_EQ("a file", ReadBytes(dir.File(L"blocked")));
  for (int i = 0; i < kIpadrsCopies; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kOld, ReadBytes(CopyPath(i)));
  }
  std::vector<std::wstring> messages = Messages();
  ASSERT_EQ(1u, messages.size());
  EXPECT_NE(std::wstring::npos, messages[0].find(L":CreateDirectory()")) << messages[0];
}

// A failed copy is reported by its place and leaves every later place as
// it was; the places before it hold the new list.
TEST_F(IpadrsTest, FailedCopyStopsTheRest) {
  static const wchar_t* const kTexts[kIpadrsCopies] = {
      L"Can't Open mrv/ipaddress.txt", L"Can't Open harn/ipaddress.txt",
      L"Can't Open weaveax/ipaddress.txt", L"Can't Open weavehr/ipaddress.txt"};
  const std::string fresh = "172 17 3 4 4\r\n";
  for (int failing = 0; failing < kIpadrsCopies; ++failing) {
    for (int way = 0; way < 2; ++way) {
      static const char* const kWays[] = {" target held open", " folder is a file"};
      SCOPED_TRACE(testing::Message() << "place " << failing << kWays[way]);
      ResetLayout();
      Put(0, 0, L"003.004", L"L1", LOOM);
      PointAll();
      PlaceOldLists();
      BoxRecorder::Clear();
      std::wstring target = CopyPath(failing);
      HANDLE held = INVALID_HANDLE_VALUE;
      std::wstring blocker = target.substr(0, target.find_last_of(L'\\')) + L"\\blocker";
      if (way == 0) {
        held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
      } else {
        ASSERT_TRUE(WriteBytes(blocker, "a file"));
        WritePrivateProfileStringW(L"SETTING", kIpadrsCopyPlaces[failing].key,
                                   (blocker + L"\\ipaddress.txt").c_str(), profile.file);
      }
      EXPECT_EQ(1, Write(L"172.17"));
      if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

      EXPECT_EQ(fresh, ReadBytes(ListPath()));
      for (int i = 0; i < kIpadrsCopies; ++i) {
        SCOPED_TRACE(i);
        if (i == failing && way == 1) EXPECT_EQ("a file", ReadBytes(blocker));
        else EXPECT_EQ(i < failing ? fresh : std::string(kOld), ReadBytes(CopyPath(i)));
      }
      EXPECT_FALSE(FileExists(target + L".tmp~"));
      const std::vector<RecordedBox>& boxes = BoxRecorder::Boxes();
      ASSERT_EQ(1u, boxes.size());
      if (way == 0) {
        // Reported at this module's source position, the copy itself silent.
        EXPECT_NE(std::wstring::npos, boxes[0].text.find(L"std2_ipadrs.cpp:")) << boxes[0].text;
        EXPECT_EQ(kTexts[failing], Messages()[0]);
      } else {
        EXPECT_NE(std::wstring::npos, Messages()[0].find(L":CreateDirectory()")) << Messages()[0];
      }
      if (way == 1) DeleteFileW(blocker.c_str());
    }
  }
}

// Disabled until the shared shell copy refuses a scratch place taken by a
// folder: today it copies into that folder and moves the folder over the
// target, so the copy counts as done and the target is lost.
TEST_F(IpadrsTest, CopyScratchPlaceBlockedByAFolder) {
  Put(0, 0, L"003.004", L"L1", LOOM);
  PlaceOldLists();
  const std::wstring scratch = CopyPath(0) + L".tmp~";
  ASSERT_TRUE(CreateDirectoryW(scratch.c_str(), nullptr));
  EXPECT_EQ(1, Write());
  EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(scratch.c_str()));
  EXPECT_EQ("172 17 3 4 4\r\n", ReadBytes(ListPath()));
  for (int i = 0; i < kIpadrsCopies; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kOld, ReadBytes(CopyPath(i)));
  }
  ASSERT_EQ(1u, Messages().size());
  EXPECT_EQ(L"Can't Open mrv/ipaddress.txt", Messages()[0]);
}

}  // namespace
