#include "std2/std2_optdlg.h"

#include <cstring>
#include <initializer_list>

#include "std/std_file.h"
#include "std/std_inetdlg.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"

int CHosts::instances_ = 0;
CHosts hosts MODULE_INIT;

const wchar_t* const kHostRowKeys[kHostRows] = {
    L"STYLES", L"STYLEL", L"PATTERNS", L"PATTERNL", L"PARTS",   L"MRV",     L"EFFDISP",
    L"WCAM",   L"OPTION1", L"OPTION2", L"OPTION3", L"OPTION4", L"OPTION5"};

CHosts::CHosts() : guard_(instances_, L"hosts", HERE) {}

int COptDlg::instances_ = 0;
COptDlg optdlg MODULE_INIT;

COptDlg::COptDlg() : guard_(instances_, L"optdlg", HERE) {}

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

namespace {
constexpr int kNetworkKey = kHostRows;  // after the thirteen row keys

bool StartsWithKey(const char* line, const wchar_t* key) {
  size_t n = wcslen(key);
  for (size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(line[i]) != key[i]) return false;
  return line[n] == ' ';
}

// A row line: "enabled ip name typeName segment url". True when taken.
bool ReadRow(const char* line, HostService& row) {
  char copy[TableText::kLineMax + 1];
  CopyTextA(copy, sizeof copy, line);
  char* t[6];
  long long enabled = 0, segment = 0;
  if (SplitTokens(copy, t, 6) < 6 || !ParseNumber(t[0], &enabled) || !ParseNumber(t[4], &segment) ||
      enabled < INT32_MIN || enabled > INT32_MAX)
    return false;
  HostService read = row;
  read.enabled = static_cast<int32_t>(enabled);
  if (!TokenToWide(t[1], read.ip, kHostFieldChars - 2) ||
      !TokenToWide(t[2], read.name, kHostFieldChars - 2) ||
      !TokenToWide(t[3], read.typeName, kHostFieldChars - 2) ||
      !TokenToWide(t[5], read.url, kHostUrlChars - 2))
    return false;
  if (read.enabled != 0 && !IpPad(read.ip, kHostFieldChars, nullptr, 0, 1)) return false;
  if (segment >= 0 && segment <= 9) read.segment = static_cast<int32_t>(segment);
  row = read;
  return true;
}
}  // namespace

int CHosts::Read(const TableText& text) {
  bool found[kHostRows + 1] = {};
  int left = kHostRows + 1;
  for (size_t i = 0; i < text.Count() && left > 0; ++i) {
    const char* line = text.Line(i);
    if (!line) continue;
    for (int key = 0; key <= kHostRows; ++key) {
      const wchar_t* name = key == kNetworkKey ? L"NETWORK" : kHostRowKeys[key];
      if (found[key] || !StartsWithKey(line, name)) continue;
      const char* rest = line + wcslen(name) + 1;
      bool taken;
      if (key == kNetworkKey) {
        char copy[TableText::kLineMax + 1];
        CopyTextA(copy, sizeof copy, rest);
        char* token[1];
        wchar_t prefix[kHostFieldChars];
        taken = SplitTokens(copy, token, 1) == 1 && !strstr(token[0], kNoStr) &&
                TokenToWide(token[0], prefix, kHostFieldChars - 2) &&
                IpPad(prefix, kHostFieldChars, nullptr, 0, 0);
        if (taken) CopyText(networkPrefix, kHostFieldChars, prefix);
      } else {
        taken = ReadRow(rest, HostServiceTable[key]);
      }
      if (taken) {
        found[key] = true;
        --left;
      } else {
        wchar_t shown[51];
        LineForReport(line, shown, 51);
        Report(nullptr, 2, L"%s:%d\r\nERROR host line: %s", HERE, shown);
      }
      break;
    }
  }
  return 1;
}

int CHosts::Write(FILE* f) {
  for (int row = 0; row < kHostRows; ++row) {
    const HostService& h = HostServiceTable[row];
    if (!FilePrint(f, L"%s %d %s %s %s %d %s\n", kHostRowKeys[row], h.enabled, TableField(h.ip),
                   TableField(h.name), TableField(h.typeName), h.segment, TableField(h.url)))
      return 0;
  }
  return FilePrint(f, L"NETWORK %s\n", TableField(networkPrefix)) ? 1 : 0;
}

void CHosts::Normalise() {
  HostService& net = HostServiceTable[kHostRowNetFunction];
  const wchar_t* shortPath = L"/netfunction";
  const wchar_t* longPath = L"/netfunction/index.cgi?1";
  switch (OPT_DETAIL) {
    case 1:
      CopyText(net.url, kHostUrlChars, net.enabled ? shortPath : longPath);
      break;
    case 2:
    case 3:
      HostServiceTable[0].enabled = HostServiceTable[1].enabled = net.enabled = 1;
      CopyText(net.url, kHostUrlChars, OPT_DETAIL == 2 ? shortPath : longPath);
      break;
    case 10:
      break;
    default:
      OPT_DETAIL = 0;
      break;
  }
}

namespace {
// The status of a row before and after its script was looked for; the
// row follows the script.
int SwitchByScript(std::initializer_list<int> rows, bool present) {
  bool wasOn = hosts.HostServiceTable[*rows.begin()].enabled != 0;
  for (int row : rows) hosts.HostServiceTable[row].enabled = present ? 1 : 0;
  return wasOn ? (present ? 3 : 2) : (present ? 1 : 0);
}
}  // namespace

void CHosts::CheckPaths() {
  wchar_t path[kTextMax + 1];
  profile.ReadString(L"HARN_PATH", L"C:\\Apache2\\htdocs\\harp\\pattern-load.cgi", path, kTextMax + 1);
  optdlg.harnStatus = SwitchByScript({kHostRowPatternSave, kHostRowPatternLoad}, file.Exists(path));
  // A configured path is used as it is; without one the defaults are tried
  // in order, the last without a check.
  static const wchar_t* const kMrvDefaults[] = {L"C:\\Apache2\\htdocs\\weaveax\\index.cgi",
                                                L"C:\\Apache2\\htdocs\\weavehr\\index.cgi",
                                                L"C:\\Apache2\\htdocs\\weave\\index.cgi"};
  for (const wchar_t* def : kMrvDefaults) {
    profile.ReadString(L"MRV_PATH", def, path, kTextMax + 1);
    if (file.Exists(path)) break;
  }
  optdlg.mrvStatus = SwitchByScript({kHostRowMonitor}, file.Exists(path));
}
