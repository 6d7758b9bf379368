#include "std2/std2_undo.h"

#include <memory>
#include <new>

#include "std/std_file.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std2/std2_lout_itbl.h"

int CUndo::instances_ = 0;
CUndo undo MODULE_INIT;

namespace {
constexpr int kNameChars = 21;
int Previous(int slot) { return (slot + kUndoSlots - 1) % kUndoSlots; }
int Next(int slot) { return (slot + 1) % kUndoSlots; }

struct Gaps {
  int32_t value[kCols];
};

void GapValues(const GapSlot* gaps, Gaps& out) {
  for (int k = 0; k < kCols; ++k) out.value[k] = gaps[k].value;
}

bool GapsValid(const Gaps& g) {
  for (int32_t v : g.value)
    if (v < 0 || v > 9) return false;
  return true;
}

void RemoveSlotFile(const wchar_t* name) {
  wchar_t path[kTextMax + 1];
  JoinPath(path, kTextMax + 1, profile.dir, name);
  DeleteFileW(path);
}

// Writes one file of a snapshot; a failed file is removed so that a later
// restore never loads a state from an older lap of the ring.
void WriteOrRemove(HWND owner, const wchar_t* name, const void* data, DWORD size) {
  if (!file.BinWrite(owner, name, data, size, HERE)) RemoveSlotFile(name);
}
}  // namespace

CUndo::CUndo() : guard_(instances_, L"undo", HERE) {}

void CUndo::FileNames(int slot, wchar_t* table, wchar_t* dx, wchar_t* dy) {
  Format(table, kNameChars, L"loom%02d.und", slot);
  Format(dx, kNameChars, L"dx%02d.und", slot);
  Format(dy, kNameChars, L"dy%02d.und", slot);
}

void CUndo::Init() {
  writeSlot = currentSlot = 0;
  wchar_t pattern[kTextMax + 1];
  JoinPath(pattern, kTextMax + 1, profile.dir, L"*.und");
  file.ShellOp(nullptr, FO_DELETE, pattern, nullptr, 0, HERE, kSilent);
}

void CUndo::Snapshot(HWND owner) {
  std::unique_ptr<LayoutItem[]> items(new (std::nothrow) LayoutItem[kCells]);
  wchar_t table[kNameChars], dx[kNameChars], dy[kNameChars];
  FileNames(writeSlot, table, dx, dy);
  if (items) {
    for (int i = 0; i < kCells; ++i) {
      items[i] = layout[i];
      items[i].state = WithoutMark(items[i].state);
    }
    WriteOrRemove(owner, table, items.get(), sizeof(LayoutItem) * kCells);
  } else {
    RemoveSlotFile(table);
  }
  Gaps gaps;
  GapValues(DX, gaps);
  WriteOrRemove(owner, dx, &gaps, sizeof gaps);
  GapValues(DY, gaps);
  WriteOrRemove(owner, dy, &gaps, sizeof gaps);
  currentSlot = writeSlot;
  writeSlot = Next(writeSlot);
}

bool CUndo::Load(int slot) {
  wchar_t table[kNameChars], dx[kNameChars], dy[kNameChars];
  FileNames(slot, table, dx, dy);
  std::unique_ptr<LayoutItem[]> items(new (std::nothrow) LayoutItem[kCells]);
  if (!items || !file.BinRead(table, items.get(), sizeof(LayoutItem) * kCells)) return false;
  for (int i = 0; i < kCells; ++i) {
    LayoutItem& item = items[i];
    item.ip[10] = item.name[10] = L'\0';
    static_cast<LayoutItem&>(layout[i]) = item;
  }
  Gaps gaps;
  if (file.BinRead(dx, &gaps, sizeof gaps) && GapsValid(gaps))
    for (int k = 0; k < kCols; ++k) DX[k].value = gaps.value[k];
  if (file.BinRead(dy, &gaps, sizeof gaps) && GapsValid(gaps))
    for (int k = 0; k < kRows; ++k) DY[k].value = gaps.value[k];
  return true;
}

int CUndo::Restore(HWND owner) {
  currentSlot = Previous(currentSlot);
  if (Load(currentSlot)) return 1;
  currentSlot = Previous(writeSlot);
  if (Load(currentSlot)) return 1;
  ShowMessageBox(owner, L"No UNDO file", lang.Text(S_CONFIRM), MB_OK | MB_ICONINFORMATION);
  return 0;
}
