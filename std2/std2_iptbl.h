// The IP table: every station of the mill network with its address, name,
// type and segment, written as base.txt, the two loom-family tables and the
// two upload bodies that carry them.
#pragma once

#include <string>

#include "std/std.h"

// True when a host row is published in the IP tables: rows 1 and 3 follow
// rows 0 and 2, rows 4 to 12 their own switch, and row 8 is published
// regardless while OPT_DETAIL is below 10. The export's clash check asks the
// same question so that it compares with exactly the published rows.
bool HostRowPublished(int row);

class CIp_Tbl {
 public:
  CIp_Tbl();
  // Reads the five paths from the settings file (section SETTING); a
  // missing key gives its default. Returns 1.
  int LoadPaths();
  // Writes base.txt, the IP_TABLE file, the IP_TABLE_HR file and both
  // upload bodies, in that order, each through a scratch file that replaces
  // its target in one step. 1 when all five were written; 0 after a report
  // at the first failure, that file and every later one unchanged.
  int Make(HWND owner);

  // The table body (8-bit, "\n" line ends) for a plain prefix ("172.17")
  // and the ten USER_VERSION digits. False after a report when a text
  // cannot be converted to the active code page.
  static bool ComposeBase(HWND owner, const wchar_t* prefix, const char* version, std::string* out);
  // The ten digits of USER_VERSION (yymmddhhmm) from the clock.
  static void UserVersion(char* out11);

  const wchar_t* BasePath() const { return base_; }
  const wchar_t* TablePath() const { return table_; }
  const wchar_t* TableHrPath() const { return tableHr_; }
  const wchar_t* PostPath() const { return post_; }
  const wchar_t* PostHrPath() const { return postHr_; }

 private:
  static int instances_;
  ModuleGuard guard_;
  wchar_t base_[kTextMax + 1] = L"";
  wchar_t table_[kTextMax + 1] = L"";
  wchar_t tableHr_[kTextMax + 1] = L"";
  wchar_t post_[kTextMax + 1] = L"";
  wchar_t postHr_[kTextMax + 1] = L"";
};

extern CIp_Tbl ip_tbl;
