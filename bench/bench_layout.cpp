// Times the layout item file and the undo store on a full layout: 1600
// named looms with addresses and non-zero gaps. Prints BENCH lines.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "std/std.h"
#include "std/std_elog.h"
#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"
#include "std2/std2_undo.h"

namespace {

int Quiet(HWND, const wchar_t* text, const wchar_t*, UINT) {
  fwprintf(stderr, L"box: %ls\n", text);
  return IDOK;
}

void FullLayout() {
  ResetLayout();
  for (int i = 0; i < kCells; ++i) {
    LayoutCell& c = layout[i];
    Format(c.name, 11, L"L%04d", i);
    Format(c.ip, 11, L"%03d.%03d", 1 + i / 254, 1 + i % 254);
    c.segment = i % 10;
    c.state = 1;
  }
  for (int k = 0; k < kCols; ++k) {
    DX[k].value = k % 10;
    DY[k].value = (k + 3) % 10;
  }
}

template <typename F>
double MedianMs(int runs, F work) {
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    QueryPerformanceCounter(&a);
    work();
    QueryPerformanceCounter(&b);
    ms.push_back(1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart));
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main() {
  SetMessageBoxFn(Quiet);
  wchar_t temp[MAX_PATH], dir[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  Format(dir, MAX_PATH, L"%smp_bench_%lu", temp, GetCurrentProcessId());
  CreateDirectoryW(dir, nullptr);
  profile.SetDir(dir);
  profile.SetFile(L"MILLPLAN");
  elog.Open();
  types.Defaults();
  hosts.Defaults();
  undo.Init();
  FullLayout();
  if (!loitbl.Write(nullptr, nullptr)) return 1;

  double load = MedianMs(5, [] { loitbl.Load(); });
  int occupied = 0;
  for (const LayoutCell& c : layout) occupied += IsOccupied(c) ? 1 : 0;
  double save = MedianMs(5, [] { loitbl.Write(nullptr, nullptr); });
  double snapshot = MedianMs(5, [] { undo.Snapshot(nullptr); });
  double restore = MedianMs(5, [] { undo.Restore(nullptr); });

  printf("BENCH layout_load_1600 %.1f ms\n", load);
  printf("BENCH layout_save_1600 %.1f ms\n", save);
  printf("BENCH undo_snapshot %.1f ms\n", snapshot);
  printf("BENCH undo_restore %.1f ms\n", restore);
  printf("  (%d occupied cells loaded; median of 5 runs each)\n", occupied);
  elog.Close();
  undo.Init();
  file.ShellOp(nullptr, FO_DELETE, dir, nullptr, 0, HERE, kSilent);
  return occupied == kCells ? 0 : 1;
}
