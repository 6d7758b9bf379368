// The clock's and the log's named locks are shared by every process, so
// these tests run alone: they hold a lock and watch the program wait it out.
#include <windows.h>

#include <string>

#include "std/std.h"
#include "std/std_date.h"
#include "std/std_elog.h"
#include "tests/support.h"

namespace {

class HeldLock {
 public:
  explicit HeldLock(const wchar_t* name) {
    sem_ = OpenSemaphoreW(SEMAPHORE_ALL_ACCESS, FALSE, name);
    held_ = sem_ && WaitForSingleObject(sem_, 5000) == WAIT_OBJECT_0;
  }
  ~HeldLock() {
    if (held_) ReleaseSemaphore(sem_, 1, nullptr);
    if (sem_) CloseHandle(sem_);
  }
  bool held() const { return held_; }

 private:
  HANDLE sem_ = nullptr;
  bool held_ = false;
};

class LockTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    UseFixedTime(2019, 6, 5, 9, 5, 3);
  }
  std::wstring Log() { return Utf16(ReadBytes(dir.File(L"elog.txt"))); }
};

TEST_F(LockTest, ClockReadTimesOutAndStillLogsWithLocalTime) {
  wchar_t buf[kClockTextMin] = L"untouched";
  {
    HeldLock lock(L"date");
    ASSERT_TRUE(lock.held());
    DWORD start = GetTickCount();
    EXPECT_EQ(0, date.GetDate(buf));
    EXPECT_LT(GetTickCount() - start, 60000u);
  }
  EXPECT_STREQ(L"untouched", buf);
  // The report's own entry is stamped from local time; the nested reports
  // of the stamp's failed reads wait out the log's lock and are dropped.
  std::wstring log = Log();
  EXPECT_EQ(0u, log.find(L"2019/06/05 09:05'03---------------------\r\n")) << log;
  EXPECT_NE(std::wstring::npos, log.find(L"\r\nSEMTAK::")) << log;
  EXPECT_NE(std::wstring::npos, log.find(L":WaitForSingleObject(")) << log;
  EXPECT_EQ(log.find(L"---------------------"), log.rfind(L"---------------------")) << log;
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(LockTest, LogLockTimeoutDropsTheEntryButShowsTheBox) {
  {
    HeldLock lock(L"elog");
    ASSERT_TRUE(lock.held());
    Report(nullptr, 0, L"%s", L"while held");
  }
  EXPECT_EQ(L"", Log());
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_EQ(L"while held", BoxRecorder::Boxes()[0].text);
  Report(nullptr, 2, L"%s", L"after");
  EXPECT_EQ(L"2019/06/05 09:05'03---------------------\r\nafter\r\n", Log());
}

}  // namespace
