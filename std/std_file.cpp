#include "std/std_file.h"

#include <commdlg.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "std/std_lang.h"
#include "std/std_profile.h"

int CFile::instances_ = 0;
CFile file MODULE_INIT;

CFile::CFile() : guard_(instances_, L"file", HERE) {}

int ScratchPathFor(const wchar_t* target, wchar_t* out, size_t cap) {
  if (wcslen(target) + 5 + 1 > cap) {
    if (cap) out[0] = L'\0';
    return 0;
  }
  Format(out, cap, L"%s.tmp~", target);
  return 1;
}

int ReplaceFromScratch(const wchar_t* scratch, const wchar_t* target) {
  // A server reading the target holds it for a moment: retry briefly
  // (half a second in all) before giving up.
  DWORD error = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (MoveFileExW(scratch, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
    error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
    Sleep(100);
  }
  DeleteFileW(scratch);
  SetLastError(error);
  return 0;
}

// Shell paths: backslashes, ended by two terminators.
static void ShellList(wchar_t* out, size_t cap, const wchar_t* path) {
  int n = CopyText(out, cap - 1, path);
  for (int i = 0; i < n; ++i)
    if (out[i] == L'/') out[i] = L'\\';
  out[n + 1] = L'\0';
}

static bool DirectoryOfExists(const wchar_t* path) {
  wchar_t dir[kTextMax + 1];
  CopyText(dir, kTextMax + 1, path);
  wchar_t* slash = nullptr;
  for (wchar_t* p = dir; *p; ++p)
    if (*p == L'/' || *p == L'\\') slash = p;
  if (!slash) return true;  // relative to the current directory
  *slash = L'\0';
  if (slash == dir || (slash == dir + 2 && dir[1] == L':')) {
    // A drive root keeps its separator for the test.
    slash[0] = L'\\';
    slash[1] = L'\0';
  }
  DWORD attr = GetFileAttributesW(dir);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

static int RunShell(HWND owner, UINT op, const wchar_t* source, const wchar_t* target,
                    FILEOP_FLAGS flags) {
  wchar_t from[kTextMax + 2], to[kTextMax + 2];
  ShellList(from, kTextMax + 2, source);
  if (target) ShellList(to, kTextMax + 2, target);
  SHFILEOPSTRUCTW op_ = {};
  op_.hwnd = owner;
  op_.wFunc = op;
  op_.pFrom = from;
  op_.pTo = (op == FO_MOVE || op == FO_COPY || op == FO_RENAME) && target ? to : nullptr;
  op_.fFlags = flags ? flags : kShellDefaultFlags;
  int result = SHFileOperationW(&op_);
  if (result == 0 && op_.fAnyOperationsAborted) result = ERROR_CANCELLED;
  return result;
}

int CFile::ShellOp(HWND owner, UINT op, const wchar_t* source, const wchar_t* target,
                   FILEOP_FLAGS flags, const wchar_t* srcFile, int line, int mode) {
  int result = 0;
  if (op == FO_COPY && target) {
    // Copy beside the target, then replace it in one step.
    wchar_t scratch[kTextMax + 1];
    if (!DirectoryOfExists(target)) {
      result = ERROR_PATH_NOT_FOUND;
    } else if (!ScratchPathFor(target, scratch, kTextMax + 1)) {
      result = ERROR_FILENAME_EXCED_RANGE;
    } else if (DWORD attr = GetFileAttributesW(scratch);
               attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) {
      // Never copy into a folder in the scratch file's place, nor move it.
      result = ERROR_ALREADY_EXISTS;
    } else {
      result = RunShell(owner, op, source, scratch, flags);
      if (result != 0) DeleteFileW(scratch);
      else if (!ReplaceFromScratch(scratch, target)) result = static_cast<int>(GetLastError());
    }
  } else {
    result = RunShell(owner, op, source, target, flags);
  }
  if (result == 0) return 1;
  SetLastError(static_cast<DWORD>(result));
  ReportFor(owner, mode, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L"SHFileOperation ERROR"));
  return 0;
}

int CFile::GetSize(HWND owner, const wchar_t* path, DWORD* size, const wchar_t* srcFile, int line,
                   int mode) {
  HANDLE h = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ReportFor(owner, mode, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L"CreateFile ERROR"));
    return 0;
  }
  LARGE_INTEGER big;
  BOOL ok = GetFileSizeEx(h, &big);
  DWORD error = GetLastError();
  CloseHandle(h);
  // Sizes are 32-bit throughout; a larger file is refused, never wrapped.
  if (ok && big.QuadPart > 0xFFFFFFFFLL) {
    ok = FALSE;
    error = ERROR_FILE_TOO_LARGE;
  }
  if (!ok) {
    SetLastError(error);
    ReportFor(owner, mode, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L"GetFileSize ERROR"));
    return 0;
  }
  *size = static_cast<DWORD>(big.QuadPart);
  return 1;
}

// Reads until length bytes are in or the file ends.
static bool ReadAll(int fd, void* buf, DWORD length) {
  char* p = static_cast<char*>(buf);
  DWORD done = 0;
  while (done < length) {
    DWORD chunk = length - done > 0x40000000 ? 0x40000000 : length - done;
    int n = _read(fd, p + done, chunk);
    if (n <= 0) return false;
    done += static_cast<DWORD>(n);
  }
  return true;
}

int CFile::BinWrite(HWND owner, const wchar_t* fileName, const void* bytes, DWORD length,
                    const wchar_t* srcFile, int line) {
  wchar_t path[kTextMax + 1];
  JoinPath(path, kTextMax + 1, profile.dir, fileName);
  int fd = -1;
  if (_wsopen_s(&fd, path, _O_WRONLY | _O_CREAT | _O_BINARY, _SH_DENYRW, _S_IREAD | _S_IWRITE) !=
      0) {
    Report(owner, 0, L"%s:%d\r\nCFile::BinWrite _tsopen_s ERROR", srcFile, line);
    return 0;
  }
  int n = _write(fd, bytes, length);
  _close(fd);
  if (n < 0 || static_cast<DWORD>(n) != length) {
    Report(owner, 0, L"%s:%d\r\nCFile::BinWrite write ERROR", srcFile, line);
    return 0;
  }
  return 1;
}

int CFile::BinRead(const wchar_t* fileName, void* buf, DWORD length) {
  wchar_t path[kTextMax + 1];
  JoinPath(path, kTextMax + 1, profile.dir, fileName);
  int fd = -1;
  if (_wsopen_s(&fd, path, _O_RDONLY | _O_BINARY, _SH_DENYRW, 0) != 0) return 0;
  bool ok = ReadAll(fd, buf, length);
  _close(fd);
  return ok ? 1 : 0;
}

int CFile::BinReadPath(HWND owner, const wchar_t* path, void* buf, DWORD length,
                       const wchar_t* srcFile, int line, int mode) {
  int fd = -1;
  if (_wsopen_s(&fd, path, _O_RDONLY | _O_BINARY, _SH_DENYRW, 0) != 0) {
    ReportFor(owner, mode, L"%s:%d\r\nCFile::BinReadPath _tsopen_s ERROR", srcFile, line);
    return 0;
  }
  bool ok = ReadAll(fd, buf, length);
  _close(fd);
  if (!ok) {
    ReportFor(owner, mode, L"%s:%d\r\nCFile::BinReadPath read ERROR", srcFile, line);
    return 0;
  }
  return 1;
}

int CFile::Exists(const wchar_t* path) {
  // Shared open: a file another program holds open still exists, and an
  // open refused only for sharing means the file is there.
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? 1 : 0;
  CloseHandle(h);
  return 1;
}

const wchar_t* CFile::ChooseSaveFile(HWND owner, const wchar_t* srcFile, int line) {
  chosen_[0] = L'\0';
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = L"Log File Profiles(*.txt)\0*.txt\0All Files(*.*)\0*.*\0";
  ofn.lpstrFile = chosen_;
  ofn.nMaxFile = kTextMax + 1;
  ofn.lpstrTitle = L"Log File Save";
  // Saving under a new name must work, so no "file must exist".
  ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
  if (GetSaveFileNameW(&ofn)) return chosen_;
  chosen_[0] = L'\0';
  DWORD error = CommDlgExtendedError();
  if (error != 0)
    Report(owner, 0, L"%s:%d\r\nGetSaveFileName:0x%08x", srcFile, line, static_cast<unsigned>(error));
  return chosen_;
}

size_t LoadWholeFile(HWND owner, char** buf, const wchar_t* path, const wchar_t* srcFile,
                     int line) {
  constexpr size_t kTail = 10;
  if (*buf) {
    free(*buf);
    *buf = nullptr;
  }
  DWORD size = 0;
  if (!file.GetSize(owner, path, &size, srcFile, line, 0)) size = 0;
  char* data = static_cast<char*>(calloc(size_t{size} + kTail, 1));
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":calloc"));
    size = 0;
    data = static_cast<char*>(calloc(kTail, 1));
  }
  *buf = data;
  if (size == 0) return 0;
  if (!file.BinReadPath(owner, path, data, size, srcFile, line, 0)) {
    memset(data, 0, size_t{size} + kTail);
    return 0;
  }
  return size;
}

int TableText::Load(const wchar_t* path) {
  lines_.clear();
  tooLong_.clear();
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::string data;
  char chunk[65536];
  DWORD got = 0;
  BOOL ok;
  while ((ok = ReadFile(h, chunk, sizeof chunk, &got, nullptr)) && got > 0) data.append(chunk, got);
  DWORD error = GetLastError();
  CloseHandle(h);
  if (!ok) {
    SetLastError(error);
    return 0;
  }
  size_t start = 0;
  bool header = true;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    size_t next = end == std::string::npos ? data.size() : end + 1;
    if (end == std::string::npos) end = data.size();
    size_t len = end - start;
    if (len > 0 && data[start + len - 1] == '\r') --len;
    std::string line = data.substr(start, len);
    start = next;
    if (header) {  // written for people, never read back
      header = false;
      continue;
    }
    bool tooLong = line.size() > kLineMax;
    if (!tooLong && line.find("#end_of_data") != std::string::npos) break;
    // Text mode stops at a NUL for C strings anyway; keep the C view honest.
    line.resize(strlen(line.c_str()));
    lines_.push_back(std::move(line));
    tooLong_.push_back(tooLong);
  }
  return 1;
}

int TableText::LoadOrLog(const wchar_t* path, const wchar_t* srcFile, int line) {
  if (Load(path)) return 1;
  Report(nullptr, 2, L"%s:%d\r\nERROR Open(r): %s", srcFile, line, path);
  return 0;
}

static bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

int SplitTokens(char* line, char** tokens, int max) {
  int count = 0;
  char* p = line;
  while (*p && count < max) {
    while (IsBlankChar(*p)) *p++ = '\0';
    if (!*p) break;
    tokens[count++] = p;
    while (*p && !IsBlankChar(*p)) ++p;
  }
  // Cut what follows the last token taken.
  if (*p) *p = '\0';
  return count;
}

bool ParseNumber(const char* token, long long* value) {
  const char* p = token;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (*p < '0' || *p > '9') return false;
  long long v = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (v < kNumberTooLarge) v = v * 10 + (*p - '0');
  if (*p) return false;
  if (v > 0xFFFFFFFFLL) v = kNumberTooLarge;
  *value = negative ? -v : v;
  return true;
}

int WriteTextFile(HWND owner, const wchar_t* target, const std::function<bool(FILE*)>& writeLines,
                  const wchar_t* srcFile, int line, const wchar_t* openFailure) {
  wchar_t scratch[kTextMax + 1];
  FILE* f = nullptr;
  if (ScratchPathFor(target, scratch, kTextMax + 1)) f = _wfopen(scratch, L"wt");
  if (!f) {
    if (openFailure) Report(owner, 0, openFailure, srcFile, line);
    else Report(owner, 0, L"%s:%d\r\nERROR Open(w) %s", srcFile, line, target);
    return 0;
  }
  bool ok = writeLines(f);
  if (ok && (fflush(f) != 0 || ferror(f) || _commit(_fileno(f)) != 0)) {
    Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":fwrite"));
    ok = false;
  }
  if (fclose(f) != 0 && ok) {
    Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":fclose"));
    ok = false;
  }
  if (!ok) {
    DeleteFileW(scratch);
    return 0;
  }
  if (!ReplaceFromScratch(scratch, target)) {
    const wchar_t* name = target;
    for (const wchar_t* p = target; *p; ++p)
      if (*p == L'/' || *p == L'\\') name = p + 1;
    wchar_t context[kTextMax + 16];
    Format(context, kTextMax + 16, L":MoveFileEx(%s)", name);
    Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(context));
    return 0;
  }
  return 1;
}

bool CanOpenForReading(const wchar_t* path) {
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool IsMissing(const wchar_t* path) {
  if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

int EnsureFile(const wchar_t* path, const std::function<void()>& write) {
  if (CanOpenForReading(path)) return 1;
  if (IsMissing(path)) write();
  return 0;
}

int PlaceFactoryCopy(HWND owner, const wchar_t* source, const wchar_t* key,
                     const wchar_t* defaultPath, const wchar_t* srcFile, int line) {
  wchar_t target[kTextMax + 1];
  profile.ReadString(key, defaultPath, target, kTextMax + 1);
  if (!CreateDirFor(owner, target)) return 0;
  return file.ShellOp(owner, FO_COPY, source, target, 0, srcFile, line, kSilent);
}

void LineForReport(const char* line, wchar_t* out, size_t cap) {
  constexpr size_t kShown = 50;
  wchar_t wide[TableText::kLineMax + 2] = L"";
  // Lenient on purpose: the report must show the line even when its bytes are bad.
  MultiByteToWideChar(lang.codePage, 0, line, -1, wide, TableText::kLineMax + 1);
  wide[TableText::kLineMax + 1] = L'\0';
  CopyText(out, cap < kShown + 1 ? cap : kShown + 1, wide);
}

const char* TableText::LineOrReport(size_t i, const wchar_t* srcFile, int line) const {
  if (!tooLong_[i]) return lines_[i].c_str();
  wchar_t shown[51];
  LineForReport(lines_[i].c_str(), shown, 51);
  Report(nullptr, 0, L"%s:%d\r\nERROR line too long: %s", srcFile, line, shown);
  return nullptr;
}
