// Shared test fixtures: recorded message boxes, scratch directories, a
// fixed clock and bounded pumping of the test thread's messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct RecordedBox {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT style;
};

// Every message box of the program lands here instead of on screen.
class BoxRecorder {
 public:
  static void Install();
  static std::vector<RecordedBox>& Boxes();
  static void Clear() { Boxes().clear(); }
  // Answer given to the next boxes (IDOK by default).
  static void SetAnswer(int answer);
  // Called while a box "shows", e.g. to look at files at that moment.
  static void OnBox(std::function<void(const RecordedBox&)> fn);
};

// A fresh directory under the Wine prefix's temp folder, removed at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"/" + name; }

 private:
  std::wstring path_;
};

// Points the settings directory and the settings file at a scratch folder
// and opens its error log.
class SettingsFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  ScratchDir dir;
};

// The build folder (the test programs lie in its tests folder).
std::wstring BuildDir();
// The shipped language files (copied beside the build) into a directory.
std::wstring ShippedLangDir();
bool PlaceLanguageFiles(const std::wstring& dir);
// A golden file of tests/data, byte for byte.
std::string Golden(const wchar_t* name);

// A settings folder with the English texts loaded (code page 1252) and the
// layout, type and host tables at their defaults.
class TableFixture : public SettingsFixture {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Message texts of the recorded boxes, without their source position.
  static std::vector<std::wstring> Messages();
};

// The whole program run in-process on a scratch settings folder with the
// language files; the close question is answered Yes.
class ProgramFixture : public SettingsFixture {
 protected:
  void SetUp() override;
  // Runs the program; whileRunning sees the main window once, then the
  // window is asked to close. The program's exit code.
  int Run(std::function<void(HWND)> whileRunning, const std::wstring& settingsDir = L"");
  std::wstring Ini() { return dir.File(L"MILLPLAN.ini"); }
  void Put(const wchar_t* key, const wchar_t* value);
  // Only the close question was asked.
  void ExpectOnlyTheCloseQuestion();
  bool acted = false;  // whileRunning was called
};

// A fixed local time for the clock; Restore puts the system clock back.
void UseFixedTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second);
void UseSystemTime();

// Pumps the thread's messages until pred holds or the time is up.
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);

std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
std::wstring Utf16(const std::string& utf16leBytes);
bool FileExists(const std::wstring& path);
std::wstring IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key);
