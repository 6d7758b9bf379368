// The fonts every window draws with: the user font (description and text
// colour kept in the settings as SETTING/USERFONT), the default control font
// made from it, and the four zoom fonts of the layout grid.
#pragma once

#include <cstdint>

#include "std/std.h"

// The stored record: a font description and a font-choice record in the
// 32-bit layout, little-endian, whatever this build's pointer width.
constexpr UINT kUserFontBytes = 152;
constexpr int kFaceChars = LF_FACESIZE;  // 32, terminator included
constexpr int kLangJapanese = 14;
// Pixel sizes are given for this many dots per inch and scaled from it.
constexpr int kBaseDpi = 96;

// Every field of the stored record. Only the description and the text
// colour are used; the rest is carried along as read.
struct UserFontRecord {
  LOGFONTW desc;              // offsets 0..91
  uint32_t recordSize;        // 92
  uint32_t owner;             // 96: low 32 bits of the window handle
  uint32_t deviceContext;     // 100
  uint32_t descAddress;       // 104
  int32_t pointSize;          // 108: tenths of a point
  uint32_t flags;             // 112
  COLORREF textColor;         // 116: 0x00BBGGRR
  uint32_t customData;        // 120
  uint32_t hook;              // 124
  uint32_t templateName;      // 128
  uint32_t instance;          // 132
  uint32_t style;             // 136
  uint16_t fontType;          // 140
  uint16_t padding;           // 142
  int32_t sizeMin;            // 144
  int32_t sizeMax;            // 148
};

// The record written when the settings hold none, for a language.
UserFontRecord DefaultUserFont(int lang, HWND owner);
void PackUserFont(const UserFontRecord& rec, unsigned char out[kUserFontBytes]);
// A face name without its terminator is cut at 31 characters; a text colour
// is kept to its three colour bytes so SetTextColor cannot refuse it.
void UnpackUserFont(const unsigned char in[kUserFontBytes], UserFontRecord& rec);

// Zoom fonts of the layout grid, smallest first; the largest also serves
// the option dialog and the grid's detailed view.
enum ZoomFont : int { kZoom3 = 0, kZoom7, kZoom10, kZoom13, kZoomFonts };
extern const int kZoomHeights[kZoomFonts];  // -3, -7, -10, -13 at 96 DPI

class CFont {
 public:
  CFont();
  ~CFont();

  // Reads the user font (writing the language's default when there is none
  // or it is damaged) and makes all fonts at the given DPI, deleting any
  // still held. 0 when the default cannot be written (reported); the main
  // window then closes.
  int Setup(HWND owner, int dpi = kBaseDpi);
  // Makes the fonts again for a new DPI (WM_DPICHANGED); the stored record
  // stays as it is. 0 when a font could not be made (reported).
  int ChangeDpi(HWND owner, int dpi);
  // Deletes every font held; safe to call again.
  void Release();
  // Removes SETTING/USERFONT so the next start writes the default of the
  // language then chosen. 0 when that fails (reported).
  int ResetUserFont(HWND owner);

  // A pixel size given for 96 DPI at the DPI of set-up (exact at 96).
  int Scale(int px) const;
  int Dpi() const { return dpi_; }

  // The default control font; the system's GUI font until set-up has made
  // one, so callers never select a null font.
  HFONT Control() const;
  // A zoom font; an index out of range gets the largest.
  HFONT Zoom(int which) const;
  // The default text colour of all painting.
  COLORREF TextColor() const { return user.textColor; }

  // The user font as read or written at set-up, unscaled.
  UserFontRecord user = {};

 private:
  int MakeFonts(HWND owner);
  static int instances_;
  ModuleGuard guard_;
  int dpi_ = kBaseDpi;
  HFONT control_ = nullptr;
  HFONT zoom_[kZoomFonts] = {};
};

extern CFont font;
