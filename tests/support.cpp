#include "tests/support.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "std/std.h"
#include "std/std_date.h"
#include "std/std_elog.h"
#include "std/std_inetdlg.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"

namespace {
std::mutex g_boxLock;
int g_answer = IDOK;
std::function<void(const RecordedBox&)> g_onBox;

int RecordBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style) {
  RecordedBox box{owner, text ? text : L"", caption ? caption : L"", style};
  std::function<void(const RecordedBox&)> hook;
  {
    std::lock_guard<std::mutex> hold(g_boxLock);
    BoxRecorder::Boxes().push_back(box);
    hook = g_onBox;
  }
  if (hook) hook(box);
  return g_answer;
}

SYSTEMTIME g_fixed;
void FixedTime(SYSTEMTIME* now) { *now = g_fixed; }
}  // namespace

void BoxRecorder::Install() { SetMessageBoxFn(RecordBox); }
std::vector<RecordedBox>& BoxRecorder::Boxes() {
  static std::vector<RecordedBox> boxes;
  return boxes;
}
void BoxRecorder::SetAnswer(int answer) { g_answer = answer; }
void BoxRecorder::OnBox(std::function<void(const RecordedBox&)> fn) { g_onBox = std::move(fn); }

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  wchar_t name[MAX_PATH];
  _snwprintf(name, MAX_PATH - 1, L"%smp_%lu_%d", temp, GetCurrentProcessId(), counter++);
  name[MAX_PATH - 1] = 0;
  path_ = name;
  // Strip a trailing separator doubling; keep backslashes as the system gives.
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() {
  std::wstring from = path_;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  SHFileOperationW(&op);
}

void SettingsFixture::SetUp() {
  BoxRecorder::Clear();
  BoxRecorder::SetAnswer(IDOK);
  BoxRecorder::OnBox(nullptr);
  profile.SetDir(dir.path().c_str());
  profile.SetFile(L"MILLPLAN");
  ASSERT_EQ(1, elog.Open());
}

void SettingsFixture::TearDown() {
  elog.Close();
  BoxRecorder::OnBox(nullptr);
  UseSystemTime();
}

void TableFixture::SetUp() {
  SettingsFixture::SetUp();
  ASSERT_TRUE(PlaceLanguageFiles(dir.path()));
  WritePrivateProfileStringW(L"SETTING", L"LANG", L"15", profile.file);
  ASSERT_EQ(1, lang.Load([] { return 15; }, [](int) { return 1252; }));
  BoxRecorder::Clear();
  intdlg.iMAVO = 0;
  ResetLayout();
  types.Defaults();
  hosts.Defaults();
}

void TableFixture::TearDown() {
  lang.codePage = 1252;
  SettingsFixture::TearDown();
}

std::vector<std::wstring> TableFixture::Messages() {
  std::vector<std::wstring> out;
  for (const RecordedBox& b : BoxRecorder::Boxes()) {
    size_t at = b.text.find(L"\r\n");
    out.push_back(at == std::wstring::npos ? b.text : b.text.substr(at + 2));
  }
  return out;
}

namespace {
std::function<void(HWND)> g_whileRunning;
bool* g_acted = nullptr;

void CALLBACK ActThenClose(HWND, UINT, UINT_PTR id, DWORD) {
  HWND frame = MainWindow();
  if (!frame || !IsWindowVisible(frame) || *g_acted) return;
  *g_acted = true;
  KillTimer(nullptr, id);
  if (g_whileRunning) g_whileRunning(frame);
  if (IsWindow(frame)) PostMessageW(frame, WM_CLOSE, 0, 0);
}
}  // namespace

void ProgramFixture::SetUp() {
  SettingsFixture::SetUp();
  ASSERT_TRUE(PlaceLanguageFiles(dir.path()));
  BoxRecorder::SetAnswer(IDYES);
  // The factory copy of a close goes to the scratch folder too.
  Put(L"LOUT_ITBL_CP", (dir.path() + L"\\factdata\\lout_itbl.txt").c_str());
}

int ProgramFixture::Run(std::function<void(HWND)> whileRunning, const std::wstring& settingsDir) {
  g_whileRunning = std::move(whileRunning);
  acted = false;
  g_acted = &acted;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, ActThenClose);
  int result = ProgramMain(GetModuleHandleW(nullptr), SW_SHOWNORMAL,
                           settingsDir.empty() ? dir.path().c_str() : settingsDir.c_str());
  KillTimer(nullptr, timer);
  g_whileRunning = nullptr;
  return result;
}

void ProgramFixture::Put(const wchar_t* key, const wchar_t* value) {
  WritePrivateProfileStringW(L"SETTING", key, value, Ini().c_str());
}

void ProgramFixture::ExpectOnlyTheCloseQuestion() {
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(std::wstring(lang.Text(S_CLOSE_CONFIRM)), BoxRecorder::Boxes()[0].text);
}

void UseFixedTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  g_fixed = SYSTEMTIME{year, month, 0, day, hour, minute, second, 0};
  SetTimeSource(FixedTime);
  date.Tick();
}

void UseSystemTime() {
  SetTimeSource(nullptr);
  date.Tick();
}

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

std::string ReadBytes(const std::wstring& path) {
  std::string out;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  CloseHandle(h);
  return out;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
  return ok && n == bytes.size();
}

std::wstring Utf16(const std::string& bytes) {
  std::wstring out(bytes.size() / 2, L'\0');
  memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t buf[1024];
  GetPrivateProfileStringW(section, key, L"<absent>", buf, 1024, file.c_str());
  return buf;
}

std::wstring BuildDir() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path = path.substr(0, path.find_last_of(L"\\/"));  // build/tests
  return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring ShippedLangDir() { return BuildDir() + L"\\lang"; }

std::string Golden(const wchar_t* name) { return ReadBytes(BuildDir() + L"\\testdata\\" + name); }

bool PlaceLanguageFiles(const std::wstring& dir) {
  static const wchar_t* const kFiles[] = {L"strings_eng.txt", L"strings_chi.txt", L"strings_jpn.txt",
                                          L"strings_kor.txt", L"strings_prt.txt", L"strings_spa.txt",
                                          L"strings_twn.txt", L"strings_tur.txt"};
  bool ok = true;
  for (const wchar_t* name : kFiles) {
    std::wstring from = ShippedLangDir() + L"\\" + name, to = dir + L"\\" + name;
    ok = CopyFileW(from.c_str(), to.c_str(), FALSE) && ok;
  }
  return ok;
}

int main(int argc, char** argv) {
  // Before the first test: a real box would block the run until the time-out.
  BoxRecorder::Install();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
