#include "std2/std2_ipadrs.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"

const wchar_t* const kFactdataIpadrsKey = L"FACTDATA_IPADRS";
const wchar_t* const kFactdataIpadrsDefault = L"C:\\Apache2\\htdocs\\factdata\\setting\\ipaddress.txt";

const IpadrsCopyPlace kIpadrsCopyPlaces[kIpadrsCopies] = {
    {L"MRV_IPADRS", L"C:\\mrv\\data\\ipaddress.txt", L"%s:%d\r\nCan't Open mrv/ipaddress.txt"},
    {L"HARN_IPADRS", L"C:\\Apache2\\htdocs\\harn\\setting\\ipaddress.txt",
     L"%s:%d\r\nCan't Open harn/ipaddress.txt"},
    {L"WEAVAX_IPADRS", L"C:\\weaveax\\data\\ipaddress.txt",
     L"%s:%d\r\nCan't Open weaveax/ipaddress.txt"},
    {L"WEAVHR_IPADRS", L"C:\\weavehr\\data\\ipaddress.txt",
     L"%s:%d\r\nCan't Open weavehr/ipaddress.txt"},
};

namespace {

// The stored address cut as the list keeps it.
constexpr size_t kEntryChars = 9;

struct Address {
  int c;
  int d;
};

// Every addressed cell, row by row, whatever its kind, in address order.
std::vector<Address> CollectAddresses() {
  std::vector<std::wstring> entries;
  entries.reserve(kCells);
  for (int i = 0; i < kCells; ++i) {
    const wchar_t* ip = layout[i].ip;
    if (ip[0] == L'\0') continue;
    entries.emplace_back(ip, wcsnlen(ip, kEntryChars));
  }
  // Zero-padded texts: comparing the character codes is numeric order.
  std::sort(entries.begin(), entries.end());
  std::vector<Address> out;
  out.reserve(entries.size());
  for (const std::wstring& e : entries) {
    // The shared parser reads both numbers, so an ill-formed entry can
    // never be read past its end.
    Address a = {0, 0};
    swscanf(IpPlain(e.c_str(), 0), L"%d.%d", &a.c, &a.d);
    out.push_back(a);
  }
  return out;
}

// One line per run of consecutive fourth octets within one third octet.
bool WriteRanges(FILE* f, const wchar_t* blankPrefix, const std::vector<Address>& list) {
  size_t i = 0;
  while (i < list.size()) {
    size_t last = i;
    while (last + 1 < list.size() && list[last + 1].c == list[i].c &&
           list[last + 1].d == list[last].d + 1)
      ++last;
    // FilePrint has reported a line it cannot write; the file is abandoned.
    if (!FilePrint(f, L"%s %d %d %d\n", blankPrefix, list[i].c, list[i].d, list[last].d))
      return false;
    i = last + 1;
  }
  return true;
}

}  // namespace

int WriteAddressLists(HWND owner, const wchar_t* prefix) {
  std::vector<Address> list = CollectAddresses();

  // The first point becomes a blank in a copy: the caller's text stays.
  wchar_t blankPrefix[kTextMax + 1];
  CopyText(blankPrefix, kTextMax + 1, prefix ? prefix : L"");
  if (wchar_t* point = wcschr(blankPrefix, L'.')) *point = L' ';

  wchar_t listPath[kTextMax + 1];
  profile.ReadString(kFactdataIpadrsKey, kFactdataIpadrsDefault, listPath, kTextMax + 1);
  if (!CreateDirFor(owner, listPath)) return 1;
  if (!WriteTextFile(
          owner, listPath, [&](FILE* f) { return WriteRanges(f, blankPrefix, list); }, HERE,
          L"%s:%d\r\nCan't Open factdata/ipaddress.txt"))
    return 1;

  for (const IpadrsCopyPlace& place : kIpadrsCopyPlaces) {
    wchar_t target[kTextMax + 1];
    profile.ReadString(place.key, place.defaultPath, target, kTextMax + 1);
    if (!CreateDirFor(owner, target)) return 1;
    if (!file.ShellOp(owner, FO_COPY, listPath, target, 0, HERE, kSilent)) {
      Report(owner, 0, place.failure, HERE);
      return 1;
    }
  }
  return 1;
}
