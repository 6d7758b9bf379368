// The HTTP client when requests are cut off: a late worker racing the next
// request, and cancelling at every stage.
#include "tests/inet_support.h"

using namespace inettest;

namespace {

// ------------------------------------------------------------------- races

// A is cut off by the first wait while its answer is still to come; B runs
// while A's answer arrives. Everything the client shows belongs to B.
class InetRace : public InetTest {
 protected:
  void CutOffSlowLoom(const wchar_t* a) {
    ASSERT_EQ(1, Start(a, L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
    int ticks = 0;
    while (!inet.Wait1(owner_)) {
      Tick(kTickMs);
      ASSERT_LE(++ticks, kTout + 1);
    }
    cutOffAt_ = GetTickCount();
    // A's worker is still waiting for its answer: the second wait gives up.
    while (!inet.Wait2(owner_)) {
    }
    EXPECT_EQ(0, inet.Result(owner_));
    EXPECT_EQ(1, CInet::LiveWorkers()) << "the slow loom has not answered yet";
    ExpectLines(DrainLines(), {{0, L"765 " + std::wstring(a) + L":POST:" + kUploadUrl},
                               {255, L"801 *"},
                               {255, L"823 *"},
                               {255, L"850 " + std::wstring(a) + L":result_Proc:0"}});
  }
  // B's first wait has longer ticks so that A's answer lands inside B's
  // request; its second wait still ends before B's own handle time-out.
  static constexpr DWORD kSlowTickMs = 250;
  DWORD cutOffAt_ = 0;
};

TEST_F(InetRace, LateAnswerOfACutOffLoomTouchesNothingOfTheNext) {
  const wchar_t a[] = L"127.0.8.20";
  const wchar_t b[] = L"127.0.8.21";  // answers NG, later than A
  size_t aBefore = RecordCount(a);
  CutOffSlowLoom(a);
  ASSERT_EQ(1, Start(b, L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  Waits(kSlowTickMs, kTickMs);
  EXPECT_EQ(0, inet.Result(owner_));
  ExpectLines(DrainLines(), {{0, L"765 127.0.8.21:POST:/cgi-bin/ext_mp.cgi"},
                             {255, L"847 127.0.8.21:tbuf:NG"}});
  EXPECT_EQ(kNg, ResponseBytes().value_or("<absent>"));
  // A did answer, and before B: the race really happened.
  ASSERT_EQ(aBefore + 1, RecordCount(a));
  std::string all = ReadBytes(BuildDir() + L"\\millsim\\inet.records");
  EXPECT_LT(all.rfind("\"station\": \"127.0.8.20\""), all.rfind("\"station\": \"127.0.8.21\""));
  EXPECT_TRUE(WorkersEndWithin(kTout * 400 + 1000));
  EXPECT_LT(GetTickCount() - cutOffAt_, static_cast<DWORD>(kTout * 400 + 3000));
  EXPECT_TRUE(DrainLines().empty());
}

TEST_F(InetRace, LateAnswerDuringASilentLoomLeavesNoAnswer) {
  const wchar_t a[] = L"127.0.8.23";
  const wchar_t b[] = L"127.0.8.22";  // never answers
  size_t aBefore = RecordCount(a);
  CutOffSlowLoom(a);
  ASSERT_EQ(1, Start(b, L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  Waits(kSlowTickMs, kTickMs);
  ASSERT_EQ(aBefore + 1, RecordCount(a)) << "A answered while B was waited for";
  EXPECT_EQ(0, inet.Result(owner_));
  ExpectLines(DrainLines(), {{0, L"765 127.0.8.22:POST:/cgi-bin/ext_mp.cgi"},
                             {255, L"801 *"},
                             {255, L"823 *"},
                             {255, L"850 127.0.8.22:result_Proc:0"}});
  EXPECT_FALSE(ResponseBytes());
  EXPECT_TRUE(WorkersEndWithin(kTout * 400 + 2000));
  EXPECT_TRUE(DrainLines().empty());
}

// ------------------------------------------------------------------ cancel

class InetCancel : public InetTest {
 protected:
  // After a cancel: only "User Cancel" follows the start, no handle is held,
  // the worker ends in time, and the next request runs as if nothing was.
  void ExpectCleanCancel(const wchar_t* station) {
    EXPECT_FALSE(inet.HoldsHandles());
    EXPECT_TRUE(WorkersEndWithin(kTout * 400 + 1000));
    std::vector<LogLine> lines = DrainLines();
    ASSERT_GE(lines.size(), 2u) << Show(lines);
    EXPECT_EQ(L"765 " + std::wstring(station) + L":POST:" + kUploadUrl, lines.front().text);
    EXPECT_EQ(255, lines.back().colour);
    EXPECT_EQ(L"865 User Cancel", lines.back().text) << Show(lines);
    EXPECT_FALSE(ResponseBytes());

    EXPECT_EQ(1, Request(L"127.0.8.32", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
    ExpectLines(DrainLines(), {{0, L"765 127.0.8.32:POST:/cgi-bin/ext_mp.cgi"}});
    EXPECT_EQ(kOk, ResponseBytes().value_or("<absent>"));
  }
};

TEST_F(InetCancel, BeforeConnecting) {
  ASSERT_EQ(1, Start(L"127.0.8.30", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  inet.Cancel(owner_);
  ExpectCleanCancel(L"127.0.8.30");
}

TEST_F(InetCancel, InASilentWait) {
  size_t before = RecordCount(L"127.0.8.30");
  ASSERT_EQ(1, Start(L"127.0.8.30", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  // Cancel once the loom holds the request, before the wait runs out.
  int ticks = 0;
  while (RecordCount(L"127.0.8.30") == before) {
    ASSERT_EQ(0, inet.Wait1(owner_)) << "cut off before the loom had the request";
    Tick(kTickMs);
    ASSERT_LT(++ticks, kTout);
  }
  inet.Cancel(owner_);
  DWORD cancelledAt = GetTickCount();
  ExpectCleanCancel(L"127.0.8.30");
  EXPECT_LT(GetTickCount() - cancelledAt, static_cast<DWORD>(kTout * 400 + 3000));
}

TEST_F(InetCancel, InTheCredentialsDialog) {
  SetTimeout(50);  // the dialog is waited for, not the time-out
  ASSERT_EQ(1, Start(L"127.0.8.31", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  HWND dialog = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (dialog = CredentialsDialog(owner_)) != nullptr; }, 4000));
  inet.Cancel(owner_);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 1000)) << "dismissed within 0.5 s";
  EXPECT_TRUE(IsWindowEnabled(owner_));
  SetTimeout(kTout);
  ExpectCleanCancel(L"127.0.8.31");
}

TEST_F(InetCancel, AfterTheFirstWait) {
  ASSERT_EQ(1, Start(L"127.0.8.32", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
  int ticks = 0;
  while (!inet.Wait1(owner_)) {
    Tick(kTickMs);
    ASSERT_LE(++ticks, kTout + 1);
  }
  inet.Cancel(owner_);
  EXPECT_EQ(0, inet.Result(owner_)) << "a cancelled request has failed";
  std::vector<LogLine> lines = DrainLines();
  ExpectLines(lines, {{0, L"765 127.0.8.32:POST:/cgi-bin/ext_mp.cgi"},
                      {255, L"865 User Cancel"},
                      {255, L"850 127.0.8.32:result_Proc:0"}});
  EXPECT_FALSE(inet.HoldsHandles());
  EXPECT_TRUE(WorkersEndWithin(1000));
  EXPECT_EQ(1, Request(L"127.0.8.32", L"POST", kUploadUrl, bodyA_.c_str(), kUploadHeader));
}

}  // namespace
