// Colours and brushes: a cache of solid brushes by colour so painting code
// never makes one per message, the colour-setting steps every painter uses,
// the black-or-white text rule and the group member colours.
//
// Colours are 0x00BBGGRR; where a function takes an int colour, a negative
// value asks for the standard look (the user font's text colour, or the
// system button-face brush).
#pragma once

#include "std/std.h"

constexpr int kBrushSlots = 200;
constexpr int kNoColor = -1;
constexpr int kGroupMembers = 20;

class CRgb {
 public:
  CRgb();
  ~CRgb();
  // Frees every slot, deleting the brushes it held, and allows the
  // overflow report again. Called when the main window is created.
  void Reset();
  // The cached brush of a colour, made on first use. See FindRgbBrush.
  HBRUSH Find(HWND owner, int color, const wchar_t* srcFile, int line);
  // Slots in use.
  int Used() const;

 private:
  static int instances_;
  ModuleGuard guard_;
  int color_[kBrushSlots];
  HBRUSH brush_[kBrushSlots] = {};
  // A full cache would otherwise report on every paint.
  bool overflowReported_ = false;
};

extern CRgb rgb;

// A brush of the colour from the cache; a negative colour, a full cache or a
// brush that cannot be made (both reported in mode 0) give the button-face
// brush. The brush belongs to the cache: never delete it.
HBRUSH FindRgbBrush(HWND owner, int color, const wchar_t* srcFile, int line);

// Sets the text colour (negative: the user font's) and the background of a
// device context, and returns the brush to paint the background with.
// Reserved backgrounds, all drawn transparent: 0 black, 1 light grey,
// 2 grey, 5 hollow, 0x404040 dark grey, 0xFFFFFF white (stock brushes) and
// negative (button face). Any other colour is set as an opaque background
// with its cached brush. A failure is reported in mode 0 and gives the
// button-face brush.
HBRUSH SetDrawColors(HWND owner, HDC dc, int text, int background, const wchar_t* srcFile,
                     int line);

// Opaque background of a colour, or the transparent mode; 0 after a mode 0
// report of ":SetBkColor" or ":SetBkMode", else 1.
int SetBkColorChecked(HDC dc, HWND owner, COLORREF color, const wchar_t* srcFile, int line);
int SetBkTransparent(HDC dc, HWND owner, const wchar_t* srcFile, int line);

// Black (0) or white (0xFFFFFF) text, whichever reads better on the colour.
COLORREF ContrastText(COLORREF background);

// The colour of group member 1 to 20; kNoColor for any other number, which
// SetDrawColors paints in the standard button-face look.
int GroupPalette(int member);
