// The monitoring script's default places are fixed paths of the system, so
// these tests create them and run alone.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "std/std_profile.h"
#include "std2/std2_optdlg.h"
#include "tests/support.h"

namespace {

const wchar_t* const kDefaults[3] = {L"C:\\Apache2\\htdocs\\weaveax\\index.cgi",
                                     L"C:\\Apache2\\htdocs\\weavehr\\index.cgi",
                                     L"C:\\Apache2\\htdocs\\weave\\index.cgi"};

class MrvDefaultTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    hosts.Defaults();
    CreateDirectoryW(L"C:\\Apache2", nullptr);
    CreateDirectoryW(L"C:\\Apache2\\htdocs", nullptr);
    for (const wchar_t* path : kDefaults) {
      std::wstring d = path;
      CreateDirectoryW(d.substr(0, d.find_last_of(L'\\')).c_str(), nullptr);
      DeleteFileW(path);
    }
    // No HARN or MRV key: the defaults decide.
  }
  void TearDown() override {
    for (const wchar_t* path : kDefaults) DeleteFileW(path);
    SettingsFixture::TearDown();
  }
};

TEST_F(MrvDefaultTest, DefaultsAreTriedInOrder) {
  struct Row {
    bool present[3];
    int status;
  } rows[] = {
      {{false, false, false}, 0}, {{true, false, false}, 1}, {{false, true, false}, 1},
      {{false, false, true}, 1},  {{true, true, true}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.present[0] << row.present[1] << row.present[2]);
    for (int i = 0; i < 3; ++i) {
      if (row.present[i]) WriteBytes(kDefaults[i], "x");
      else DeleteFileW(kDefaults[i]);
    }
    hosts.HostServiceTable[kHostRowMonitor].enabled = 0;
    hosts.CheckPaths();
    EXPECT_EQ(row.status, optdlg.mrvStatus);
    EXPECT_EQ(row.status, hosts.HostServiceTable[kHostRowMonitor].enabled);
  }
}

TEST_F(MrvDefaultTest, ConfiguredPathIsUsedUnchanged) {
  WriteBytes(kDefaults[0], "x");
  std::wstring configured = dir.File(L"none.cgi");
  WritePrivateProfileStringW(L"SETTING", L"MRV_PATH", configured.c_str(), profile.file);
  hosts.HostServiceTable[kHostRowMonitor].enabled = 1;
  hosts.CheckPaths();
  EXPECT_EQ(2, optdlg.mrvStatus);
  EXPECT_EQ(0, hosts.HostServiceTable[kHostRowMonitor].enabled);
}

}  // namespace
