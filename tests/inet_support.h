// The HTTP client's test fixture: a settings folder, an owner window, the
// caller's ticks, the pending lines and the simulator's records.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_inet2.h"
#include "std/std_inetdlg.h"
#include "std/std_profile.h"
#include "std/std_semlog.h"
#include "tests/support.h"

namespace inettest {

inline const wchar_t kUploadUrl[] = L"/cgi-bin/ext_mp.cgi";
inline const wchar_t kNameUrl[] = L"/cgi-bin/ext.cgi?func=tms_set_mac_name&data=L-01";
inline const wchar_t kHostUrl[] = L"imavo/Setting/GetLayoutFromHost.cgi";
inline const wchar_t kUploadHeader[] =
    L"Content-Type: multipart/form-data; boundary=---------------------------host2axv";
struct LogLine {
  int colour;
  std::wstring text;  // "%d %s" of code and message
};

inline std::vector<LogLine> DrainLines() {
  static wchar_t buffer[kPendingSlots][kPendingChars];
  std::vector<LogLine> lines;
  EXPECT_EQ(1, semlog.Drain(nullptr, &buffer[0][0]));
  for (auto& slot : buffer) {
    if (!slot[0]) continue;
    std::wstring s = slot;
    size_t colourEnd = s.find(L' ');
    size_t stampEnd = s.find(L' ', colourEnd + 1);
    if (!s.empty() && s.back() == L'\n') s.pop_back();
    lines.push_back({_wtoi(s.substr(0, colourEnd).c_str()), s.substr(stampEnd + 1)});
  }
  return lines;
}

inline std::wstring Show(const std::vector<LogLine>& lines) {
  std::wstring all;
  for (const auto& l : lines) all += std::to_wstring(l.colour) + L" " + l.text + L"\n";
  return all;
}

// One expected line: its colour and its text, whole or (with a trailing *)
// as a prefix.
struct Expect {
  int colour;
  std::wstring text;
};

inline void ExpectLines(const std::vector<LogLine>& got, const std::vector<Expect>& want) {
  ASSERT_EQ(want.size(), got.size()) << Show(got);
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(want[i].colour, got[i].colour) << Show(got);
    const std::wstring& w = want[i].text;
    if (!w.empty() && w.back() == L'*')
      EXPECT_EQ(0u, got[i].text.find(w.substr(0, w.size() - 1))) << Show(got);
    else
      EXPECT_EQ(w, got[i].text) << Show(got);
  }
}

inline std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// The simulator's record lines for one station, oldest first.
inline std::vector<std::string> Records(const wchar_t* station) {
  std::string all = ReadBytes(BuildDir() + L"\\millsim\\inet.records");
  std::string key = "\"station\": \"" + Narrow(station) + "\"";
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < all.size()) {
    size_t end = all.find('\n', at);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(at, end - at);
    if (line.find(key) != std::string::npos) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

inline size_t RecordCount(const wchar_t* station) { return Records(station).size(); }

// Pumps this thread's messages for one tick of the caller's timer.
inline void Tick(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  } while (GetTickCount() - start < ms);
}

struct FindOwned {
  HWND owner;
  HWND found;
};

inline BOOL CALLBACK FindOwnedProc(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<FindOwned*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == GetCurrentProcessId() && GetWindow(w, GW_OWNER) == f->owner && IsWindowVisible(w)) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

// The credentials dialog, found among this process's windows by its owner.
inline HWND CredentialsDialog(HWND owner) {
  FindOwned f{owner, nullptr};
  EnumWindows(FindOwnedProc, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

class InetTest : public TableFixture {
 protected:
  static constexpr int kTout = 10;
  static constexpr DWORD kTickMs = 100;

  void SetUp() override {
    TableFixture::SetUp();
    SetTimeout(kTout);
    InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
    CopyText(intdlg.uname, 20, L"loom");
    CopyText(intdlg.pswd, 20, L"weave");
    intdlg.access = 1;
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner_);
    response_ = dir.File(L"ret_file");
    bodyA_ = Golden(L"iptbl_post_hr.txt");
    DrainLines();
  }

  void TearDown() override {
    // Nothing may run on into the next test.
    inet.Cancel(owner_);
    EXPECT_TRUE(WorkersEndWithin(static_cast<DWORD>(inet.Timeout()) * 400 + 3000));
    DrainLines();
    DestroyWindow(owner_);
    TableFixture::TearDown();
  }

  void SetTimeout(int tout) {
    WritePrivateProfileStringW(L"SETTING", L"TOUT1", std::to_wstring(tout).c_str(), profile.file);
    inet.LoadTimeout();
    ASSERT_EQ(tout, inet.Timeout());
  }

  static bool WorkersEndWithin(DWORD ms) {
    return PumpUntil([] { return CInet::LiveWorkers() == 0; }, ms);
  }

  int Start(const wchar_t* server, const wchar_t* verb, const wchar_t* object, const char* body,
            const wchar_t* header) {
    return inet.Start(owner_, server, verb, object, body, response_.c_str(), header);
  }

  // Wait1, then Wait2, one call per tick; the number of ticks used.
  int Waits(DWORD tickMs = kTickMs, DWORD secondTickMs = kTickMs) {
    int ticks = 0;
    do {
      Tick(tickMs);
      ++ticks;
    } while (!inet.Wait1(owner_));
    do {
      Tick(secondTickMs);
      ++ticks;
    } while (!inet.Wait2(owner_));
    return ticks;
  }

  int Request(const wchar_t* server, const wchar_t* verb, const wchar_t* object, const char* body,
              const wchar_t* header) {
    EXPECT_EQ(1, Start(server, verb, object, body, header));
    Waits();
    return inet.Result(owner_);
  }

  std::optional<std::string> ResponseBytes() {
    if (!FileExists(response_)) return std::nullopt;
    return ReadBytes(response_);
  }

  HWND owner_ = nullptr;
  std::wstring response_;
  std::string bodyA_;  // the upload body a loom of the AXV600 family takes
};

inline const std::string kOk = "OK\r\n";
inline const std::string kNg = "NG\r\n";

}  // namespace inettest
