// The start-up and shutdown sequences, run in-process on a scratch settings
// directory with the real frame window and message loop.
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_elog.h"
#include "std/std_inetdlg.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_grpdlgL.h"
#include "std2/std2_grpsetL.h"
#include "std2/std2_locale.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "tests/support.h"

namespace {

using StartUpTest = ProgramFixture;

TEST_F(StartUpTest, EmptySettingsGiveDefaultsAndACentredFrame) {
  RECT rect = {};
  wchar_t cls[64] = L"", caption[64] = L"";
  int comlog = -1, opt = -1, lucky = -1;
  EXPECT_EQ(0, Run([&](HWND frame) {
    GetWindowRect(frame, &rect);
    GetClassNameW(frame, cls, 64);
    GetWindowTextW(frame, caption, 64);
    comlog = COMLOG_MODE;
    opt = OPT_DETAIL;
    lucky = LUCKY_1;
    EXPECT_NE(0, GetClassLongPtrW(frame, GCLP_HICON));
    EXPECT_NE(0, GetClassLongPtrW(frame, GCLP_HICONSM));
  }));
  EXPECT_TRUE(acted);
  EXPECT_STREQ(L"MILLPLAN", cls);
  EXPECT_STREQ(L"MILLPLAN227", caption);
  EXPECT_EQ(1024, rect.right - rect.left);
  EXPECT_EQ(768, rect.bottom - rect.top);
  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 1024) / 2, rect.left);
  EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 768) / 2, rect.top);
  EXPECT_EQ(0, comlog + opt + lucky);
  // Every confirmed close writes the switches, even when they were absent.
  EXPECT_EQ(L"0", IniValue(Ini(), L"SETTING", L"COMLOG_MODE"));
  EXPECT_EQ(L"0", IniValue(Ini(), L"SETTING", L"OPT_DETAIL"));
  EXPECT_EQ(L"0", IniValue(Ini(), L"SETTING", L"LUCKY_1"));
  // The language the locale suggests is stored for the next start.
  EXPECT_EQ(std::to_wstring(locale.DefaultLang()), IniValue(Ini(), L"SETTING", L"LANG"));
  ExpectOnlyTheCloseQuestion();
  EXPECT_EQ(nullptr, MainWindow());
  EXPECT_FALSE(FileExists(dir.File(L"dlg.ini")));  // no dialog was opened
}

TEST_F(StartUpTest, SettingsFileGivesSwitchesAndHostValues) {
  for (int mavo : {0, 1}) {
    SCOPED_TRACE(mavo);
    // Host defaults show only without a stored layout.
    DeleteFileW(dir.File(L"lout_itbl.txt").c_str());
    Put(L"COMLOG_MODE", L"1");
    Put(L"OPT_DETAIL", L"2");
    Put(L"LUCKY_1", L"3");
    Put(L"iMAVO", mavo ? L"1" : L"0");
    Put(L"HOSTIP", L"10.1.2.3");
    Put(L"UNAME", L"operator-with-a-long-name");  // 25 characters: cut to 19
    Put(L"PSWD", L"secret");
    Put(L"ACCESS", L"0");
    EXPECT_EQ(0, Run(nullptr));
    EXPECT_EQ(1, COMLOG_MODE);
    EXPECT_EQ(2, OPT_DETAIL);
    EXPECT_EQ(3, LUCKY_1);
    EXPECT_STREQ(L"10.1.2.3", intdlg.hostIp);
    EXPECT_STREQ(L"operator-with-a-lon", intdlg.uname);
    EXPECT_STREQ(L"secret", intdlg.pswd);
    EXPECT_EQ(0, intdlg.access);
    EXPECT_EQ(mavo, intdlg.iMAVO);
    EXPECT_EQ(mavo, hosts.HostServiceTable[kHostRowMavo].enabled);
    EXPECT_STREQ(mavo ? L"172.017.000.201" : L"172.017.001.240", hosts.HostServiceTable[0].ip);
    EXPECT_STREQ(L"DOCUMENT", types.TypeNames[4]);
    EXPECT_EQ(L"1", IniValue(Ini(), L"SETTING", L"COMLOG_MODE"));
    EXPECT_EQ(L"2", IniValue(Ini(), L"SETTING", L"OPT_DETAIL"));
    EXPECT_EQ(L"3", IniValue(Ini(), L"SETTING", L"LUCKY_1"));
  }
}

TEST_F(StartUpTest, HostDefaultsWhenTheKeysAreAbsent) {
  EXPECT_EQ(0, Run(nullptr));
  EXPECT_STREQ(L"172.17.0.210", intdlg.hostIp);
  EXPECT_STREQ(L"", intdlg.uname);
  EXPECT_STREQ(L"", intdlg.pswd);
  EXPECT_EQ(1, intdlg.access);
  EXPECT_EQ(0, intdlg.iMAVO);
}

TEST_F(StartUpTest, LayoutIsEmptyAfterStart) {
  wcscpy(layout[10].name, L"OLD");
  EXPECT_EQ(0, Run(nullptr));
  EXPECT_FALSE(IsOccupied(layout[10]));
  EXPECT_EQ(-1, layout[10].group[0]);
}

TEST_F(StartUpTest, CloseStoresThePlacementButNotWhenMinimised) {
  EXPECT_EQ(0, Run([](HWND frame) { MoveWindow(frame, 40, 30, 700, 500, TRUE); }));
  WINDOWPLACEMENT stored = {};
  ASSERT_EQ(1, profile.ReadStruct(L"WINDOW", L"PLACEMENT", &stored, 44, nullptr));
  EXPECT_EQ(44u, stored.length);
  EXPECT_EQ(700, stored.rcNormalPosition.right - stored.rcNormalPosition.left);
  EXPECT_EQ(500, stored.rcNormalPosition.bottom - stored.rcNormalPosition.top);
  std::wstring before = IniValue(Ini(), L"WINDOW", L"PLACEMENT");

  EXPECT_EQ(0, Run([](HWND frame) {
    MoveWindow(frame, 10, 10, 300, 200, TRUE);
    ShowWindow(frame, SW_MINIMIZE);
  }));
  EXPECT_EQ(before, IniValue(Ini(), L"WINDOW", L"PLACEMENT"));
}

TEST_F(StartUpTest, MissingSettingsDirectoryEndsWithTheLogMessage) {
  std::wstring missing = dir.path() + L"\\absent";
  EXPECT_EQ(0, Run(nullptr, missing));
  EXPECT_FALSE(acted);
  ASSERT_FALSE(BoxRecorder::Boxes().empty());
  const RecordedBox& last = BoxRecorder::Boxes().back();
  EXPECT_EQ(L"Can't Open elog file.", last.text);
  EXPECT_EQ(L"ERROR", last.caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONQUESTION), last.style);
  EXPECT_EQ(nullptr, last.owner);
  EXPECT_FALSE(FileExists(missing));
}

TEST_F(StartUpTest, ASecondCopyWhileRunningEndsAtOnce) {
  int second = -1;
  EXPECT_EQ(0, Run([&](HWND) {
    second = ProgramMain(GetModuleHandleW(nullptr), SW_SHOWNORMAL, dir.path().c_str());
  }));
  EXPECT_EQ(0, second);
  ExpectOnlyTheCloseQuestion();
}

TEST_F(StartUpTest, MissingEnglishTextsEndTheStart) {
  DeleteFileW((dir.path() + L"\\strings_eng.txt").c_str());
  EXPECT_EQ(0, Run(nullptr));
  EXPECT_FALSE(acted);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(
                                    L"\r\n_tfopen ERROR:" + dir.path() + L"\\strings_eng.txt"));
}

// ---------------------------------------------------------------- close

TEST_F(StartUpTest, AnsweringNoKeepsTheWindowAndWritesNothing) {
  bool stillOpen = false;
  std::wstring iniAtNo;
  EXPECT_EQ(0, Run([&](HWND frame) {
    std::string before = ReadBytes(Ini());
    BoxRecorder::SetAnswer(IDNO);
    SendMessageW(frame, WM_CLOSE, 0, 0);
    stillOpen = IsWindow(frame) && MainWindow() == frame;
    EXPECT_EQ(before, ReadBytes(Ini()));
    iniAtNo = IniValue(Ini(), L"SETTING", L"COMLOG_MODE");
    BoxRecorder::SetAnswer(IDYES);
  }));
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(L"<absent>", iniAtNo);
  ASSERT_EQ(2u, BoxRecorder::Boxes().size());
  const RecordedBox& question = BoxRecorder::Boxes()[0];
  EXPECT_EQ(std::wstring(lang.Text(S_TITLE4CLOSE_CONFIRM)), question.caption);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), question.style);
  EXPECT_NE(nullptr, question.owner);
  EXPECT_EQ(L"0", IniValue(Ini(), L"SETTING", L"COMLOG_MODE"));
}

TEST_F(StartUpTest, CloseAfterALanguageChangeOnlyGivesNotice) {
  EXPECT_EQ(0, Run([](HWND frame) { SendMessageW(frame, WM_CLOSE, CLOSE_RESTART, 0); }));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const RecordedBox& notice = BoxRecorder::Boxes()[0];
  EXPECT_EQ(std::wstring(lang.Text(S_REBOOT2)), notice.text);
  EXPECT_EQ(std::wstring(lang.Text(S_CONFIRM)), notice.caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), notice.style);
  EXPECT_FALSE(notice.text.empty());
  EXPECT_EQ(L"0", IniValue(Ini(), L"SETTING", L"OPT_DETAIL"));
  EXPECT_NE(L"<absent>", IniValue(Ini(), L"WINDOW", L"PLACEMENT"));
}

TEST_F(StartUpTest, CloseQuestionSpeaksTheChosenLanguage) {
  Put(L"LANG", L"14");
  EXPECT_EQ(0, Run(nullptr));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const RecordedBox& question = BoxRecorder::Boxes()[0];
  EXPECT_EQ(932u, lang.codePage);
  auto japanese = [](const std::wstring& t) {
    for (wchar_t c : t)
      if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF)) return true;
    return false;
  };
  EXPECT_TRUE(japanese(question.text)) << question.text;
  EXPECT_TRUE(japanese(question.caption)) << question.caption;
  EXPECT_EQ(L"14", IniValue(Ini(), L"SETTING", L"LANG"));
}

// ---------------------------------------------------------------- layout

TEST_F(StartUpTest, StoredLayoutIsLoadedMigratedAndCopiedOut) {
  WriteBytes(dir.File(L"lout_itbl.txt"),
             "header\r\nLOOM 3 4 --NO_STR-- AB 0 0\r\nLOOM 1 1 001.001 GOOD 0 0\r\n"
             "LOOM 40 0 001.002 BAD 0 0\r\n#end_of_data\r\n");
  std::string duringRun;
  EXPECT_EQ(0, Run([&](HWND) { duringRun = ReadBytes(dir.File(L"lout_itbl.txt")); }));
  EXPECT_NE(std::string::npos, duringRun.find("\r\nLTB 3 4 --NO_STR-- AB 0 0\r\n"));
  EXPECT_NE(std::string::npos, duringRun.find("\r\nLOOM 1 1 001.001 GOOD 0 0\r\n"));
  ASSERT_EQ(2u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"ERROR x<0 || 39<x: LOOM 40 0"));
  EXPECT_EQ(std::wstring(lang.Text(S_CLOSE_CONFIRM)), BoxRecorder::Boxes()[1].text);
  EXPECT_EQ(ReadBytes(dir.File(L"lout_itbl.txt")), ReadBytes(dir.path() + L"\\factdata\\lout_itbl.txt"));
}

TEST_F(StartUpTest, ChangedLayoutIsPointedOutBeforeTheQuestion) {
  EXPECT_EQ(0, Run([](HWND) { wcscpy(layout[0].name, L"NEW"); }));
  ASSERT_EQ(2u, BoxRecorder::Boxes().size());
  EXPECT_EQ(std::wstring(lang.Text(S_LOOMDATACHANGED)), BoxRecorder::Boxes()[0].text);
  EXPECT_EQ(std::wstring(lang.Text(S_CLOSE_CONFIRM)), BoxRecorder::Boxes()[1].text);
}

TEST_F(StartUpTest, MarksAreClearedBeforeTheComparison) {
  EXPECT_EQ(0, Run([](HWND) { layout[0].state = 13; wcscpy(layout[0].name, L"A"); }));
  // The stored file never had this loom, so a difference is shown, but the
  // mark itself is gone before the check.
  EXPECT_EQ(3, layout[0].state);
}

TEST_F(StartUpTest, OptionLevelIsNormalised) {
  Put(L"OPT_DETAIL", L"5");
  EXPECT_EQ(0, Run(nullptr));
  EXPECT_EQ(L"0", IniValue(Ini(), L"SETTING", L"OPT_DETAIL"));
  Put(L"OPT_DETAIL", L"2");
  EXPECT_EQ(0, Run(nullptr));
  EXPECT_EQ(1, hosts.HostServiceTable[0].enabled);
  EXPECT_STREQ(L"/netfunction", hosts.HostServiceTable[kHostRowNetFunction].url);
}

TEST_F(StartUpTest, FirstSnapshotIsTakenOnceShown) {
  EXPECT_EQ(0, Run(nullptr));
  EXPECT_TRUE(FileExists(dir.File(L"loom00.und")));
  EXPECT_FALSE(FileExists(dir.File(L"loom01.und")));
}

// ---------------------------------------------------------------- groups

TEST_F(StartUpTest, FreshDirectoryGetsTheVariantsGroupFiles) {
  struct Row {
    const wchar_t* lucky;
    const wchar_t* names;
  } rows[] = {{L"0", L"grpdlg6_defaults.txt"}, {L"1", L"grpdlg10_defaults.txt"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.lucky);
    for (const wchar_t* f : {L"grpset.txt", L"grpdlg.txt", L"lout_itbl.txt"}) DeleteFileW(dir.File(f).c_str());
    Put(L"LUCKY_1", row.lucky);
    std::string groups, names;
    EXPECT_EQ(0, Run([&](HWND) {
      groups = ReadBytes(dir.File(L"grpset.txt"));
      names = ReadBytes(dir.File(L"grpdlg.txt"));
    }));
    EXPECT_EQ(Golden(L"grpset_empty.txt"), groups);
    EXPECT_EQ(Golden(row.names), names);
  }
}

TEST_F(StartUpTest, GroupFilesAreReadAndCheckedAtClose) {
  // A layout file as the program writes it, and the group file that goes with it.
  ResetLayout();
  types.Defaults();
  intdlg.iMAVO = 0;
  hosts.Defaults();
  wcscpy(Cell(1, 1).name, L"L1");
  wcscpy(Cell(1, 1).ip, L"001.001");
  ASSERT_EQ(1, loitbl.Write(nullptr, nullptr));
  WriteBytes(dir.File(L"grpset.txt"),
             "#AXV900-MCARD-DATA grpset -----------\r\n"
             "LOOM L1 2 3 -1 -1 -1 -1 -1 -1 -1 -1\r\n#end_of_data\r\n");
  WriteBytes(dir.File(L"grpdlg.txt"), "h\r\nGD_G0001 Weaving\r\n");
  std::vector<int> during;
  std::wstring section;
  EXPECT_EQ(0, Run([&](HWND) {
    during.assign(Cell(1, 1).group, Cell(1, 1).group + 3);
    section = grpdlg.names[0];
  }));
  EXPECT_EQ((std::vector<int>{2, 3, -1}), during);
  EXPECT_EQ(L"Weaving", section);
  ExpectOnlyTheCloseQuestion();

  BoxRecorder::Clear();
  EXPECT_EQ(0, Run([](HWND) { Cell(1, 1).group[0] = 4; }));
  ASSERT_EQ(2u, BoxRecorder::Boxes().size());
  EXPECT_EQ(std::wstring(lang.Text(S_LOOMDATACHANGED)) + L"(" + lang.Text(S_SECTION) + L")",
            BoxRecorder::Boxes()[0].text);
  EXPECT_EQ(std::wstring(lang.Text(S_CLOSE_CONFIRM)), BoxRecorder::Boxes()[1].text);
}

// ---------------------------------------------------------------- guard

TEST_F(StartUpTest, SecondModuleObjectIsRefusedAndOwnsNothing) {
  UseFixedTime(2019, 6, 5, 9, 5, 3);
  {
    CInetDlg second;
    ASSERT_EQ(1u, BoxRecorder::Boxes().size());
    const std::wstring& text = BoxRecorder::Boxes()[0].text;
    EXPECT_NE(std::wstring::npos,
              text.find(L"\r\nDon't CREATE this class by yourself. Use 'intdlg.' which defined in stdafx."))
        << text;
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), BoxRecorder::Boxes()[0].style);
    // Mode 1: a box only, nothing logged.
    EXPECT_EQ("", ReadBytes(dir.File(L"elog.txt")));
  }
  {
    CElog secondLog;
    EXPECT_EQ(0, secondLog.Write(L"ignored"));
    EXPECT_EQ(0, secondLog.Open());
  }
  // The refused log released nothing: the real one still writes.
  Report(nullptr, 2, L"%s", L"after");
  EXPECT_EQ(L"2019/06/05 09:05'03---------------------\r\nafter\r\n",
            Utf16(ReadBytes(dir.File(L"elog.txt"))));
}

}  // namespace
