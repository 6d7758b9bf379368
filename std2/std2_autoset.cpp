#include "std2/std2_autoset.h"

#include <cstdio>
#include <cwchar>
#include <vector>

#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_ipadrs.h"
#include "std2/std2_iptbl.h"
#include "std2/std2_layout.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"

CStandInPane autosetPane(L"CAutoset", kAutosetPaneWidth);

namespace {

SendDialogOpener g_sendDialog = nullptr;

const wchar_t kDefaultLayout[] = L"C:\\Apache2\\htdocs\\factdata\\setting\\layout.txt";
const wchar_t kDefaultSensors[] = L"C:\\Apache2\\htdocs\\factdata\\setting\\layout_sensor.txt";

void Tell(HWND owner, const wchar_t* text) {
  ShowMessageBox(owner, text, lang.Text(S_CONFIRM), MB_OK | MB_ICONINFORMATION);
}

// Marks left by an earlier export go before any check, so a corrected cell
// never stays marked.
void ClearExportMarks() {
  for (LayoutCell& c : layout)
    if (c.state == 2 || c.state == 4) c.state = 1;
}

int CountNamed() {
  int n = 0;
  for (const LayoutCell& c : layout) n += IsOccupied(c) ? 1 : 0;
  return n;
}

// Marks the offending cells and shows them in the overview.
void PointAt(int a, int b, int mark) {
  RequestOverview();
  for (int cell : {a, b}) {
    if (cell < 0) continue;
    layout[cell].state = mark;
    NotifyRepaint(cell);
  }
}

// Names must differ among looms and LTB units (they share layout.txt;
// sensors go to their own file by position). Every published address must
// be unique, named cell or not.
bool NoDuplicates(HWND owner) {
  std::vector<int> cells;
  for (int i = 0; i < kCells; ++i)
    if (IsOccupied(layout[i]) || layout[i].ip[0]) cells.push_back(i);
  for (int a : cells) {
    const LayoutCell& A = layout[a];
    for (int b : cells) {
      if (a == b) continue;
      const LayoutCell& B = layout[b];
      bool names = IsOccupied(A) && IsOccupied(B) && A.kind != SENSOR && B.kind != SENSOR &&
                   wcscmp(A.name, B.name) == 0;
      bool addresses = !names && (A.ip[0] || B.ip[0]) && wcscmp(A.ip, B.ip) == 0;
      if (!names && !addresses) continue;
      PointAt(a, b, 2);
      Tell(owner, lang.Text(names ? S_DUPLOOMNAME : S_DUPLOOMIP));
      return false;
    }
  }
  return true;
}

// The simple option mode keeps only the network prefix and one server address.
void SimpleSetUp() {
  wchar_t prefix[kHostFieldChars], server[kHostFieldChars];
  CopyText(prefix, kHostFieldChars, hosts.networkPrefix);
  CopyText(server, kHostFieldChars, hosts.HostServiceTable[0].ip);
  types.Defaults();
  hosts.Defaults();
  CopyText(hosts.networkPrefix, kHostFieldChars, prefix);
  for (int row = 0; row <= kHostRowNetFunction; ++row)
    CopyText(hosts.HostServiceTable[row].ip, kHostFieldChars, server);
  hosts.CheckPaths();
}

// A loom must not take the address of a host the IP table publishes.
bool NoHostClash(HWND owner) {
  for (int i = 0; i < kCells; ++i) {
    const LayoutCell& c = layout[i];
    if (!c.ip[0]) continue;
    wchar_t full[21];
    Format(full, 21, L"%s.%s", hosts.networkPrefix, c.ip);
    for (int row = 0; row < kHostRows; ++row) {
      if (!HostRowPublished(row) || wcscmp(full, hosts.HostServiceTable[row].ip) != 0) continue;
      PointAt(i, -1, 4);
      Tell(owner, lang.Text(S_DUPLOOMIP));
      return false;
    }
  }
  return true;
}

bool WritePositionLines(FILE* f, bool sensors) {
  int columns[kCols], rows[kRows];
  for (int k = 0, sum = 0; k < kCols; ++k) columns[k] = sum += DX[k].value;
  for (int k = 0, sum = 0; k < kRows; ++k) rows[k] = sum += DY[k].value;
  for (int i = 0; i < kCells; ++i) {
    const LayoutCell& c = layout[i];
    if (!IsOccupied(c) || (c.kind == SENSOR) != sensors) continue;
    int x = i % kCols, y = i / kCols;
    if (!FilePrint(f, L"%d,%d,%d,%d,%s\n", x, y, columns[x], rows[y], c.name)) return false;
  }
  return true;
}

bool HasSensors() {
  for (const LayoutCell& c : layout)
    if (IsOccupied(c) && c.kind == SENSOR) return true;
  return false;
}

int WritePositions(HWND owner) {
  wchar_t path[kTextMax + 1];
  profile.ReadString(L"LAYOUT", kDefaultLayout, path, kTextMax + 1);
  if (!CreateDirFor(owner, path)) return 0;
  return WriteTextFile(owner, path, [](FILE* f) { return WritePositionLines(f, false); }, HERE,
                       L"%s:%d\r\nCan't Open layout.txt");
}

int WriteSensorPositions(HWND owner) {
  wchar_t path[kTextMax + 1];
  profile.ReadString(L"LAYOUT_SENSOR", kDefaultSensors, path, kTextMax + 1);
  if (HasSensors())
    return WriteTextFile(owner, path, [](FILE* f) { return WritePositionLines(f, true); }, HERE,
                         L"%s:%d\r\nCan't Open layout_sensor.txt");
  // No sensors: the place must still be writable, and no old list stays.
  wchar_t scratch[kTextMax + 1];
  FILE* f = ScratchPathFor(path, scratch, kTextMax + 1) ? _wfopen(scratch, L"wt") : nullptr;
  if (!f) {
    Report(owner, 0, L"%s:%d\r\nCan't Open layout_sensor.txt", HERE);
    return 0;
  }
  fclose(f);
  DeleteFileW(scratch);
  DeleteFileW(path);
  return 1;
}

}  // namespace

SendDialogOpener SetSendDialogOpener(SendDialogOpener opener) {
  SendDialogOpener old = g_sendDialog;
  g_sendDialog = opener;
  return old;
}

int AutosetSubmit(HWND owner) {
  ClearExportMarks();
  int named = CountNamed();                                        // 1
  if (named > kMaxNamedCells) {
    wchar_t text[kLangTextMax + 16];
    Format(text, kLangTextMax + 16, L"%s:%d", lang.Text(S_OVERMAXMAC), named);
    Tell(owner, text);
    return 0;
  }
  if (!NoDuplicates(owner)) return 0;                              // 2
  if (OPT_DETAIL == 0) SimpleSetUp();                              // 3
  if (!NoHostClash(owner)) return 0;                               // 4
  wchar_t prefix[kHostFieldChars];                                 // 5
  CopyText(prefix, kHostFieldChars, IpPlain(hosts.networkPrefix, 0));
  if (!WritePositions(owner)) return 0;                            // 6
  if (!WriteSensorPositions(owner)) return 0;                      // 7
  if (!ip_tbl.Make(owner)) return 0;                               // 8
  WriteAddressLists(owner, prefix);                                // 9
  if (OPT_DETAIL < 10) hosts.CheckPaths();                         // 10
  if (owner && IsWindow(owner))                                    // 11
    RedrawWindow(owner, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
  if (g_sendDialog) g_sendDialog(owner, lang.Text(S_COMLOG));      // 12
  return 1;
}
