#include "std2/std2_optdlg.h"

#include <cstring>

#include "std/std_inetdlg.h"

int CHosts::instances_ = 0;
CHosts hosts MODULE_INIT;

const wchar_t* const kHostRowKeys[kHostRows] = {
    L"STYLES", L"STYLEL", L"PATTERNS", L"PATTERNL", L"PARTS",   L"MRV",     L"EFFDISP",
    L"WCAM",   L"OPTION1", L"OPTION2", L"OPTION3", L"OPTION4", L"OPTION5"};

CHosts::CHosts() : guard_(instances_, L"hosts", HERE) {}

namespace {
struct RowDefault {
  const wchar_t* name;
  const wchar_t* typeName;
  const wchar_t* url;
};
// Rows 9..11 are free for the site's own services.
const RowDefault kRowDefaults[kHostRows] = {
    {L"SAVE", L"HOST", L"/tdm/tdm0.cgi"},
    {L"LOAD", L"HOST", L"/tdm/tdm1.cgi"},
    {L"PATTERNSAVE", L"HOST", L"/tdm/tdm2.cgi"},
    {L"PATTERNLOAD", L"HOST", L"/tdm/tdm3.cgi"},
    {L"CATALOG", L"DOCUMENT", L"/cgi-bin/ca03.cgi"},
    {L"MRVHOST", L"HOST", L"/weave"},
    {L"ECBOAD0", L"ECBOAD", L"/"},
    {L"WCAM", L"WCAM", L"/"},
    {L"FACT", L"HOST", L"/netfunction"},
    {L"", L"HOST", L""},
    {L"", L"HOST", L""},
    {L"", L"HOST", L""},
    {L"MAVO", L"HOST", L"/imavo/monitor.html"},
};
}  // namespace

void CHosts::Defaults() {
  const bool mavo = intdlg.iMAVO != 0;
  memset(HostServiceTable, 0, sizeof HostServiceTable);
  memset(networkPrefix, 0, sizeof networkPrefix);
  CopyText(networkPrefix, kHostFieldChars, L"172.017");
  HostServiceTable[4].enabled = 1;
  HostServiceTable[kHostRowNetFunction].enabled = 1;
  HostServiceTable[kHostRowMavo].enabled = mavo ? 1 : 0;
  const wchar_t* host = mavo ? L"172.017.000.201" : L"172.017.001.240";
  for (int row = 0; row <= kHostRowNetFunction; ++row)
    CopyText(HostServiceTable[row].ip, kHostFieldChars, host);
  CopyText(HostServiceTable[kHostRowMavo].ip, kHostFieldChars, L"172.017.000.210");
  for (int row = 0; row < kHostRows; ++row) {
    HostService& h = HostServiceTable[row];
    CopyText(h.name, kHostFieldChars, kRowDefaults[row].name);
    CopyText(h.typeName, kHostFieldChars, kRowDefaults[row].typeName);
    CopyText(h.url, kHostUrlChars, kRowDefaults[row].url);
  }
}
