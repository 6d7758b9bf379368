#include "std2/std2_iptbl.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "std/std_date.h"
#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"
#include "std2/std2_main.h"
#include "std2/std2_optdlg.h"
#include "std2/std2_typdlg.h"

int CIp_Tbl::instances_ = 0;
CIp_Tbl ip_tbl MODULE_INIT;

namespace {
constexpr char kHeader[] = "HR600-MCARD-DATA ip_table -----------\n";
constexpr char kHeaderHr[] = "AXV600-MCARD-DATA ip_table -----------\n";
constexpr char kDelimiter[] = "-----------------------------host2axv";

// Appends one line formatted as wide text and converted to the active code
// page under the same rules as FilePrint: a text past its limit or with a
// character the code page lacks is refused, never cut or replaced, since a
// damaged line would mislead every loom that reads the table.
bool AppendLine(HWND owner, std::string* out, const wchar_t* fmt, ...) {
  wchar_t text[kFilePrintMax + 1];
  va_list args;
  va_start(args, fmt);
  int n = _vsnwprintf(text, kFilePrintMax + 1, fmt, args);
  va_end(args);
  DWORD error = ERROR_SUCCESS;
  if (n < 0 || n > kFilePrintMax) error = ERROR_INSUFFICIENT_BUFFER;
  char bytes[kFilePrintMax * 2 + 1];
  int m = 0;
  if (error == ERROR_SUCCESS && n > 0) {
    BOOL usedDefault = FALSE;
    m = WideCharToMultiByte(lang.codePage, WC_NO_BEST_FIT_CHARS, text, n, bytes,
                            static_cast<int>(sizeof bytes), nullptr, &usedDefault);
    if (m == 0)
      error = GetLastError();
    else if (usedDefault)
      error = ERROR_NO_UNICODE_TRANSLATION;
  }
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    Report(owner, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":WideCharToMultiByte"));
    return false;
  }
  out->append(bytes, static_cast<size_t>(m));
  out->push_back('\n');
  return true;
}

// Writes composed bytes ("\n" line ends, made CR LF by text mode) through a
// scratch file beside the target that replaces it in one step.
int WriteComposed(HWND owner, const wchar_t* target, const std::string& bytes, const wchar_t* name,
                  const wchar_t* openFailure) {
  return WriteTextFile(
      owner, target,
      [&](FILE* f) {
        if (fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size()) return true;
        wchar_t context[64];
        Format(context, 64, L":fwrite(%s)", name);
        Report(owner, 0, L"%s:%d\r\n%s", HERE, SysErrorText(context));
        return false;
      },
      HERE, openFailure);
}

std::string UploadBody(const std::string& table) {
  std::string body;
  body.reserve(table.size() + 256);
  body += kDelimiter;
  body += "\nContent-Disposition: form-data; name=\"mode\"\n\nset_ip_table\n";
  body += kDelimiter;
  body +=
      "\nContent-Disposition: form-data; name=\"file\"; filename=\"ip_table.txt\"\n"
      "Content-Type: text/plain\n\n";
  body += table;
  body += "\n";
  body += kDelimiter;
  body += "--\n";
  return body;
}

bool VersionTextsUsable(const wchar_t* d, const wchar_t* t) {
  if (wcslen(d) < 10 || wcslen(t) < 5) return false;
  for (int i : {2, 3, 5, 6, 8, 9})
    if (d[i] < L'0' || d[i] > L'9') return false;
  for (int i : {0, 1, 3, 4})
    if (t[i] < L'0' || t[i] > L'9') return false;
  return true;
}
}  // namespace

bool HostRowPublished(int row) {
  if (row < 0 || row >= kHostRows) return false;
  const HostService* h = hosts.HostServiceTable;
  // The save/load and pattern pairs serve together, switched by their first row.
  if (row <= 1) return h[0].enabled != 0;
  if (row <= 3) return h[2].enabled != 0;
  if (row == kHostRowNetFunction && OPT_DETAIL < 10) return true;
  return h[row].enabled != 0;
}

CIp_Tbl::CIp_Tbl() : guard_(instances_, L"ip_tbl", HERE) {}

int CIp_Tbl::LoadPaths() {
  wchar_t def[kTextMax + 1];
  Format(def, kTextMax + 1, L"%s/base.txt", profile.dir);
  profile.ReadString(L"IP_BASE", def, base_, kTextMax + 1);
  profile.ReadString(L"IP_TABLE", L"C:\\Apache2\\htdocs\\wnet\\iptable\\ip_table.txt", table_,
                     kTextMax + 1);
  profile.ReadString(L"IP_TABLE_HR", L"C:\\Apache2\\htdocs\\wnet\\iptable\\ip_table_hr.txt",
                     tableHr_, kTextMax + 1);
  Format(def, kTextMax + 1, L"%s/post.txt", profile.dir);
  profile.ReadString(L"POST", def, post_, kTextMax + 1);
  Format(def, kTextMax + 1, L"%s/post_hr.txt", profile.dir);
  profile.ReadString(L"POST_HR", def, postHr_, kTextMax + 1);
  return 1;
}

void CIp_Tbl::UserVersion(char* out11) {
  wchar_t d[kClockTextMin] = L"", t[kClockTextMin] = L"";
  // Without the clock's texts the time comes straight from its source, so
  // the line always holds ten digits.
  if (!date.GetDate(d) || !date.GetTime(t) || !VersionTextsUsable(d, t)) {
    SYSTEMTIME now;
    ReadLocalTime(&now);
    FormatDateText(now, d, kClockTextMin);
    FormatTimeText(now, t, kClockTextMin);
  }
  const wchar_t picks[10] = {d[2], d[3], d[5], d[6], d[8], d[9], t[0], t[1], t[3], t[4]};
  for (int i = 0; i < 10; ++i)
    out11[i] = picks[i] >= L'0' && picks[i] <= L'9' ? char(picks[i]) : '0';
  out11[10] = '\0';
}

bool CIp_Tbl::ComposeBase(HWND owner, const wchar_t* prefix, const char* version,
                          std::string* out) {
  std::string& s = *out;
  s.clear();
  s.reserve(64 * 1024);
  s += "FORMAT          2\nUSER_VERSION    ";
  s += version;
  s += "\n";
  const auto& names = types.TypeNames;
  if (!AppendLine(owner, out, L"TYPE  0 1 %s", names[0])) return false;
  for (int n = 1; n < kTypeCount; ++n) {
    bool ok = names[n][0] ? AppendLine(owner, out, L"TYPE %2d 0 %s", n, names[n])
                          : AppendLine(owner, out, L"TYPE %2d 0", n);
    if (!ok) return false;
  }
  for (int n = 10; n <= 19; ++n) {
    char line[16];
    snprintf(line, sizeof line, "TYPE %d 0\n", n);
    s += line;
  }
  // Every addressed cell is published, whatever its kind: a loom is type 0
  // and its request path is "/".
  for (int i = 0; i < kCells; ++i) {
    const LayoutCell& c = layout[i];
    if (c.ip[0] == L'\0') continue;
    wchar_t address[20];
    Format(address, 20, L"%s.%s", prefix, IpPlain(c.ip, 0));
    if (!AppendLine(owner, out, L"%-15s  %-5s        0 %s /", address, c.name,
                    SegmentLabel(c.segment)))
      return false;
  }
  for (int row = 0; row < kHostRows; ++row) {
    if (!HostRowPublished(row)) continue;
    const HostService& h = hosts.HostServiceTable[row];
    wchar_t address[20];
    CopyText(address, 20, IpPlain(h.ip, 1));
    if (!AppendLine(owner, out, L"%-15s  %-12s %d %s %s", address, h.name,
                    types.IndexOf(h.typeName), SegmentLabel(h.segment), h.url))
      return false;
  }
  s += "#end_of_data\n";
  return true;
}

int CIp_Tbl::Make(HWND owner) {
  char version[11];
  UserVersion(version);
  wchar_t prefix[20];
  CopyText(prefix, 20, IpPlain(hosts.networkPrefix, 0));
  // The body is built once; both tables and both bodies are composed from
  // these bytes, so nothing is read back from a file just written.
  std::string base;
  if (!ComposeBase(owner, prefix, version, &base)) return 0;
  if (!WriteComposed(owner, base_, base, L"base.txt", L"%s:%d\r\nCan't Open base.txt")) return 0;

  const std::string table = kHeader + base;
  if (!CreateDirFor(owner, table_)) return 0;
  if (!WriteComposed(owner, table_, table, L"ip_table.txt", L"%s:%d\r\nCan't Open ip_table.txt"))
    return 0;
  const std::string tableHr = kHeaderHr + base;
  if (!CreateDirFor(owner, tableHr_)) return 0;
  if (!WriteComposed(owner, tableHr_, tableHr, L"ip_table_hr.txt",
                     L"%s:%d\r\nCan't Open ip_table_hr.txt"))
    return 0;

  if (!WriteComposed(owner, post_, UploadBody(table), L"post.txt", L"%s:%d\r\nCan't Open post.txt"))
    return 0;
  if (!WriteComposed(owner, postHr_, UploadBody(tableHr), L"post_hr.txt",
                     L"%s:%d\r\nCan't Open post_hr.txt"))
    return 0;
  return 1;
}
