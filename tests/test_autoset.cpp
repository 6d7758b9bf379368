// The export that publishes a layout: its checks, the position files, the
// stop rules, and that nothing is written when it refuses.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_autoset.h"
#include "std2/std2_iptbl.h"
#include "std2/std2_layout.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "tests/support.h"

namespace {

struct Overviews : LayoutReceiver {
  void CellTextChanged(int) override {}
  void RepaintCell(int cell) override { repainted.push_back(cell); }
  void LayOutAgain() override {}
  void TemplatesAdvanced() override {}
  void ShowOverview() override { ++overviews; }
  int overviews = 0;
  std::vector<int> repainted;
};

int g_sends = 0;
std::wstring g_sendCaption;
void RecordSend(HWND, const wchar_t* caption) {
  ++g_sends;
  g_sendCaption = caption;
}

// Every file the export writes, pointed into the scratch folder.
const wchar_t* const kPathKeys[] = {L"LAYOUT",        L"LAYOUT_SENSOR", L"IP_BASE",
                                    L"IP_TABLE",      L"IP_TABLE_HR",   L"POST",
                                    L"POST_HR",       L"FACTDATA_IPADRS", L"MRV_IPADRS",
                                    L"HARN_IPADRS",   L"WEAVAX_IPADRS", L"WEAVHR_IPADRS",
                                    L"HARN_PATH",     L"MRV_PATH"};

class AutosetTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    for (const wchar_t* key : kPathKeys) {
      std::wstring path = dir.path() + L"\\out\\" + key + L"\\file.txt";
      WritePrivateProfileStringW(L"SETTING", key, path.c_str(), profile.file);
      CreateDirFor(nullptr, path.c_str());  // the sensor list's folder is never made by the export
    }
    ip_tbl.LoadPaths();
    previous_ = SetLayoutReceiver(&view);
    SetSendDialogOpener(RecordSend);
    g_sends = 0;
    OPT_DETAIL = 1;
  }
  void TearDown() override {
    SetLayoutReceiver(previous_);
    SetSendDialogOpener(nullptr);
    OPT_DETAIL = 0;
    TableFixture::TearDown();
  }
  std::wstring Out(const wchar_t* key) { return dir.path() + L"\\out\\" + key + L"\\file.txt"; }
  static void Put(int x, int y, int kind, const wchar_t* name, const wchar_t* ip = L"") {
    LayoutCell& c = Cell(x, y);
    CopyText(c.name, 11, name);
    CopyText(c.ip, 11, ip);
    c.kind = kind;
  }
  Overviews view;
  LayoutReceiver* previous_ = nullptr;
};

// ---------------------------------------------------------------- checks

TEST_F(AutosetTest, RefusalsTable) {
  struct Row {
    const char* what;
    std::function<void()> setUp;
    const wchar_t* message;  // nullptr: the export goes through
    std::vector<std::pair<int, int>> marks;  // (cell, state) afterwards
  } rows[] = {
      {"equal loom names",
       [] { Put(1, 0, LOOM, L"L01", L"001.001"); Put(5, 3, LOOM, L"L01", L"001.002"); },
       L"dupname", {{1, 2}, {3 * 40 + 5, 2}}},
      {"loom and LTB of one name",
       [] { Put(1, 0, LOOM, L"L01", L"001.001"); Put(2, 0, LTB, L"L01"); }, L"dupname",
       {{1, 2}, {2, 2}}},
      {"two sensors named SENSOR",
       [] { Put(1, 0, SENSOR, L"SENSOR"); Put(2, 0, SENSOR, L"SENSOR"); }, nullptr, {}},
      {"equal addresses", [] { Put(1, 0, LOOM, L"A", L"001.009"); Put(2, 0, LOOM, L"B", L"001.009"); },
       L"dupip", {{1, 2}, {2, 2}}},
      {"nameless addressed cell",
       [] { Put(1, 0, LOOM, L"A", L"001.009"); wcscpy(Cell(2, 0).ip, L"001.009"); },
       L"dupip", {{1, 2}, {2, 2}}},
      {"two looms without address", [] { Put(1, 0, LTB, L"A"); Put(2, 0, LTB, L"B"); }, nullptr, {}},
      {"address of an enabled host",
       [] {
         hosts.HostServiceTable[4].enabled = 1;
         wcscpy(hosts.HostServiceTable[4].ip, L"172.017.001.240");
         Put(3, 0, LOOM, L"A", L"001.240");
       },
       L"dupip", {{3, 4}}},
      {"address of row 8 while off, detail 1",
       [] {
         hosts.HostServiceTable[4].enabled = 0;
         hosts.HostServiceTable[8].enabled = 0;
         wcscpy(hosts.HostServiceTable[8].ip, L"172.017.002.002");
         Put(3, 0, LOOM, L"A", L"002.002");
       },
       L"dupip", {{3, 4}}},
      {"address of row 1 published through row 0",
       [] {
         hosts.HostServiceTable[4].enabled = 0;
         hosts.HostServiceTable[0].enabled = 1;
         hosts.HostServiceTable[1].enabled = 0;
         wcscpy(hosts.HostServiceTable[1].ip, L"172.017.003.003");
         Put(3, 0, LOOM, L"A", L"003.003");
       },
       L"dupip", {{3, 4}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ResetLayout();
    hosts.Defaults();
    BoxRecorder::Clear();
    view = Overviews{};
    g_sends = 0;
    DeleteFileW(Out(L"LAYOUT").c_str());
    row.setUp();
    int result = AutosetSubmit(nullptr);
    if (!row.message) {
      EXPECT_EQ(1, result);
      EXPECT_EQ(1, g_sends);
      EXPECT_TRUE(BoxRecorder::Boxes().empty());
      continue;
    }
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, g_sends);
    EXPECT_FALSE(FileExists(Out(L"LAYOUT")));
    ASSERT_EQ(1u, BoxRecorder::Boxes().size());
    const RecordedBox& box = BoxRecorder::Boxes()[0];
    std::wstring expected = lang.Text(std::wstring(row.message) == L"dupname" ? S_DUPLOOMNAME : S_DUPLOOMIP);
    EXPECT_EQ(expected, box.text);
    EXPECT_EQ(std::wstring(lang.Text(S_CONFIRM)), box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), box.style);
    EXPECT_EQ(1, view.overviews);
    for (auto [cell, state] : row.marks) EXPECT_EQ(state, layout[cell].state) << cell;
  }
}

TEST_F(AutosetTest, RowEightCountsOnlyBelowFullMode) {
  hosts.HostServiceTable[4].enabled = 0;
  hosts.HostServiceTable[8].enabled = 0;
  wcscpy(hosts.HostServiceTable[8].ip, L"172.017.002.002");
  Put(3, 0, LOOM, L"A", L"002.002");
  OPT_DETAIL = 10;
  EXPECT_EQ(1, AutosetSubmit(nullptr));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(AutosetTest, CountLimit) {
  for (int n : {1000, 1001}) {
    SCOPED_TRACE(n);
    ResetLayout();
    BoxRecorder::Clear();
    for (int i = 0; i < n; ++i) Format(layout[i].name, 11, L"N%d", i);  // LTB-like: no address
    for (int i = 0; i < n; ++i) layout[i].kind = LTB;
    int result = AutosetSubmit(nullptr);
    if (n == 1000) {
      EXPECT_EQ(1, result);
      EXPECT_TRUE(BoxRecorder::Boxes().empty());
    } else {
      EXPECT_EQ(0, result);
      ASSERT_EQ(1u, BoxRecorder::Boxes().size());
      EXPECT_EQ(std::wstring(lang.Text(S_OVERMAXMAC)) + L":1001", BoxRecorder::Boxes()[0].text);
    }
  }
}

TEST_F(AutosetTest, StaleMarksAreClearedBeforeTheChecks) {
  Put(1, 0, LOOM, L"A", L"001.001");
  Put(2, 0, LOOM, L"B", L"001.002");
  Cell(1, 0).state = 2;
  Cell(2, 0).state = 4;
  Put(30, 30, LOOM, L"Z", L"009.009");
  Cell(30, 30).state = 2;  // beyond where any scan would stop
  EXPECT_EQ(1, AutosetSubmit(nullptr));
  EXPECT_EQ(1, Cell(1, 0).state);
  EXPECT_EQ(1, Cell(2, 0).state);
  EXPECT_EQ(1, Cell(30, 30).state);
}

// ---------------------------------------------------------------- files

TEST_F(AutosetTest, PositionFiles) {
  for (int k = 0; k < kCols; ++k) DX[k].value = 2;
  for (int k = 0; k < kRows; ++k) DY[k].value = 3;
  Put(3, 2, LOOM, L"L01", L"001.001");
  Put(5, 2, LTB, L"T1");
  Put(6, 2, SENSOR, L"S1");
  wcscpy(Cell(7, 2).ip, L"001.007");  // an address without a name
  ASSERT_EQ(1, AutosetSubmit(nullptr)) << (Messages().empty() ? L"" : Messages()[0]);
  EXPECT_EQ("3,2,8,9,L01\r\n5,2,12,9,T1\r\n", ReadBytes(Out(L"LAYOUT")));
  EXPECT_EQ("6,2,14,9,S1\r\n", ReadBytes(Out(L"LAYOUT_SENSOR")));
  EXPECT_EQ(1, g_sends);
  EXPECT_EQ(std::wstring(lang.Text(S_COMLOG)), g_sendCaption);
}

TEST_F(AutosetTest, NoSensorsLeaveNoSensorFile) {
  Put(3, 2, LOOM, L"L01", L"001.001");
  CreateDirFor(nullptr, Out(L"LAYOUT_SENSOR").c_str());
  WriteBytes(Out(L"LAYOUT_SENSOR"), "old");
  ASSERT_EQ(1, AutosetSubmit(nullptr));
  EXPECT_FALSE(FileExists(Out(L"LAYOUT_SENSOR")));
  EXPECT_FALSE(FileExists(Out(L"LAYOUT_SENSOR") + L".tmp~"));
}

TEST_F(AutosetTest, SimpleModeResetsTheHostTableButKeepsPrefixAndServer) {
  OPT_DETAIL = 0;
  wcscpy(hosts.networkPrefix, L"010.020");
  wcscpy(hosts.HostServiceTable[0].ip, L"010.020.000.005");
  wcscpy(hosts.HostServiceTable[5].name, L"EDITED");
  wcscpy(types.TypeNames[7], L"EXTRA");
  Put(1, 1, LOOM, L"A", L"001.001");
  ASSERT_EQ(1, AutosetSubmit(nullptr));
  EXPECT_STREQ(L"010.020", hosts.networkPrefix);
  for (int row = 0; row <= 8; ++row) EXPECT_STREQ(L"010.020.000.005", hosts.HostServiceTable[row].ip) << row;
  EXPECT_STREQ(L"MRVHOST", hosts.HostServiceTable[5].name);
  EXPECT_STREQ(L"", types.TypeNames[7]);
}

TEST_F(AutosetTest, BlockedPositionFileStopsBeforeAnythingElse) {
  Put(3, 2, LOOM, L"L01", L"001.001");
  CreateDirFor(nullptr, Out(L"LAYOUT").c_str());
  WriteBytes(Out(L"LAYOUT"), "old layout");
  CreateDirectoryW((Out(L"LAYOUT") + L".tmp~").c_str(), nullptr);
  EXPECT_EQ(0, AutosetSubmit(nullptr));
  EXPECT_EQ("old layout", ReadBytes(Out(L"LAYOUT")));
  EXPECT_FALSE(FileExists(Out(L"IP_TABLE")));
  EXPECT_EQ(0, g_sends);
  ASSERT_EQ(1u, Messages().size());
  EXPECT_EQ(L"Can't Open layout.txt", Messages()[0]);
}

TEST_F(AutosetTest, BlockedSensorFileStopsAfterTheLayoutFile) {
  Put(3, 2, LOOM, L"L01", L"001.001");
  Put(4, 2, SENSOR, L"S1");
  CreateDirFor(nullptr, Out(L"LAYOUT_SENSOR").c_str());
  CreateDirectoryW((Out(L"LAYOUT_SENSOR") + L".tmp~").c_str(), nullptr);
  EXPECT_EQ(0, AutosetSubmit(nullptr));
  EXPECT_TRUE(FileExists(Out(L"LAYOUT")));
  EXPECT_FALSE(FileExists(Out(L"IP_TABLE")));
  EXPECT_EQ(0, g_sends);
  ASSERT_EQ(1u, Messages().size());
  EXPECT_EQ(L"Can't Open layout_sensor.txt", Messages()[0]);
}

}  // namespace
