// The HTTP client against the simulated looms and host: the requests the
// send and host dialogs make, every station mode, the credentials dialog
// and a start while another request is in flight.
#include "tests/inet_support.h"

using namespace inettest;

namespace {

// ------------------------------------------------------------ station modes

struct Row {
  const char* label;
  const wchar_t* station;
  int verb;  // 0 the table upload (body A), 1 body B, 2 the name request, 3 the host list
  int tout;
  int result;
  std::optional<std::string> response;  // the answer's bytes, or absent
  std::vector<Expect> lines;            // after the 765 line
  std::vector<std::string> record;      // in the station's last record
};

std::vector<Row> Rows() {
  return {
      {"table taken by its family", L"127.0.8.1", 0, 10, 1, kOk, {},
       {"\"target\": \"/cgi-bin/ext_mp.cgi\"",
        "\"content_type\": \"multipart/form-data; boundary=---------------------------host2axv\"",
        "\"header_line\": \"AXV600-MCARD-DATA ip_table -----------\"", "\"error\": null"}},
      {"table of the other family refused", L"127.0.8.2", 0, 10, 0, kNg,
       {{255, L"847 127.0.8.2:tbuf:NG"}}, {"\"answer\": \"NG\""}},
      {"second table taken", L"127.0.8.2", 1, 10, 1, kOk, {},
       {"\"header_line\": \"HR600-MCARD-DATA ip_table -----------\""}},
      {"name request without header", L"127.0.8.1", 2, 10, 1, kOk, {},
       {"\"method\": \"GET\"", "\"content_type\": null", "\"body_length\": 0",
        "\"name\": \"L-01\"",
        "\"target\": \"/cgi-bin/ext.cgi?func=tms_set_mac_name&data=L-01\""}},
      {"host list", L"127.0.9.1", 3, 10, 0,
       std::string("HEAD:MAVO_DATA\r\n001.001,L01,1,1,0,0,x\r\n001.002,L02,2,1,0,0,x\r\n"
                   "FOOT:MAVO_DATA\r\n"),
       {{255, L"847 127.0.9.1:tbuf:HEAD:MAVO_DATA"}},
       {"\"method\": \"GET\"", "\"content_type\": null"}},
      {"refused", L"127.0.8.3", 0, 10, 0, std::nullopt,
       {{255, L"86 *"}, {255, L"850 127.0.8.3:result_Proc:0"}}, {}},
      {"silent", L"127.0.8.4", 0, 10, 0, std::nullopt,
       {{255, L"801 *"}, {255, L"823 *"}, {255, L"850 127.0.8.4:result_Proc:0"}},
       {"\"fault\": \"silent\""}},
      {"closed mid-answer", L"127.0.8.5", 0, 10, 0, std::nullopt,
       {{255, L"902 127.0.8.5:response cut short:10 of 100 bytes"},
        {255, L"850 127.0.8.5:result_Proc:0"}},
       {}},
      {"answers NG", L"127.0.8.6", 0, 10, 0, kNg, {{255, L"847 127.0.8.6:tbuf:NG"}}, {}},
      {"exactly the cap", L"127.0.8.7", 0, 60, 1, std::nullopt, {}, {}},
      {"one byte over, announced", L"127.0.8.8", 0, 60, 0, std::nullopt,
       {{255, L"901 127.0.8.8:response over 16777216 bytes"},
        {255, L"850 127.0.8.8:result_Proc:0"}},
       {}},
      {"one byte over, unannounced", L"127.0.8.9", 0, 60, 0, std::nullopt,
       {{255, L"901 127.0.8.9:response over 16777216 bytes"},
        {255, L"850 127.0.8.9:result_Proc:0"}},
       {}},
      {"slow within the wait", L"127.0.8.10", 0, 10, 1, kOk, {}, {}},
      {"dripped body", L"127.0.8.11", 0, 10, 1, std::nullopt, {}, {}},
      {"empty answer", L"127.0.8.12", 0, 10, 0, std::string(),
       {{255, L"847 127.0.8.12:tbuf:"}}, {}},
      {"credentials asked and given", L"127.0.8.13", 0, 10, 1, kOk, {},
       {"\"user\": \"loom\"", "\"password_ok\": true"}},
      {"unknown path", L"127.0.8.16", 4, 10, 0, std::string("Not Found\r\n"),
       {{255, L"847 127.0.8.16:tbuf:Not Found"}}, {"\"status\": 404"}},
  };
}

TEST_F(InetTest, EveryStationModeGivesItsResultLinesFileAndRecord) {
  const std::string bodyA = Golden(L"iptbl_post_hr.txt");
  const std::string bodyB = Golden(L"iptbl_post.txt");
  ASSERT_EQ(0u, bodyA.find("-----------------------------host2axv\r\n"));
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.label);
    SetTimeout(row.tout);
    WriteBytes(response_, "stale answer of an earlier request");
    size_t before = RecordCount(row.station);
    const wchar_t* verbs[] = {L"POST", L"POST", L"GET", L"GET", L"GET"};
    const wchar_t* objects[] = {kUploadUrl, kUploadUrl, kNameUrl, kHostUrl, L"/nowhere"};
    const char* bodies[] = {bodyA.c_str(), bodyB.c_str(), "", nullptr, nullptr};
    DWORD begin = GetTickCount();
    ASSERT_EQ(1, Start(row.station, verbs[row.verb], objects[row.verb], bodies[row.verb],
                       kUploadHeader));
    int ticks = Waits();
    EXPECT_EQ(row.result, inet.Result(owner_));
    // A failure waits at most the two steps; the worker ends within its
    // handle time-outs.
    EXPECT_LE(ticks, row.tout + 5 + 2);
    EXPECT_TRUE(WorkersEndWithin(static_cast<DWORD>(row.tout) * 400 + 2000));
    DWORD elapsed = GetTickCount() - begin;
    EXPECT_LT(elapsed, static_cast<DWORD>(row.tout) * 400 + (row.tout + 10) * kTickMs);

    std::vector<Expect> want = {{0, L"765 " + std::wstring(row.station) + L":" +
                                        verbs[row.verb] + L":" + objects[row.verb]}};
    want.insert(want.end(), row.lines.begin(), row.lines.end());
    std::vector<LogLine> lines = DrainLines();
    ExpectLines(lines, want);
    if (std::wstring(row.station) == L"127.0.8.3" && lines.size() > 1) {
      // The system's own words come first, then where it failed.
      const std::wstring& refused = lines[1].text;
      EXPECT_NE(std::wstring::npos, refused.find(L":ERROR-HttpSendRequest(12029)")) << refused;
      EXPECT_EQ(std::wstring::npos, refused.find(L"86 :")) << refused;
    }

    if (row.response) {
      EXPECT_EQ(*row.response, ResponseBytes().value_or("<absent>"));
    } else if (row.result) {
      ASSERT_TRUE(ResponseBytes());
      EXPECT_EQ(0u, ResponseBytes()->find("OK\r\n"));
    } else {
      EXPECT_FALSE(ResponseBytes()) << "a failed request leaves no answer";
    }
    if (std::string(row.label) == "exactly the cap")
      EXPECT_EQ(static_cast<size_t>(kResponseCap), ResponseBytes()->size());
    if (std::wstring(row.station) == L"127.0.8.11")
      EXPECT_EQ(64u, ResponseBytes()->size());

    std::vector<std::string> records = Records(row.station);
    if (std::wstring(row.station) == L"127.0.8.3") {
      EXPECT_EQ(before, records.size()) << "nothing listens there";
      continue;
    }
    ASSERT_LT(before, records.size());
    for (const std::string& field : row.record)
      EXPECT_NE(std::string::npos, records.back().find(field)) << field << "\n" << records.back();
    if (row.verb <= 1) {
      const std::string& body = row.verb == 0 ? bodyA : bodyB;
      EXPECT_NE(std::string::npos,
                records.back().find("\"body_length\": " + std::to_string(body.size())));
    }
  }
}

TEST_F(InetTest, OverTheCapIsAlsoInTheErrorLog) {
  SetTimeout(60);
  EXPECT_EQ(0, Request(L"127.0.8.8", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  std::wstring log = Utf16(ReadBytes(dir.File(L"elog.txt")));
  EXPECT_NE(std::wstring::npos, log.find(L"127.0.8.8:response over 16777216 bytes"));
}

TEST_F(InetTest, AnAnswerThatCannotBePutInPlaceFails) {
  ASSERT_TRUE(CreateDirectoryW(response_.c_str(), nullptr));
  EXPECT_EQ(0, Request(L"127.0.8.16", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  std::vector<LogLine> lines = DrainLines();
  ASSERT_EQ(3u, lines.size()) << Show(lines);
  EXPECT_EQ(255, lines[1].colour);
  EXPECT_EQ(0u, lines[1].text.find(L"903 ")) << Show(lines);
  EXPECT_NE(std::wstring::npos, lines[1].text.find(L":ERROR-MoveFileEx(")) << Show(lines);
  EXPECT_EQ(L"850 127.0.8.16:result_Proc:0", lines[2].text);
  RemoveDirectoryW(response_.c_str());
  // No scratch file is left beside the response file.
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((response_ + L"~*").c_str(), &fd);
  EXPECT_EQ(INVALID_HANDLE_VALUE, h);
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

TEST_F(InetTest, TimeoutOutsideItsRangeFallsBackToTwentyFive) {
  for (const wchar_t* value : {L"0", L"3001", L"-4", L"x"}) {
    SCOPED_TRACE(Narrow(value));
    WritePrivateProfileStringW(L"SETTING", L"TOUT1", value, profile.file);
    inet.LoadTimeout();
    EXPECT_EQ(25, inet.Timeout());
  }
  SetTimeout(3000);
  SetTimeout(1);
}

// ------------------------------------------------------------- credentials

TEST_F(InetTest, WrongCredentialsBringTheDialogAndCancellingFails) {
  SetTimeout(50);
  ASSERT_EQ(1, Start(L"127.0.8.14", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  HWND dialog = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (dialog = CredentialsDialog(owner_)) != nullptr; }, 4000));
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  int ticks = Waits();
  EXPECT_LT(ticks, 50);
  EXPECT_EQ(0, inet.Result(owner_));
  // The server's refusal is the answer stored.
  ExpectLines(DrainLines(), {{0, L"765 127.0.8.14:POST:/cgi-bin/ext_mp.cgi"},
                             {255, L"847 127.0.8.14:tbuf:Unauthorized"}});
  std::vector<std::string> records = Records(L"127.0.8.14");
  ASSERT_FALSE(records.empty());
  EXPECT_NE(std::string::npos, records.back().find("\"status\": 401"));
  EXPECT_NE(std::string::npos, records.back().find("\"user\": \"loom\"")) << records.back();
}

TEST_F(InetTest, ACredentialsDialogLeftAloneIsDismissedByTheCutOff) {
  ASSERT_EQ(1, Start(L"127.0.8.15", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  HWND dialog = nullptr;
  int ticks = 0;
  while (!inet.Wait1(owner_)) {
    if (!dialog) dialog = CredentialsDialog(owner_);
    Tick(kTickMs);
    ASSERT_LE(++ticks, kTout + 1);
  }
  ASSERT_TRUE(dialog) << "the dialog showed while the request was current";
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 1000));
  while (!inet.Wait2(owner_)) Tick(kTickMs);
  EXPECT_EQ(0, inet.Result(owner_));
  ExpectLines(DrainLines(), {{0, L"765 127.0.8.15:POST:/cgi-bin/ext_mp.cgi"},
                             {255, L"801 *"},
                             {255, L"850 127.0.8.15:result_Proc:0"}});
  EXPECT_TRUE(WorkersEndWithin(1000));
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

// ------------------------------------------------------------------- start

TEST_F(InetTest, AStartWhileInFlightCutsTheOldRequestOffSilently) {
  ASSERT_EQ(1, Start(L"127.0.8.33", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  EXPECT_EQ(1, Request(L"127.0.8.34", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  ExpectLines(DrainLines(), {{0, L"765 127.0.8.33:POST:/cgi-bin/ext_mp.cgi"},
                             {0, L"765 127.0.8.34:POST:/cgi-bin/ext_mp.cgi"}});
  EXPECT_EQ(kOk, ResponseBytes().value_or("<absent>"));
}

uintptr_t RefuseThread(void*, unsigned, unsigned(__stdcall*)(void*), void*, unsigned, unsigned*) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}

TEST_F(InetTest, AWorkerThatCannotStartFailsTheRequest) {
  WriteBytes(response_, "OK from an earlier request");
  ThreadStartFn old = SetThreadStart(RefuseThread);
  BoxRecorder::Clear();
  EXPECT_EQ(0, Start(L"127.0.8.34", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  SetThreadStart(old);
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, BoxRecorder::Boxes()[0].text.find(L"_beginthreadex ERROR"));
  // The caller goes on as if it had started: the waits end at once and the
  // result fails, whatever file lay there before.
  EXPECT_EQ(2, Waits());
  EXPECT_EQ(0, inet.Result(owner_));
  ExpectLines(DrainLines(), {{0, L"765 127.0.8.34:POST:/cgi-bin/ext_mp.cgi"},
                             {255, L"850 127.0.8.34:result_Proc:0"}});
  EXPECT_EQ(0, CInet::LiveWorkers());
}

TEST_F(InetTest, ResultWithoutARequestFails) {
  EXPECT_EQ(0, inet.Result(owner_));
  std::vector<LogLine> lines = DrainLines();
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(0u, lines[0].text.find(L"850 ")) << Show(lines);
}

}  // namespace
