// Report modes, the error log's entries and rotation, system error texts
// and the clock's formats.
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>

#include "std/std.h"
#include "std/std_date.h"
#include "std/std_elog.h"
#include "std/std_profile.h"
#include "tests/support.h"

namespace {

class ReportTest : public SettingsFixture {
 protected:
  std::wstring Log() { return Utf16(ReadBytes(dir.File(L"elog.txt"))); }
  static std::wstring Entry(const std::wstring& text) {
    return L"2019/06/05 09:05'03---------------------\r\n" + text + L"\r\n";
  }
  void SetUp() override {
    SettingsFixture::SetUp();
    UseFixedTime(2019, 6, 5, 9, 5, 3);
  }
};

TEST_F(ReportTest, ModesChooseBoxLogAndDebugger) {
  struct Row {
    int mode;
    bool box, log;
  } rows[] = {{0, true, true}, {1, true, false}, {2, false, true},
              {3, false, false}, {4, false, false}, {7, true, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    BoxRecorder::Clear();
    std::wstring before = Log();
    Report(nullptr, row.mode, L"%s:%d\r\n%s", L"x.cpp", 7, L"message");
    std::wstring added = Log().substr(before.size());
    EXPECT_EQ(row.log ? Entry(L"x.cpp:7\r\nmessage") : L"", added);
    ASSERT_EQ(row.box ? 1u : 0u, BoxRecorder::Boxes().size());
    if (row.box) {
      const RecordedBox& box = BoxRecorder::Boxes()[0];
      EXPECT_EQ(L"x.cpp:7\r\nmessage", box.text);
      EXPECT_EQ(std::wstring(GetCommandLineW()), box.caption);
      EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), box.style);
    }
  }
}

TEST_F(ReportTest, ModeZeroLogsBeforeTheBoxShows) {
  std::wstring logAtBox;
  BoxRecorder::OnBox([&](const RecordedBox&) { logAtBox = Log(); });
  Report(nullptr, 0, L"%s", L"first");
  EXPECT_EQ(Entry(L"first"), logAtBox);
}

TEST_F(ReportTest, EntryIsUtf16WithoutByteOrderMark) {
  Report(nullptr, 2, L"%s:%d\r\n%s", L"std/std_x.cpp", 12, L"Caf\u00e9 \u65e5\u672c");
  std::string bytes = ReadBytes(dir.File(L"elog.txt"));
  std::wstring expect = Entry(L"std/std_x.cpp:12\r\nCaf\u00e9 \u65e5\u672c");
  ASSERT_EQ(expect.size() * 2, bytes.size());
  EXPECT_EQ(0, memcmp(bytes.data(), expect.data(), bytes.size()));
  EXPECT_NE('\xFF', bytes[0]);
}

TEST_F(ReportTest, LongTextIsCutAt260InBoxAndLog) {
  std::wstring longText(400, L'a');
  for (size_t i = 0; i < longText.size(); ++i) longText[i] = L'a' + i % 26;
  Report(nullptr, 0, L"%s", longText.c_str());
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(longText.substr(0, 260), BoxRecorder::Boxes()[0].text);
  EXPECT_EQ(Entry(longText.substr(0, 260)), Log());
}

TEST_F(ReportTest, PercentSignsInArgumentsStayVerbatim) {
  Report(nullptr, 0, L"%s:%d\r\n%s", L"a.cpp", 1, L"100% %s %d %n done");
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(L"a.cpp:1\r\n100% %s %d %n done", BoxRecorder::Boxes()[0].text);
  EXPECT_EQ(Entry(L"a.cpp:1\r\n100% %s %d %n done"), Log());
}

TEST_F(ReportTest, SourcePositionIsRelativeToTheTree) {
  Report(nullptr, 2, L"%s:%d\r\n%s", HERE, L"x");
  std::wstring log = Log();
  EXPECT_NE(std::wstring::npos, log.find(L"\r\ntests/test_report.cpp:")) << log;
}

TEST_F(ReportTest, SilentModeOfCallersReportsNothing) {
  ReportFor(nullptr, kSilent, L"%s", L"quiet");
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  EXPECT_EQ(L"", Log());
  ReportFor(nullptr, 0, L"%s", L"loud");
  EXPECT_EQ(1u, BoxRecorder::Boxes().size());
}

TEST_F(ReportTest, ClosedLogDropsEntriesButStillShowsBoxes) {
  elog.Close();
  Report(nullptr, 0, L"%s", L"lost");
  EXPECT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(L"", Log());
}

TEST_F(ReportTest, ClockStampsFollowTheTimeSource) {
  UseFixedTime(2024, 12, 31, 23, 59, 7);
  Report(nullptr, 2, L"%s", L"t");
  EXPECT_EQ(L"2024/12/31 23:59'07---------------------\r\nt\r\n", Log());
}

// ---------------------------------------------------------------- rotation

class RotationTest : public ReportTest {
 protected:
  void MakeLog(size_t bytes) {
    elog.Close();
    ASSERT_TRUE(WriteBytes(dir.File(L"elog.txt"), std::string(bytes, 'z')));
  }
};

TEST_F(RotationTest, LogAtTheLimitIsAppendedTo) {
  MakeLog(2000000);
  ASSERT_EQ(1, elog.Open());
  Report(nullptr, 2, L"%s", L"x");
  EXPECT_EQ(2000000 + Entry(L"x").size() * 2, ReadBytes(dir.File(L"elog.txt")).size());
  EXPECT_FALSE(FileExists(dir.File(L"elog.bkp")));
}

TEST_F(RotationTest, LogPastTheLimitMovesToBackupAtOpening) {
  MakeLog(2000001);
  WriteBytes(dir.File(L"elog.bkp"), "older backup");
  ASSERT_EQ(1, elog.Open());
  EXPECT_EQ(std::string(2000001, 'z'), ReadBytes(dir.File(L"elog.bkp")));
  Report(nullptr, 2, L"%s", L"fresh");
  EXPECT_EQ(Entry(L"fresh"), Log());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(RotationTest, EleventhEntryReopensAndRotates) {
  // Just under the limit at opening; ten entries take it past the limit,
  // which only the reopening at the eleventh entry notices.
  MakeLog(1999990);
  ASSERT_EQ(1, elog.Open());
  for (int i = 0; i < 10; ++i) Report(nullptr, 2, L"%d", i);
  EXPECT_FALSE(FileExists(dir.File(L"elog.bkp")));
  size_t grown = ReadBytes(dir.File(L"elog.txt")).size();
  EXPECT_EQ(1999990 + 10 * Entry(L"0").size() * 2, grown);
  Report(nullptr, 2, L"%s", L"eleventh");
  EXPECT_EQ(grown, ReadBytes(dir.File(L"elog.bkp")).size());
  EXPECT_EQ(Entry(L"eleventh"), Log());
}

TEST_F(RotationTest, UndeletableLogFailsOnceWithoutHanging) {
  MakeLog(2000001);
  // Held open without delete sharing: the copy works, the delete cannot.
  HANDLE held = CreateFileW(dir.File(L"elog.txt").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(0, elog.Open());
  CloseHandle(held);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"\r\nLog Backup ERROR"));
  EXPECT_EQ(2000001u, ReadBytes(dir.File(L"elog.txt")).size());
}

TEST_F(RotationTest, MissingDirectoryFailsToCreateTheLog) {
  elog.Close();
  profile.SetDir((dir.path() + L"/missing").c_str());
  EXPECT_EQ(0, elog.Open());
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"\r\n_tfopen ERROR"));
  EXPECT_FALSE(FileExists(dir.path() + L"/missing"));
}

// ---------------------------------------------------------------- errors

// The system's English text for a code, as one line.
std::wstring SystemText(DWORD code) {
  wchar_t buf[512] = L"";
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 1033,
                 buf, 511, nullptr);
  std::wstring text = buf;
  return text.substr(0, text.find(L"\r\n"));
}

TEST(SysErrorTextTest, NamesTheCallAndTheCode) {
  SetLastError(0);
  EXPECT_EQ(L":X(0)", std::wstring(SysErrorText(L":X")));
  SetLastError(ERROR_FILE_NOT_FOUND);
  std::wstring text = SysErrorText(L":X");
  ASSERT_FALSE(SystemText(2).empty());
  EXPECT_EQ(SystemText(2) + L":X(2)", text);
  EXPECT_EQ(std::wstring::npos, text.find(L'\n'));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST(SysErrorTextTest, CutAt500Characters) {
  std::wstring context(600, L'c');
  SetLastError(ERROR_FILE_NOT_FOUND);
  std::wstring text = SysErrorText(context.c_str());
  EXPECT_EQ(500u, text.size());
  EXPECT_EQ(SystemText(2) + L"ccc", text.substr(0, SystemText(2).size() + 3));
}

TEST(SysErrorTextTest, EachThreadKeepsItsOwnText) {
  SetLastError(ERROR_ACCESS_DENIED);
  const wchar_t* mine = SysErrorText(L":main");
  std::wstring other;
  std::thread worker([&] {
    SetLastError(ERROR_FILE_NOT_FOUND);
    other = SysErrorText(L":worker");
  });
  worker.join();
  EXPECT_NE(std::wstring::npos, std::wstring(mine).find(L":main(5)"));
  EXPECT_NE(std::wstring::npos, other.find(L":worker(2)"));
}

// ---------------------------------------------------------------- clock

TEST(ClockTest, FormatsDateAndTime) {
  struct Row {
    SYSTEMTIME t;
    const wchar_t* date;
    const wchar_t* time;
  } rows[] = {
      {{2019, 6, 0, 5, 9, 5, 3, 0}, L"2019/06/05", L"09:05'03"},
      {{2026, 12, 0, 31, 23, 59, 59, 999}, L"2026/12/31", L"23:59'59"},
      {{1601, 1, 0, 1, 0, 0, 0, 0}, L"1601/01/01", L"00:00'00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.date);
    wchar_t d[kClockTextMin], t[kClockTextMin];
    FormatDateText(row.t, d, kClockTextMin);
    FormatTimeText(row.t, t, kClockTextMin);
    EXPECT_STREQ(row.date, d);
    EXPECT_STREQ(row.time, t);
  }
}

TEST(ClockTest, TicksOnlyWhileMessagesArePumped) {
  UseFixedTime(2020, 1, 2, 3, 4, 5);
  SYSTEMTIME later = {2020, 1, 0, 2, 3, 4, 6, 0};
  static SYSTEMTIME s_later;
  s_later = later;
  SetTimeSource([](SYSTEMTIME* now) { *now = s_later; });
  wchar_t t[kClockTextMin];
  ASSERT_EQ(1, date.GetTime(t));
  EXPECT_STREQ(L"03:04'05", t);
  EXPECT_TRUE(PumpUntil([&] {
    date.GetTime(t);
    return wcscmp(t, L"03:04'06") == 0;
  }));
  UseSystemTime();
}

}  // namespace
