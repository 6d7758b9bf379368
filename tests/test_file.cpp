// Whole-file helpers: the one-step copy, blocks, sizes, existence, the
// whole-file load and the save-as dialog.
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <cstdlib>
#include <string>

#include "std/std.h"
#include "std/std_file.h"
#include "std/std_profile.h"
#include "tests/support.h"

namespace {

class FileTest : public SettingsFixture {
 protected:
  std::wstring P(const wchar_t* name) { return dir.File(name); }
  size_t ScratchFiles() {
    size_t n = 0;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir.path() + L"\\*.tmp~").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do ++n;
    while (FindNextFileW(h, &fd));
    FindClose(h);
    return n;
  }
};

TEST_F(FileTest, CopyReplacesTheTargetWithoutAsking) {
  WriteBytes(P(L"src.txt"), "new bytes");
  WriteBytes(P(L"dst.txt"), "old bytes that were longer");
  EXPECT_EQ(1, file.ShellOp(nullptr, FO_COPY, P(L"src.txt").c_str(), P(L"dst.txt").c_str(), 0,
                            HERE, 0));
  EXPECT_EQ("new bytes", ReadBytes(P(L"dst.txt")));
  EXPECT_EQ("new bytes", ReadBytes(P(L"src.txt")));
  EXPECT_EQ(0u, ScratchFiles());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(FileTest, FailedReplaceKeepsTheOldTargetAndNoScratch) {
  WriteBytes(P(L"src.txt"), "new bytes");
  WriteBytes(P(L"dst.txt"), "old bytes");
  // A reader holding the target stops the replace.
  HANDLE held = CreateFileW(P(L"dst.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(0, file.ShellOp(nullptr, FO_COPY, P(L"src.txt").c_str(), P(L"dst.txt").c_str(), 0,
                            L"caller.cpp", 42, 0));
  CloseHandle(held);
  EXPECT_EQ("old bytes", ReadBytes(P(L"dst.txt")));
  EXPECT_EQ(0u, ScratchFiles());
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const std::wstring& text = BoxRecorder::Boxes()[0].text;
  EXPECT_EQ(0u, text.find(L"caller.cpp:42\r\n")) << text;
  EXPECT_NE(std::wstring::npos, text.find(L"SHFileOperation ERROR(")) << text;
}

TEST_F(FileTest, CopyIntoAMissingDirectoryFailsLoudlyOrSilently) {
  WriteBytes(P(L"src.txt"), "x");
  std::wstring target = P(L"nodir/dst.txt");
  EXPECT_EQ(0, file.ShellOp(nullptr, FO_COPY, P(L"src.txt").c_str(), target.c_str(), 0, HERE,
                            kSilent));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  EXPECT_EQ(0, file.ShellOp(nullptr, FO_COPY, P(L"src.txt").c_str(), target.c_str(), 0, HERE, 0));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"SHFileOperation ERROR(3)"));
  EXPECT_NE(std::wstring::npos,
            Utf16(ReadBytes(P(L"elog.txt"))).find(L"SHFileOperation ERROR(3)"));
  EXPECT_FALSE(FileExists(P(L"nodir")));
}

TEST_F(FileTest, CopyOfAMissingSourceFails) {
  EXPECT_EQ(0, file.ShellOp(nullptr, FO_COPY, P(L"none.txt").c_str(), P(L"dst.txt").c_str(), 0,
                            HERE, kSilent));
  EXPECT_FALSE(FileExists(P(L"dst.txt")));
  EXPECT_EQ(0u, ScratchFiles());
}

TEST_F(FileTest, DeleteRemovesTheFile) {
  WriteBytes(P(L"gone.txt"), "x");
  EXPECT_EQ(1, file.ShellOp(nullptr, FO_DELETE, P(L"gone.txt").c_str(), nullptr, 0, HERE, 0));
  EXPECT_FALSE(FileExists(P(L"gone.txt")));
}

TEST_F(FileTest, BinWriteOverwritesInPlaceWithoutTruncating) {
  WriteBytes(P(L"block.bin"), "AAAAAAAAAABBBBBBBBBB");
  ASSERT_EQ(1, file.BinWrite(nullptr, L"block.bin", "0123456789", 10, HERE));
  EXPECT_EQ("0123456789BBBBBBBBBB", ReadBytes(P(L"block.bin")));
  ASSERT_EQ(1, file.BinWrite(nullptr, L"fresh.bin", "abc", 3, HERE));
  EXPECT_EQ("abc", ReadBytes(P(L"fresh.bin")));
}

TEST_F(FileTest, BinWriteReportsAFileItCannotOpen) {
  HANDLE held = CreateFileW(P(L"held.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                            nullptr);
  EXPECT_EQ(0, file.BinWrite(nullptr, L"held.bin", "abc", 3, L"std2/std2_undo.cpp", 5));
  CloseHandle(held);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(L"std2/std2_undo.cpp:5\r\nCFile::BinWrite _tsopen_s ERROR", BoxRecorder::Boxes()[0].text);
}

TEST_F(FileTest, BinReadNeedsTheWholeBlock) {
  WriteBytes(P(L"short.bin"), "12345");
  char buf[10] = {};
  EXPECT_EQ(0, file.BinRead(L"short.bin", buf, 10));
  EXPECT_EQ(1, file.BinRead(L"short.bin", buf, 5));
  EXPECT_EQ(std::string("12345"), std::string(buf, 5));
  EXPECT_EQ(0, file.BinRead(L"none.bin", buf, 5));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(FileTest, BinReadPathReportsShortAndMissingFiles) {
  WriteBytes(P(L"short.bin"), "12345");
  char buf[10];
  EXPECT_EQ(0, file.BinReadPath(nullptr, P(L"short.bin").c_str(), buf, 10, L"r.cpp", 1, 0));
  EXPECT_EQ(0, file.BinReadPath(nullptr, P(L"none.bin").c_str(), buf, 10, L"r.cpp", 2, 0));
  EXPECT_EQ(0, file.BinReadPath(nullptr, P(L"none.bin").c_str(), buf, 10, L"r.cpp", 3, kSilent));
  ASSERT_EQ(2u, BoxRecorder::Boxes().size());
  EXPECT_EQ(L"r.cpp:1\r\nCFile::BinReadPath read ERROR", BoxRecorder::Boxes()[0].text);
  EXPECT_EQ(L"r.cpp:2\r\nCFile::BinReadPath _tsopen_s ERROR", BoxRecorder::Boxes()[1].text);
}

TEST_F(FileTest, GetSizeAndItsFailure) {
  WriteBytes(P(L"sized.bin"), std::string(1234, 'x'));
  DWORD size = 77;
  EXPECT_NE(0, file.GetSize(nullptr, P(L"sized.bin").c_str(), &size, HERE, 0));
  EXPECT_EQ(1234u, size);
  size = 77;
  EXPECT_EQ(0, file.GetSize(nullptr, P(L"none.bin").c_str(), &size, L"g.cpp", 4, 0));
  EXPECT_EQ(77u, size);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"CreateFile ERROR(2)"));
}

TEST_F(FileTest, ExistsSeesAFileAnotherProgramHolds) {
  WriteBytes(P(L"script.cgi"), "x");
  HANDLE held = CreateFileW(P(L"script.cgi").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ(1, file.Exists(P(L"script.cgi").c_str()));
  CloseHandle(held);
  EXPECT_EQ(0, file.Exists(P(L"none.cgi").c_str()));
}

TEST_F(FileTest, LoadWholeFileEndsInTenZeros) {
  WriteBytes(P(L"text.txt"), "line1\r\nline2");
  char* buf = static_cast<char*>(malloc(4));  // an earlier buffer is freed
  size_t size = LoadWholeFile(nullptr, &buf, P(L"text.txt").c_str(), HERE);
  ASSERT_EQ(12u, size);
  EXPECT_EQ(std::string("line1\r\nline2"), std::string(buf));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(0, buf[12 + i]);
  free(buf);
}

TEST_F(FileTest, LoadWholeFileOfMissingOrEmptyFile) {
  char* buf = nullptr;
  EXPECT_EQ(0u, LoadWholeFile(nullptr, &buf, P(L"none.txt").c_str(), L"l.cpp", 8));
  ASSERT_NE(nullptr, buf);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(0, buf[i]);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());  // one report, not a second for the read
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"CreateFile ERROR(2)"));

  BoxRecorder::Clear();
  WriteBytes(P(L"empty.txt"), "");
  EXPECT_EQ(0u, LoadWholeFile(nullptr, &buf, P(L"empty.txt").c_str(), HERE));
  EXPECT_EQ(0, buf[0]);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  free(buf);
}

TEST_F(FileTest, LoadWholeFileOfAHeldFileGivesNothing) {
  WriteBytes(P(L"held.txt"), "secret");
  HANDLE held = CreateFileW(P(L"held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  char* buf = nullptr;
  EXPECT_EQ(0u, LoadWholeFile(nullptr, &buf, P(L"held.txt").c_str(), HERE));
  CloseHandle(held);
  ASSERT_NE(nullptr, buf);
  EXPECT_EQ(0, buf[0]);
  EXPECT_EQ(1u, BoxRecorder::Boxes().size());
  free(buf);
}

// ---------------------------------------------------------------- save-as

struct DialogAction {
  std::wstring fileName;  // empty: cancel
  bool seen = false;
};
DialogAction g_action;

BOOL CALLBACK FindSaveDialog(HWND hwnd, LPARAM found) {
  wchar_t cls[16] = L"";
  GetClassNameW(hwnd, cls, 16);
  if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerSaveDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindSaveDialog, reinterpret_cast<LPARAM>(&dlg));
  if (!dlg) return;
  KillTimer(nullptr, id);
  g_action.seen = true;
  if (g_action.fileName.empty()) {
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  // The explorer dialog keeps the name in a combo box, the old one in an edit.
  if (!SetDlgItemTextW(dlg, cmb13, g_action.fileName.c_str()))
    SetDlgItemTextW(dlg, edt1, g_action.fileName.c_str());
  PostMessageW(dlg, WM_COMMAND, IDOK, 0);
}

TEST_F(FileTest, SaveDialogCancelledGivesAnEmptyPath) {
  g_action = DialogAction{};
  SetTimer(nullptr, 0, 100, AnswerSaveDialog);
  const wchar_t* chosen = file.ChooseSaveFile(nullptr, HERE);
  EXPECT_TRUE(g_action.seen);
  EXPECT_STREQ(L"", chosen);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(FileTest, SaveDialogAcceptsANewName) {
  g_action = DialogAction{};
  std::wstring target = dir.path() + L"\\saved_log.txt";
  g_action.fileName = target;
  SetTimer(nullptr, 0, 100, AnswerSaveDialog);
  const wchar_t* chosen = file.ChooseSaveFile(nullptr, HERE);
  EXPECT_TRUE(g_action.seen);
  EXPECT_EQ(0, _wcsicmp(target.c_str(), chosen)) << chosen;
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

}  // namespace
