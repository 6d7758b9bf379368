#include "std/std_rgb.h"

#include "std/std_font.h"

int CRgb::instances_ = 0;
CRgb rgb MODULE_INIT;

namespace {
constexpr int kFree = -1;

HBRUSH ButtonFace() { return GetSysColorBrush(COLOR_BTNFACE); }
HBRUSH Stock(int which) { return static_cast<HBRUSH>(GetStockObject(which)); }

// The stock brush of a reserved background code, else null.
HBRUSH ReservedBrush(int background) {
  if (background < 0) return ButtonFace();
  switch (background) {
    case 0: return Stock(BLACK_BRUSH);
    case 1: return Stock(LTGRAY_BRUSH);
    case 2: return Stock(GRAY_BRUSH);
    case 5: return Stock(NULL_BRUSH);
    case 0x404040: return Stock(DKGRAY_BRUSH);
    case 0xFFFFFF: return Stock(WHITE_BRUSH);
    default: return nullptr;
  }
}

const COLORREF kPalette[kGroupMembers] = {
    RGB(255, 0, 0),     RGB(255, 165, 0),   RGB(255, 255, 0),   RGB(255, 0, 255),
    RGB(0, 255, 255),   RGB(165, 42, 42),   RGB(50, 205, 50),   RGB(0, 100, 0),
    RGB(238, 130, 238), RGB(0, 0, 128),     RGB(205, 92, 92),   RGB(255, 215, 0),
    RGB(0, 255, 127),   RGB(255, 192, 203), RGB(0, 0, 255),     RGB(255, 99, 71),
    RGB(210, 105, 30),  RGB(0, 255, 0),     RGB(160, 32, 240),  RGB(135, 206, 235),
};
}  // namespace

CRgb::CRgb() : guard_(instances_, L"rgb", HERE) {
  for (int& c : color_) c = kFree;
}

CRgb::~CRgb() { Reset(); }

void CRgb::Reset() {
  for (int i = 0; i < kBrushSlots; ++i) {
    if (brush_[i]) DeleteObject(brush_[i]);
    brush_[i] = nullptr;
    color_[i] = kFree;
  }
  overflowReported_ = false;
}

int CRgb::Used() const {
  int n = 0;
  for (int c : color_)
    if (c != kFree) ++n;
  return n;
}

HBRUSH CRgb::Find(HWND owner, int color, const wchar_t* srcFile, int line) {
  if (color < 0 || !guard_.Owner()) return ButtonFace();
  // Slots fill in order and are never emptied one by one, so the first free
  // slot ends the search.
  int slot = 0;
  for (; slot < kBrushSlots && color_[slot] != kFree; ++slot)
    if (color_[slot] == color) return brush_[slot];
  if (slot == kBrushSlots) {
    if (!overflowReported_) {
      overflowReported_ = true;
      Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, L"FindRgbBrush:BrushMxNum Overflow");
    }
    return ButtonFace();
  }
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(color));
  if (!brush) {
    Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":CreateSolidBrush"));
    Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, L"FindRgbBrush:CreateSolidBrush ERROR");
    return ButtonFace();
  }
  color_[slot] = color;
  brush_[slot] = brush;
  return brush;
}

HBRUSH FindRgbBrush(HWND owner, int color, const wchar_t* srcFile, int line) {
  return rgb.Find(owner, color, srcFile, line);
}

int SetBkColorChecked(HDC dc, HWND owner, COLORREF color, const wchar_t* srcFile, int line) {
  if (SetBkColor(dc, color) != CLR_INVALID) return 1;
  Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":SetBkColor"));
  return 0;
}

int SetBkTransparent(HDC dc, HWND owner, const wchar_t* srcFile, int line) {
  if (SetBkMode(dc, TRANSPARENT)) return 1;
  Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":SetBkMode"));
  return 0;
}

static int SetBkOpaque(HDC dc, HWND owner, const wchar_t* srcFile, int line) {
  if (SetBkMode(dc, OPAQUE)) return 1;
  Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":SetBkMode"));
  return 0;
}

HBRUSH SetDrawColors(HWND owner, HDC dc, int text, int background, const wchar_t* srcFile,
                     int line) {
  COLORREF textColor = text < 0 ? font.TextColor() : static_cast<COLORREF>(text);
  if (SetTextColor(dc, textColor) == CLR_INVALID) {
    Report(owner, 0, L"%s:%d\r\n%s", srcFile, line, SysErrorText(L":SetTextColor"));
    return ButtonFace();
  }
  if (HBRUSH stock = ReservedBrush(background)) {
    if (!SetBkTransparent(dc, owner, srcFile, line)) return ButtonFace();
    return stock;
  }
  // A device context reused after a transparent paint keeps that mode, so
  // the opaque mode is set too, not only the colour.
  if (!SetBkColorChecked(dc, owner, static_cast<COLORREF>(background), srcFile, line) ||
      !SetBkOpaque(dc, owner, srcFile, line))
    return ButtonFace();
  return FindRgbBrush(owner, background, srcFile, line);
}

COLORREF ContrastText(COLORREF background) {
  double luminance = (299.0 * GetRValue(background) + 587.0 * GetGValue(background) +
                      114.0 * GetBValue(background)) / 1000.0;
  return luminance > 127.5 ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

int GroupPalette(int member) {
  if (member < 1 || member > kGroupMembers) return kNoColor;
  return static_cast<int>(kPalette[member - 1]);
}
