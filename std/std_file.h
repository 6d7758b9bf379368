// Whole-file helpers: shell copy and delete, size, fixed-length blocks,
// existence, whole-file load, the save-as dialog, and the one-step replace
// that every published file goes through.
#pragma once

#include "std/std.h"

#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Default shell flags: silent, no questions, no shell error dialog, undo kept.
constexpr FILEOP_FLAGS kShellDefaultFlags = 0x454;

class CFile {
 public:
  CFile();
  virtual ~CFile() = default;
  // Shell operation (FO_MOVE, FO_COPY, FO_DELETE, FO_RENAME); a copy lands
  // on its target in one step, so a failure keeps the old target.
  virtual int ShellOp(HWND owner, UINT op, const wchar_t* source, const wchar_t* target,
                      FILEOP_FLAGS flags, const wchar_t* srcFile, int line, int mode);
  int GetSize(HWND owner, const wchar_t* path, DWORD* size, const wchar_t* srcFile, int line,
              int mode);
  int BinWrite(HWND owner, const wchar_t* fileName, const void* bytes, DWORD length,
               const wchar_t* srcFile, int line);
  int BinRead(const wchar_t* fileName, void* buf, DWORD length);
  int BinReadPath(HWND owner, const wchar_t* path, void* buf, DWORD length,
                  const wchar_t* srcFile, int line, int mode);
  // 1 when the file is there: it can be opened for reading, or the open is
  // refused only because another program holds it.
  int Exists(const wchar_t* path);
  // The chosen path, or an empty text on cancel or failure; the buffer is
  // shared by every call.
  const wchar_t* ChooseSaveFile(HWND owner, const wchar_t* srcFile, int line);

 private:
  static int instances_;
  ModuleGuard guard_;
  wchar_t chosen_[kTextMax + 1] = L"";
};

extern CFile file;

// Loads a whole file into a new buffer (freeing *buf first) that always ends
// in ten zero bytes; the caller frees it with free(). Returns the size, or 0
// on any failure (the buffer then holds ten zero bytes).
size_t LoadWholeFile(HWND owner, char** buf, const wchar_t* path, const wchar_t* srcFile,
                     int line);

// The scratch file beside a target: the target's path with ".tmp~".
int ScratchPathFor(const wchar_t* target, wchar_t* out, size_t cap);
// Moves a finished scratch file onto its target in one step; on failure the
// old target stays, the scratch is removed and the last error is kept.
int ReplaceFromScratch(const wchar_t* scratch, const wchar_t* target);

// True when the file opens for reading (shared as a reader would open it).
bool CanOpenForReading(const wchar_t* path);
// True when nothing is at the path (the file or its folder is missing);
// a file that is there but locked is not missing.
bool IsMissing(const wchar_t* path);

// 1 when the file at path opens for reading. Otherwise runs write when
// nothing is there (a locked file is never written over) and returns 0.
int EnsureFile(const wchar_t* path, const std::function<void()>& write);
// Copies a table file to the factory server's place: the path under the
// settings key (SETTING), else defaultPath; its folders are created first.
// 1 when copied; a failed copy is silent (callers say what failed).
int PlaceFactoryCopy(HWND owner, const wchar_t* source, const wchar_t* key,
                     const wchar_t* defaultPath, const wchar_t* srcFile, int line);

// Writes a text file (text mode: "\n" becomes CR LF) through a scratch file
// beside the target and replaces the target in one step. writeLines returns
// false after reporting its own failure. 0 after a report (with the
// caller's position), the old target intact.
// openFailure, when given, is the report format ("%s:%d\r\n..." of source
// file and line) for a file that cannot be opened; else "ERROR Open(w) %s".
int WriteTextFile(HWND owner, const wchar_t* target, const std::function<bool(FILE*)>& writeLines,
                  const wchar_t* srcFile, int line, const wchar_t* openFailure = nullptr);

// An 8-bit table file split into lines as the table readers see them: line
// ends (LF or CR LF) removed, the header line and everything from the first
// line holding "#end_of_data" left out. A line whose text passes 259 bytes
// is kept only as a mark, so its tail is never read as a line.
class TableText {
 public:
  static constexpr size_t kLineMax = 259;
  // 1 when read; 0 with the system's error code set when the file cannot be
  // opened or read (nothing reported).
  int Load(const wchar_t* path);
  // Load, logging a file that cannot be read ("ERROR Open(r): %s", mode 2,
  // with the caller's position): the tables read at start-up say it once.
  int LoadOrLog(const wchar_t* path, const wchar_t* srcFile, int line);
  size_t Count() const { return lines_.size(); }
  // The line's text, or nullptr for a line that was too long.
  const char* Line(size_t i) const { return tooLong_[i] ? nullptr : lines_[i].c_str(); }
  // The line's text; for a line that was too long, nullptr after the report
  // "ERROR line too long" with the caller's position.
  const char* LineOrReport(size_t i, const wchar_t* srcFile, int line) const;

 private:
  std::vector<std::string> lines_;
  std::vector<bool> tooLong_;
};

// The first 50 characters of a table line, for a report.
void LineForReport(const char* line, wchar_t* out, size_t cap);

// Splits a line into blank-separated tokens in place; the number found.
int SplitTokens(char* line, char** tokens, int max);
// A whole token of optional sign and decimal digits. A value past 32 bits
// comes back as one no range accepts.
bool ParseNumber(const char* token, long long* value);
constexpr long long kNumberTooLarge = 1LL << 40;
