// The option level and the service script check on scripts of our own.
#include <windows.h>

#include <string>

#include "std/std.h"
#include "std/std_inetdlg.h"
#include "std/std_profile.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "tests/support.h"

namespace {

TEST(NormaliseTest, Table) {
  struct Row {
    int level;
    int row8On;
    int expectLevel;
    const wchar_t* url;
    bool forcedOn;  // rows 0, 1 and 8
  } rows[] = {
      {-1, 1, 0, L"/x", false},
      {0, 1, 0, L"/x", false},
      {1, 1, 1, L"/netfunction", false},
      {1, 0, 1, L"/netfunction/index.cgi?1", false},
      {2, 0, 2, L"/netfunction", true},
      {3, 0, 3, L"/netfunction/index.cgi?1", true},
      {5, 1, 0, L"/x", false},
      {10, 0, 10, L"/x", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.level);
    hosts.Defaults();
    HostService& net = hosts.HostServiceTable[kHostRowNetFunction];
    net.enabled = row.row8On;
    wcscpy(net.url, L"/x");
    OPT_DETAIL = row.level;
    hosts.Normalise();
    EXPECT_EQ(row.expectLevel, OPT_DETAIL);
    EXPECT_STREQ(row.url, net.url);
    EXPECT_EQ(row.forcedOn ? 1 : 0, hosts.HostServiceTable[0].enabled);
    EXPECT_EQ(row.forcedOn ? 1 : 0, hosts.HostServiceTable[1].enabled);
    EXPECT_EQ(row.forcedOn ? 1 : row.row8On, net.enabled);
  }
  OPT_DETAIL = 0;
}

class ScriptTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    hosts.Defaults();
    harn = dir.File(L"pattern-load.cgi");
    mrv = dir.File(L"index.cgi");
    WritePrivateProfileStringW(L"SETTING", L"HARN_PATH", harn.c_str(), profile.file);
    WritePrivateProfileStringW(L"SETTING", L"MRV_PATH", mrv.c_str(), profile.file);
  }
  std::wstring harn, mrv;
};

TEST_F(ScriptTest, RowsFollowTheirScripts) {
  struct Row {
    int wasOn;
    int script;  // 0 absent, 1 present, 2 held open by another program
    int status;
    int nowOn;
  } rows[] = {
      {0, 0, 0, 0}, {0, 1, 1, 1}, {1, 0, 2, 0}, {1, 1, 3, 1}, {0, 2, 1, 1}, {1, 2, 3, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "on " << row.wasOn << " script " << row.script);
    DeleteFileW(harn.c_str());
    DeleteFileW(mrv.c_str());
    HANDLE held[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    if (row.script) {
      WriteBytes(harn, "x");
      WriteBytes(mrv, "x");
    }
    if (row.script == 2) {
      // Held without any sharing: the open is refused, the file is there.
      held[0] = CreateFileW(harn.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      held[1] = CreateFileW(mrv.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    hosts.HostServiceTable[kHostRowPatternSave].enabled = row.wasOn;
    hosts.HostServiceTable[kHostRowPatternLoad].enabled = 1 - row.wasOn;
    hosts.HostServiceTable[kHostRowMonitor].enabled = row.wasOn;
    hosts.CheckPaths();
    for (HANDLE h : held)
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    EXPECT_EQ(row.status, optdlg.harnStatus);
    EXPECT_EQ(row.status, optdlg.mrvStatus);
    EXPECT_EQ(row.nowOn, hosts.HostServiceTable[kHostRowPatternSave].enabled);
    EXPECT_EQ(row.nowOn, hosts.HostServiceTable[kHostRowPatternLoad].enabled);
    EXPECT_EQ(row.nowOn, hosts.HostServiceTable[kHostRowMonitor].enabled);
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

}  // namespace
