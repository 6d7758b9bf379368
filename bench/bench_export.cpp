// The export on full layouts: a publishable one through to the send dialog,
// one refused by its last duplicate pair, and a full grid refused by the
// count. Prints BENCH lines (median) with the worst run on a detail line.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_elog.h"
#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_autoset.h"
#include "std2/std2_iptbl.h"
#include "std2/std2_locale.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"

namespace {

int Quiet(HWND, const wchar_t*, const wchar_t*, UINT) { return IDOK; }
int g_sends = 0;
void CountSend(HWND, const wchar_t*) { ++g_sends; }

double Now() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// n named looms with distinct addresses spread over all rows.
void Looms(int n) {
  ResetLayout();
  for (int i = 0; i < n; ++i) {
    int cell = (i * kCells) / (n > kCells ? kCells : n) % kCells;
    if (n >= kCells) cell = i;
    LayoutCell& c = layout[cell];
    Format(c.name, 11, L"L%04d", i);
    Format(c.ip, 11, L"%03d.%03d", 1 + i / 254, 1 + i % 254);
  }
  for (int k = 0; k < kCols; ++k) DX[k].value = k % 10;
  for (int k = 0; k < kRows; ++k) DY[k].value = (k + 5) % 10;
}

template <typename F>
void Measure(const char* name, F prepare, int expectResult) {
  std::vector<double> ms;
  int wrong = 0;
  for (int run = 0; run < 20; ++run) {
    prepare();
    double t0 = Now();
    int result = AutosetSubmit(nullptr);
    ms.push_back(Now() - t0);
    wrong += result != expectResult;
  }
  std::sort(ms.begin(), ms.end());
  printf("BENCH %s %.1f ms\n", name, ms[ms.size() / 2]);
  printf("  %s: worst %.1f ms of 20 runs%s\n", name, ms.back(), wrong ? " (UNEXPECTED RESULT)" : "");
}

}  // namespace

int main() {
  SetMessageBoxFn(Quiet);
  LoadProgramNames(GetModuleHandleW(nullptr));
  wchar_t temp[MAX_PATH], dir[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  Format(dir, MAX_PATH, L"%smp_bench_export_%lu", temp, GetCurrentProcessId());
  CreateDirectoryW(dir, nullptr);
  profile.SetDir(dir);
  profile.SetFile(app.name);
  elog.Open();
  // Every published file goes into the scratch folder.
  for (const wchar_t* key : {L"LAYOUT", L"LAYOUT_SENSOR", L"IP_BASE", L"IP_TABLE", L"IP_TABLE_HR", L"POST",
                             L"POST_HR", L"FACTDATA_IPADRS", L"MRV_IPADRS", L"HARN_IPADRS",
                             L"WEAVAX_IPADRS", L"WEAVHR_IPADRS", L"HARN_PATH", L"MRV_PATH"}) {
    wchar_t path[MAX_PATH];
    Format(path, MAX_PATH, L"%s\\out\\%s\\file.txt", dir, key);
    WritePrivateProfileStringW(L"SETTING", key, path, profile.file);
    CreateDirFor(nullptr, path);
  }
  lang.codePage = 1252;
  types.Defaults();
  hosts.Defaults();
  // Every host row on, outside the looms' network so none clashes.
  for (int row = 0; row < kHostRows; ++row) {
    hosts.HostServiceTable[row].enabled = 1;
    Format(hosts.HostServiceTable[row].ip, kHostFieldChars, L"172.016.000.%03d", row + 1);
  }
  OPT_DETAIL = 1;
  ip_tbl.LoadPaths();
  SetSendDialogOpener(CountSend);

  Measure("export_1000_looms", [] { Looms(1000); }, 1);
  Measure("export_1000_refused", [] {
    Looms(1000);
    // The only duplicate: the last two looms share a name.
    int last = -1, before = -1;
    for (int i = 0; i < kCells; ++i)
      if (IsOccupied(layout[i])) {
        before = last;
        last = i;
      }
    CopyText(layout[last].name, 11, layout[before].name);
  }, 0);
  Measure("export_1600_refused", [] { Looms(kCells); }, 0);
  printf("  (send dialog reached %d times)\n", g_sends);
  elog.Close();
  file.ShellOp(nullptr, FO_DELETE, dir, nullptr, 0, HERE, kSilent);
  return 0;
}
