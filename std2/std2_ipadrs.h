// The address lists of the server applications: every loom address of the
// layout as compact ranges in ipaddress.txt, written for the factory-data
// application and copied to the MRV, HARN, weaveax and weavehr places.
#pragma once

#include "std/std.h"

// Setting keys (section SETTING) of the five list places, with defaults.
extern const wchar_t* const kFactdataIpadrsKey;
extern const wchar_t* const kFactdataIpadrsDefault;
struct IpadrsCopyPlace {
  const wchar_t* key;
  const wchar_t* defaultPath;
  const wchar_t* failure;  // report format ("%s:%d\r\n..." of file and line)
};
constexpr int kIpadrsCopies = 4;
// In copy order: MRV, HARN, weaveax, weavehr.
extern const IpadrsCopyPlace kIpadrsCopyPlaces[kIpadrsCopies];

// Writes the list of every cell's address (prefix in plain "%d.%d" form,
// e.g. "172.17"; the caller's text is not changed) in one step, then copies
// it to the four other places, stopping at the first failure after a report
// with owner as the owner of the box. Always 1: the export that calls it
// goes on whatever happened here.
int WriteAddressLists(HWND owner, const wchar_t* prefix);
