// The host service table: thirteen network service hosts of the mill and
// the network prefix of every loom address.
#pragma once

#include <cstdint>

#include "std/std.h"

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

  HostService HostServiceTable[kHostRows] = {};
  wchar_t networkPrefix[kHostFieldChars] = L"";

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CHosts hosts;

// File keys of the rows, in row order.
extern const wchar_t* const kHostRowKeys[kHostRows];
