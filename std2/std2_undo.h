// The undo store: the last ten states of the layout table as files of the
// settings directory, for one run.
#pragma once

#include "std/std.h"

constexpr int kUndoSlots = 10;

class CUndo {
 public:
  CUndo();
  // Builds the ring and deletes the undo files of earlier runs.
  void Init();
  // Stores the table (marks stripped) and the gaps in the write slot.
  void Snapshot(HWND owner);
  // Loads the snapshot before the current one (or the newest); 0 when none
  // can be loaded, the table then unchanged.
  int Restore(HWND owner);

  int writeSlot = 0;
  int currentSlot = 0;

 private:
  // Reads a slot whole into scratch; the table is touched only on success.
  bool Load(int slot);
  static void FileNames(int slot, wchar_t* table, wchar_t* dx, wchar_t* dy);
  static int instances_;
  ModuleGuard guard_;
};

extern CUndo undo;
