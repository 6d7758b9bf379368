#include "std/std_font.h"

#include <commdlg.h>

#include "std/std_lang.h"
#include "std/std_profile.h"

int CFont::instances_ = 0;
CFont font MODULE_INIT;

const int kZoomHeights[kZoomFonts] = {-3, -7, -10, -13};

namespace {
constexpr wchar_t kSection[] = L"SETTING";
constexpr wchar_t kKey[] = L"USERFONT";
constexpr BYTE kPitchSansSerif = VARIABLE_PITCH | FF_SWISS;  // 0x22
constexpr BYTE kPitchRoman = FIXED_PITCH | FF_ROMAN;         // 0x11
// Full-width M and S, a blank and the two ideographs of "Mincho".
constexpr wchar_t kJapaneseFace[] = L"\xFF2D\xFF33\x0020\x660E\x671D";

// Offsets of the stored record.
enum : int {
  kHeight = 0, kWidth = 4, kEscapement = 8, kOrientation = 12, kWeight = 16,
  kItalic = 20, kUnderline = 21, kStrikeOut = 22, kCharSet = 23, kOutPrecision = 24,
  kClipPrecision = 25, kQuality = 26, kPitchAndFamily = 27, kFaceName = 28,
  kRecordSize = 92, kOwner = 96, kDc = 100, kDescAddress = 104, kPointSize = 108,
  kFlags = 112, kTextColor = 116, kCustomData = 120, kHook = 124, kTemplateName = 128,
  kInstance = 132, kStyle = 136, kFontType = 140, kPadding = 142, kSizeMin = 144,
  kSizeMax = 148
};

void Put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
uint32_t Get32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void DeleteFont(HFONT& f) {
  if (f) DeleteObject(f);
  f = nullptr;
}
}  // namespace

UserFontRecord DefaultUserFont(int lang, HWND owner) {
  UserFontRecord rec = {};
  bool japanese = lang == kLangJapanese;
  rec.desc.lfHeight = japanese ? -17 : -13;
  rec.desc.lfWeight = FW_NORMAL;
  rec.desc.lfCharSet = japanese ? SHIFTJIS_CHARSET : ANSI_CHARSET;
  rec.desc.lfQuality = ANTIALIASED_QUALITY;
  rec.desc.lfPitchAndFamily = japanese ? kPitchRoman : kPitchSansSerif;
  CopyText(rec.desc.lfFaceName, kFaceChars, japanese ? kJapaneseFace : L"Arial");
  rec.recordSize = 60;
  rec.owner = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner));
  rec.pointSize = 100;
  rec.flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;  // 0x141
  rec.fontType = SCREEN_FONTTYPE | REGULAR_FONTTYPE;                 // 0x2400
  return rec;
}

void PackUserFont(const UserFontRecord& rec, unsigned char out[kUserFontBytes]) {
  const LOGFONTW& d = rec.desc;
  Put32(out + kHeight, static_cast<uint32_t>(d.lfHeight));
  Put32(out + kWidth, static_cast<uint32_t>(d.lfWidth));
  Put32(out + kEscapement, static_cast<uint32_t>(d.lfEscapement));
  Put32(out + kOrientation, static_cast<uint32_t>(d.lfOrientation));
  Put32(out + kWeight, static_cast<uint32_t>(d.lfWeight));
  out[kItalic] = d.lfItalic;
  out[kUnderline] = d.lfUnderline;
  out[kStrikeOut] = d.lfStrikeOut;
  out[kCharSet] = d.lfCharSet;
  out[kOutPrecision] = d.lfOutPrecision;
  out[kClipPrecision] = d.lfClipPrecision;
  out[kQuality] = d.lfQuality;
  out[kPitchAndFamily] = d.lfPitchAndFamily;
  for (int i = 0; i < kFaceChars; ++i)
    Put16(out + kFaceName + 2 * i, static_cast<uint16_t>(d.lfFaceName[i]));
  Put32(out + kRecordSize, rec.recordSize);
  Put32(out + kOwner, rec.owner);
  Put32(out + kDc, rec.deviceContext);
  Put32(out + kDescAddress, rec.descAddress);
  Put32(out + kPointSize, static_cast<uint32_t>(rec.pointSize));
  Put32(out + kFlags, rec.flags);
  Put32(out + kTextColor, rec.textColor);
  Put32(out + kCustomData, rec.customData);
  Put32(out + kHook, rec.hook);
  Put32(out + kTemplateName, rec.templateName);
  Put32(out + kInstance, rec.instance);
  Put32(out + kStyle, rec.style);
  Put16(out + kFontType, rec.fontType);
  Put16(out + kPadding, rec.padding);
  Put32(out + kSizeMin, static_cast<uint32_t>(rec.sizeMin));
  Put32(out + kSizeMax, static_cast<uint32_t>(rec.sizeMax));
}

void UnpackUserFont(const unsigned char in[kUserFontBytes], UserFontRecord& rec) {
  rec = {};
  LOGFONTW& d = rec.desc;
  d.lfHeight = static_cast<int32_t>(Get32(in + kHeight));
  d.lfWidth = static_cast<int32_t>(Get32(in + kWidth));
  d.lfEscapement = static_cast<int32_t>(Get32(in + kEscapement));
  d.lfOrientation = static_cast<int32_t>(Get32(in + kOrientation));
  d.lfWeight = static_cast<int32_t>(Get32(in + kWeight));
  d.lfItalic = in[kItalic];
  d.lfUnderline = in[kUnderline];
  d.lfStrikeOut = in[kStrikeOut];
  d.lfCharSet = in[kCharSet];
  d.lfOutPrecision = in[kOutPrecision];
  d.lfClipPrecision = in[kClipPrecision];
  d.lfQuality = in[kQuality];
  d.lfPitchAndFamily = in[kPitchAndFamily];
  for (int i = 0; i < kFaceChars; ++i)
    d.lfFaceName[i] = static_cast<wchar_t>(Get16(in + kFaceName + 2 * i));
  d.lfFaceName[kFaceChars - 1] = L'\0';
  rec.recordSize = Get32(in + kRecordSize);
  rec.owner = Get32(in + kOwner);
  rec.deviceContext = Get32(in + kDc);
  rec.descAddress = Get32(in + kDescAddress);
  rec.pointSize = static_cast<int32_t>(Get32(in + kPointSize));
  rec.flags = Get32(in + kFlags);
  rec.textColor = Get32(in + kTextColor) & 0x00FFFFFF;
  rec.customData = Get32(in + kCustomData);
  rec.hook = Get32(in + kHook);
  rec.templateName = Get32(in + kTemplateName);
  rec.instance = Get32(in + kInstance);
  rec.style = Get32(in + kStyle);
  rec.fontType = Get16(in + kFontType);
  rec.padding = Get16(in + kPadding);
  rec.sizeMin = static_cast<int32_t>(Get32(in + kSizeMin));
  rec.sizeMax = static_cast<int32_t>(Get32(in + kSizeMax));
}

CFont::CFont() : guard_(instances_, L"font", HERE) {}

CFont::~CFont() { Release(); }

int CFont::Scale(int px) const {
  // Rounded half away from zero, like MulDiv, but exact for any DPI.
  long long n = static_cast<long long>(px) * dpi_;
  long long half = kBaseDpi / 2;
  return static_cast<int>((n >= 0 ? n + half : n - half) / kBaseDpi);
}

int CFont::Setup(HWND owner, int dpi) {
  if (!guard_.Owner()) return 0;
  Release();
  dpi_ = dpi > 0 ? dpi : kBaseDpi;
  unsigned char bytes[kUserFontBytes];
  if (profile.ReadStruct(kSection, kKey, bytes, kUserFontBytes, nullptr)) {
    UnpackUserFont(bytes, user);
  } else {
    // Absent, of another length or with a bad checksum: start afresh.
    user = DefaultUserFont(lang.LANG, owner);
    PackUserFont(user, bytes);
    if (!profile.WriteStruct(kSection, kKey, bytes, kUserFontBytes, nullptr, owner, HERE))
      return 0;
  }
  MakeFonts(owner);
  return 1;
}

int CFont::ChangeDpi(HWND owner, int dpi) {
  if (!guard_.Owner()) return 0;
  Release();
  dpi_ = dpi > 0 ? dpi : kBaseDpi;
  return MakeFonts(owner);
}

int CFont::MakeFonts(HWND owner) {
  int ok = 1;
  LOGFONTW lf = user.desc;
  lf.lfHeight = Scale(user.desc.lfHeight);
  lf.lfWidth = Scale(user.desc.lfWidth);
  control_ = CreateFontIndirectW(&lf);
  if (!control_) {
    Report(owner, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":CreateFontIndirect"));
    ok = 0;
  }
  // The grid's fonts keep the user's effects but always the same face, so
  // the cells line up the same in every language.
  lf.lfWeight = FW_NORMAL;
  lf.lfPitchAndFamily = kPitchSansSerif;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  CopyText(lf.lfFaceName, kFaceChars, L"Arial");
  for (int i = 0; i < kZoomFonts; ++i) {
    lf.lfHeight = Scale(kZoomHeights[i]);
    zoom_[i] = CreateFontIndirectW(&lf);
    if (!zoom_[i]) {
      Report(owner, 0, L"%s:%d\r\n%s", HERE, SysErrorText(L":CreateFontIndirect"));
      ok = 0;
    }
  }
  return ok;
}

void CFont::Release() {
  DeleteFont(control_);
  for (HFONT& f : zoom_) DeleteFont(f);
}

int CFont::ResetUserFont(HWND owner) {
  // A null block removes the key.
  return profile.WriteStruct(kSection, kKey, nullptr, 0, nullptr, owner, HERE);
}

HFONT CFont::Control() const {
  return control_ ? control_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT CFont::Zoom(int which) const {
  if (which < 0 || which >= kZoomFonts) which = kZoom13;
  return zoom_[which] ? zoom_[which] : Control();
}
