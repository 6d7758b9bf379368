// The host service table: thirteen network service hosts of the mill and
// the network prefix of every loom address.
#pragma once

#include <cstdint>

#include <cstdio>

#include "std/std.h"

class TableText;

constexpr int kHostRows = 13;
constexpr int kHostFieldChars = 21;
constexpr int kHostUrlChars = 31;

// Rows with a fixed role.
constexpr int kHostRowNetFunction = 8;
constexpr int kHostRowMavo = 12;

struct HostService {
  int32_t enabled;                  // 0 off; when on, ip must be valid
  wchar_t ip[kHostFieldChars];      // "%03d.%03d.%03d.%03d"
  wchar_t name[kHostFieldChars];    // name in the IP tables
  wchar_t typeName[kHostFieldChars];
  int32_t segment;                  // 0..9, 0 = "ALL"
  wchar_t url[kHostUrlChars];       // request path of the service
};

class CHosts {
 public:
  CHosts();
  // Fills the table with its defaults, which follow the host switch
  // iMAVO that start-up has read.
  void Defaults();
  // The thirteen row lines and NETWORK of a table file; a row without a
  // usable line keeps its values.
  int Read(const TableText& text);
  int Write(FILE* f);
  // Fixes OPT_DETAIL and the network-function row's request path.
  void Normalise();
  // Switches the pattern rows (2, 3) and the monitoring row (5) by whether
  // their server scripts exist; leaves the statuses in optdlg.
  void CheckPaths();

  HostService HostServiceTable[kHostRows] = {};
  wchar_t networkPrefix[kHostFieldChars] = L"";

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CHosts hosts;

// Script statuses of the last check: 0 row off, script absent; 1 row off,
// script present (now on); 2 row on, script missing (now off); 3 row on,
// script present.
class COptDlg {
 public:
  COptDlg();
  int harnStatus = 0;
  int mrvStatus = 0;

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern COptDlg optdlg;

constexpr int kHostRowPatternSave = 2;
constexpr int kHostRowPatternLoad = 3;
constexpr int kHostRowMonitor = 5;

// File keys of the rows, in row order.
extern const wchar_t* const kHostRowKeys[kHostRows];
