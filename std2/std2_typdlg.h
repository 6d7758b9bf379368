// Loom type names TYPE0..TYPE9; a host row's type is looked up here.
#pragma once

#include "std/std.h"

constexpr int kTypeCount = 10;
constexpr int kTypeNameChars = 21;

class CTypes {
 public:
  CTypes();
  // "LOOM", "HOST", "ECBOAD", "WCAM", "DOCUMENT", then five empty names.
  void Defaults();

  wchar_t TypeNames[kTypeCount][kTypeNameChars] = {};

 private:
  static int instances_;
  ModuleGuard guard_;
};

extern CTypes types;
