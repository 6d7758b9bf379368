// The real program as a process: one copy at a time, the first copy brought
// back, the settings directory untouched by a second copy, and the switches
// and placement written at close.
#include <windows.h>

#include <shellapi.h>

#include <map>
#include <vector>
#include <string>

#include "tests/support.h"

namespace {

const wchar_t kSettingsDir[] = L"C:\\Apache2\\htdocs\\millplan";

std::wstring ProgramPath() { return BuildDir() + L"\\MILLPLAN.exe"; }

struct Program {
  PROCESS_INFORMATION pi = {};
  bool Start() {
    std::wstring cmd = L"\"" + ProgramPath() + L"\"";
    STARTUPINFOW si = {sizeof si};
    return CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi);
  }
  // Exit code, or -1 when it did not end in time.
  int Wait(DWORD ms) {
    if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<int>(code);
  }
  ~Program() {
    if (pi.hProcess) {
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
    }
  }
};

HWND WaitForFrame(DWORD pid) {
  HWND found = nullptr;
  PumpUntil(
      [&] {
        for (HWND w = FindWindowW(L"MILLPLAN", nullptr); w;
             w = FindWindowExW(nullptr, w, L"MILLPLAN", nullptr)) {
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner == pid && IsWindowVisible(w)) found = w;
        }
        return found != nullptr;
      },
      30000);
  return found;
}

// Names, sizes and write times of a directory's files.
std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>> Listing(const std::wstring& dir) {
  std::map<std::wstring, std::pair<ULONGLONG, ULONGLONG>> out;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    ULONGLONG size = (ULONGLONG(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    ULONGLONG time = (ULONGLONG(fd.ftLastWriteTime.dwHighDateTime) << 32) |
                     fd.ftLastWriteTime.dwLowDateTime;
    out[fd.cFileName] = {size, time};
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return out;
}

struct BoxSearch {
  DWORD pid;
  HWND box;
};

BOOL CALLBACK FindBoxOf(HWND w, LPARAM lp) {
  auto* search = reinterpret_cast<BoxSearch*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  wchar_t cls[16] = L"";
  GetClassNameW(w, cls, 16);
  if (owner == search->pid && wcscmp(cls, L"#32770") == 0) {
    search->box = w;
    return FALSE;
  }
  return TRUE;
}

// Presses a button of the next message box the process shows; its text.
std::wstring AnswerBox(DWORD pid, int button) {
  BoxSearch search = {pid, nullptr};
  PumpUntil(
      [&] {
        EnumWindows(FindBoxOf, reinterpret_cast<LPARAM>(&search));
        return search.box != nullptr && IsWindowVisible(search.box);
      },
      30000);
  if (!search.box) return L"";
  wchar_t text[300] = L"";
  GetDlgItemTextW(search.box, 0xFFFF, text, 300);
  SendMessageW(search.box, WM_COMMAND, button, 0);
  return text;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    created_ = GetFileAttributesW(kSettingsDir) == INVALID_FILE_ATTRIBUTES;
    CreateDirectoryW(L"C:\\Apache2", nullptr);
    CreateDirectoryW(L"C:\\Apache2\\htdocs", nullptr);
    CreateDirectoryW(kSettingsDir, nullptr);
    ini_ = std::wstring(kSettingsDir) + L"/MILLPLAN.ini";
    DeleteFileW(ini_.c_str());
    ASSERT_TRUE(PlaceLanguageFiles(kSettingsDir));
  }
  void TearDown() override {
    if (!created_) return;
    std::wstring from = std::wstring(L"C:\\Apache2") + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationW(&op);
  }
  bool created_ = false;
  std::wstring ini_;
};

TEST_F(ProcessTest, SecondCopyBringsTheFirstBackAndEnds) {
  Program first;
  ASSERT_TRUE(first.Start());
  HWND frame = WaitForFrame(first.pi.dwProcessId);
  ASSERT_NE(nullptr, frame);

  ShowWindow(frame, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(frame) != FALSE; }));
  auto before = Listing(kSettingsDir);
  {
    Program second;
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(0, second.Wait(30000));
  }
  EXPECT_TRUE(PumpUntil([&] { return !IsIconic(frame); }));

  ShowWindow(frame, SW_MAXIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(frame) != FALSE; }));
  {
    Program third;
    ASSERT_TRUE(third.Start());
    EXPECT_EQ(0, third.Wait(30000));
  }
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(IsZoomed(frame));
  EXPECT_TRUE(before == Listing(kSettingsDir));

  ShowWindow(frame, SW_RESTORE);
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_FALSE(AnswerBox(first.pi.dwProcessId, IDYES).empty());
  EXPECT_EQ(0, first.Wait(30000));
  EXPECT_EQ(L"0", IniValue(ini_, L"SETTING", L"COMLOG_MODE"));
  EXPECT_EQ(L"0", IniValue(ini_, L"SETTING", L"OPT_DETAIL"));
  EXPECT_EQ(L"0", IniValue(ini_, L"SETTING", L"LUCKY_1"));
  // 44 bytes and a checksum, as hexadecimal digits.
  EXPECT_EQ(90u, IniValue(ini_, L"WINDOW", L"PLACEMENT").size());
}

TEST_F(ProcessTest, MissingSettingsDirectoryShowsTheLogMessageAndEnds) {
  std::wstring aside = std::wstring(kSettingsDir) + L".aside";
  ASSERT_TRUE(MoveFileW(kSettingsDir, aside.c_str()));
  Program program;
  ASSERT_TRUE(program.Start());
  // Answer every box the program shows until it ends.
  std::vector<std::pair<std::wstring, std::wstring>> boxes;
  bool ended = PumpUntil(
      [&] {
        if (WaitForSingleObject(program.pi.hProcess, 0) == WAIT_OBJECT_0) return true;
        BoxSearch search = {program.pi.dwProcessId, nullptr};
        EnumWindows(FindBoxOf, reinterpret_cast<LPARAM>(&search));
        if (search.box && IsWindowVisible(search.box) && IsWindowEnabled(search.box)) {
          wchar_t text[300] = L"", caption[64] = L"";
          GetDlgItemTextW(search.box, 0xFFFF, text, 300);
          GetWindowTextW(search.box, caption, 64);
          boxes.emplace_back(text, caption);
          SendMessageW(search.box, WM_COMMAND, IDOK, 0);
          PumpUntil([&] { return !IsWindow(search.box); }, 5000);
        }
        return false;
      },
      60000);
  EXPECT_TRUE(ended);
  EXPECT_EQ(0, program.Wait(5000));
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(L"Can't Open elog file.", boxes.back().first);
  EXPECT_EQ(L"ERROR", boxes.back().second);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(kSettingsDir));
  MoveFileW(aside.c_str(), kSettingsDir);
}

}  // namespace
