// Loom type names TYPE0..TYPE9; a host row's type is looked up here.
#pragma once

#include <cstdio>

#include "std/std.h"

class TableText;

constexpr int kTypeCount = 10;
constexpr int kTypeNameChars = 21;

class CTypes {
 public:
  CTypes();
  // "LOOM", "HOST", "ECBOAD", "WCAM", "DOCUMENT", then five empty names.
  void Defaults();
  // The TYPE0..TYPE9 lines of a table file; a type without a line keeps its name.
  int Read(const TableText& text);
  int Write(FILE* f);
  // Type number of a host row: the index of the first non-empty name equal
  // to typeName (case-sensitive, whole string); 0 when none is.
  int IndexOf(const wchar_t* typeName) const;

  wchar_t TypeNames[kTypeCount][kTypeNameChars] = {};

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CTypes types;
