// Fonts, colours and brushes: the stored user font record byte by byte, its
// damaged forms, the fonts made from it and their release, the brush cache,
// the draw colours and the black-or-white text rule.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "std/std.h"
#include "std/std_font.h"
#include "std/std_lang.h"
#include "std/std_profile.h"
#include "std/std_rgb.h"
#include "tests/support.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr int kOwnerOffset = 96;

void Put32(Bytes& b, int at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put16(Bytes& b, int at, uint16_t v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void PutFace(Bytes& b, const std::wstring& face) {
  for (size_t i = 0; i < face.size() && i < 32; ++i) Put16(b, 28 + 2 * i, face[i]);
}

// The default record as the settings file must hold it, built from the
// table of offsets rather than from the program's own packing.
Bytes ExpectedDefault(bool japanese) {
  Bytes b(kUserFontBytes, 0);
  Put32(b, 0, static_cast<uint32_t>(japanese ? -17 : -13));
  Put32(b, 16, 400);
  b[23] = japanese ? 128 : 0;
  b[26] = 4;
  b[27] = japanese ? 0x11 : 0x22;
  PutFace(b, japanese ? std::wstring(L"\xFF2D\xFF33\x0020\x660E\x671D") : std::wstring(L"Arial"));
  Put32(b, 92, 60);
  Put32(b, 108, 100);
  Put32(b, 112, 0x141);
  Put16(b, 140, 0x2400);
  return b;
}

// A record with a different value in every field.
Bytes Distinct() {
  Bytes b(kUserFontBytes, 0);
  Put32(b, 0, static_cast<uint32_t>(-15));
  Put32(b, 4, 5);
  Put32(b, 8, 900);
  Put32(b, 12, 450);
  Put32(b, 16, 700);
  b[20] = 1;
  b[21] = 1;
  b[22] = 1;
  b[23] = 134;
  b[24] = 3;
  b[25] = 2;
  b[26] = 5;
  b[27] = 0x31;
  PutFace(b, L"Tahoma");
  Put32(b, 92, 60);
  Put32(b, 96, 0x11223344);
  Put32(b, 100, 0x55667788);
  Put32(b, 104, 0x99AABBCC);
  Put32(b, 108, 120);
  Put32(b, 112, 0x143);
  Put32(b, 116, 0x00123456);
  Put32(b, 120, 7);
  Put32(b, 124, 8);
  Put32(b, 128, 9);
  Put32(b, 132, 10);
  Put32(b, 136, 11);
  Put16(b, 140, 0x2401);
  Put16(b, 142, 0x0102);
  Put32(b, 144, 6);
  Put32(b, 148, 72);
  return b;
}

Bytes Masked(Bytes b) {
  if (b.size() >= kOwnerOffset + 4) Put32(b, kOwnerOffset, 0);
  return b;
}

std::wstring Message(const RecordedBox& box) {
  size_t at = box.text.find(L"\r\n");
  return at == std::wstring::npos ? box.text : box.text.substr(at + 2);
}

LOGFONTW Described(HFONT f) {
  LOGFONTW lf = {};
  EXPECT_EQ(static_cast<int>(sizeof lf), GetObjectW(f, sizeof lf, &lf));
  return lf;
}

std::vector<HFONT> HeldFonts() {
  std::vector<HFONT> all{font.Control()};
  for (int i = 0; i < kZoomFonts; ++i) all.push_back(font.Zoom(i));
  return all;
}

HBRUSH ButtonFace() { return GetSysColorBrush(COLOR_BTNFACE); }
HBRUSH Stock(int which) { return static_cast<HBRUSH>(GetStockObject(which)); }

class FontRgbTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    savedLang_ = lang.LANG;
    lang.LANG = 15;
    font.Release();
    font.user = {};
    rgb.Reset();
  }
  void TearDown() override {
    font.Release();
    font.ChangeDpi(nullptr, kBaseDpi);
    font.Release();
    rgb.Reset();
    lang.LANG = savedLang_;
    SettingsFixture::TearDown();
  }

  // The stored record, its checksum verified; empty when absent or damaged.
  static Bytes Stored() {
    std::wstring hex = IniValue(profile.file, L"SETTING", L"USERFONT");
    Bytes out;
    if (hex.size() != 2 * (kUserFontBytes + 1)) return out;
    unsigned sum = 0;
    for (size_t i = 0; i < hex.size(); i += 2) {
      unsigned v = std::stoul(hex.substr(i, 2), nullptr, 16);
      if (i + 2 < hex.size()) {
        out.push_back(static_cast<unsigned char>(v));
        sum += v;
      } else if ((sum & 0xFF) != v) {
        ADD_FAILURE() << "checksum";
        out.clear();
      }
    }
    return out;
  }
  static void Store(const Bytes& b) {
    ASSERT_TRUE(WritePrivateProfileStructW(L"SETTING", L"USERFONT", const_cast<unsigned char*>(b.data()),
                                           static_cast<UINT>(b.size()), profile.file));
  }
  static void StoreText(const wchar_t* text) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"SETTING", L"USERFONT", text, profile.file));
  }
  // Makes the settings file unwritable: a folder stands in its place.
  void BlockSettingsFile() { ASSERT_TRUE(CreateDirectoryW(profile.file, nullptr)); }

  int savedLang_ = -1;
};

// ---------------------------------------------------------------- user font

TEST_F(FontRgbTest, AbsentUserFontWritesTheLanguageDefault) {
  struct Row {
    int lang;
    bool japanese;
  } rows[] = {{15, false}, {14, true}, {0, false}, {13, false}, {-1, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.lang);
    WritePrivateProfileStringW(L"SETTING", L"USERFONT", nullptr, profile.file);
    lang.LANG = row.lang;
    ASSERT_EQ(1, font.Setup(nullptr));
    EXPECT_EQ(Masked(ExpectedDefault(row.japanese)), Masked(Stored()));
    // The record in use is the one written.
    EXPECT_EQ(row.japanese ? -17 : -13, font.user.desc.lfHeight);
    EXPECT_STREQ(row.japanese ? L"\xFF2D\xFF33\x0020\x660E\x671D" : L"Arial",
                 font.user.desc.lfFaceName);
    EXPECT_EQ(0u, font.TextColor());
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(FontRgbTest, OwnerFieldHoldsTheLowHalfOfTheWindowHandle) {
  HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x0000123487654321ull));
  ASSERT_EQ(1, font.Setup(owner));
  Bytes b = Stored();
  ASSERT_EQ(kUserFontBytes, b.size());
  EXPECT_EQ(0x21, b[96]);
  EXPECT_EQ(0x43, b[97]);
  EXPECT_EQ(0x65, b[98]);
  EXPECT_EQ(0x87, b[99]);
  EXPECT_EQ(0, b[100]);  // the next field is untouched
}

TEST_F(FontRgbTest, StoredRecordIsReadFieldByField) {
  Store(Distinct());
  ASSERT_EQ(1, font.Setup(nullptr));
  const UserFontRecord& u = font.user;
  EXPECT_EQ(-15, u.desc.lfHeight);
  EXPECT_EQ(5, u.desc.lfWidth);
  EXPECT_EQ(900, u.desc.lfEscapement);
  EXPECT_EQ(450, u.desc.lfOrientation);
  EXPECT_EQ(700, u.desc.lfWeight);
  EXPECT_EQ(1, u.desc.lfItalic);
  EXPECT_EQ(1, u.desc.lfUnderline);
  EXPECT_EQ(1, u.desc.lfStrikeOut);
  EXPECT_EQ(134, u.desc.lfCharSet);
  EXPECT_EQ(3, u.desc.lfOutPrecision);
  EXPECT_EQ(2, u.desc.lfClipPrecision);
  EXPECT_EQ(5, u.desc.lfQuality);
  EXPECT_EQ(0x31, u.desc.lfPitchAndFamily);
  EXPECT_STREQ(L"Tahoma", u.desc.lfFaceName);
  EXPECT_EQ(60u, u.recordSize);
  EXPECT_EQ(0x11223344u, u.owner);
  EXPECT_EQ(0x55667788u, u.deviceContext);
  EXPECT_EQ(0x99AABBCCu, u.descAddress);
  EXPECT_EQ(120, u.pointSize);
  EXPECT_EQ(0x143u, u.flags);
  EXPECT_EQ(0x00123456u, u.textColor);
  EXPECT_EQ(0x00123456u, font.TextColor());
  EXPECT_EQ(7u, u.customData);
  EXPECT_EQ(8u, u.hook);
  EXPECT_EQ(9u, u.templateName);
  EXPECT_EQ(10u, u.instance);
  EXPECT_EQ(11u, u.style);
  EXPECT_EQ(0x2401, u.fontType);
  EXPECT_EQ(0x0102, u.padding);
  EXPECT_EQ(6, u.sizeMin);
  EXPECT_EQ(72, u.sizeMax);
  // A good record is left as it was.
  EXPECT_EQ(Distinct(), Stored());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(FontRgbTest, PackingGivesBackTheBytesItWasMadeFrom) {
  unsigned char packed[kUserFontBytes];
  UserFontRecord rec;
  Bytes distinct = Distinct();
  UnpackUserFont(distinct.data(), rec);
  PackUserFont(rec, packed);
  EXPECT_EQ(distinct, Bytes(packed, packed + kUserFontBytes));
}

TEST_F(FontRgbTest, FaceNameWithoutTerminatorIsCutAt31) {
  const std::wstring face = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef";  // 32, no room for the end
  ASSERT_EQ(32u, face.size());
  Bytes b = ExpectedDefault(false);
  PutFace(b, face);
  Store(b);
  ASSERT_EQ(1, font.Setup(nullptr));
  EXPECT_EQ(face.substr(0, 31), std::wstring(font.user.desc.lfFaceName));
  EXPECT_EQ(face.substr(0, 31), std::wstring(Described(font.Control()).lfFaceName));
}

TEST_F(FontRgbTest, TextColourKeepsOnlyItsColourBytes) {
  Bytes b = ExpectedDefault(false);
  Put32(b, 116, 0xFF0000FF);
  Store(b);
  ASSERT_EQ(1, font.Setup(nullptr));
  EXPECT_EQ(RGB(255, 0, 0), font.TextColor());
}

TEST_F(FontRgbTest, DamagedRecordReadsAsAbsentAndTheDefaultIsWritten) {
  Bytes good = Distinct();
  Store(good);
  const std::wstring text = IniValue(profile.file, L"SETTING", L"USERFONT");
  std::wstring badSum = text;
  badSum.back() = badSum.back() == L'0' ? L'1' : L'0';
  std::wstring badDigit = text;
  badDigit[10] = badDigit[10] == L'0' ? L'1' : L'0';
  struct Row {
    const char* name;
    std::wstring stored;
  } rows[] = {
      {"checksum", badSum},
      {"one digit", badDigit},
      {"one byte short", text.substr(0, text.size() - 4) + text.substr(text.size() - 2)},
      {"one byte long", L"00" + text},
      {"not hex", std::wstring(text.size(), L'Z')},
      {"empty", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StoreText(row.stored.c_str());
    ASSERT_EQ(1, font.Setup(nullptr));
    EXPECT_EQ(Masked(ExpectedDefault(false)), Masked(Stored()));
    EXPECT_EQ(-13, font.user.desc.lfHeight);
    EXPECT_STREQ(L"Arial", font.user.desc.lfFaceName);
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(FontRgbTest, UnwritableDefaultFailsSetUpWithOneReport) {
  BlockSettingsFile();
  EXPECT_EQ(0, font.Setup(nullptr));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, Message(BoxRecorder::Boxes()[0]).find(L":WritePrivateProfileStruct"));
  // No fonts were made: callers still get a usable one.
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), font.Control());
}

TEST_F(FontRgbTest, ResetRemovesTheEntrySoTheNextLanguageGetsItsDefault) {
  ASSERT_EQ(1, font.Setup(nullptr));
  ASSERT_EQ(kUserFontBytes, Stored().size());
  EXPECT_EQ(1, font.ResetUserFont(nullptr));
  EXPECT_EQ(L"<absent>", IniValue(profile.file, L"SETTING", L"USERFONT"));
  lang.LANG = kLangJapanese;
  ASSERT_EQ(1, font.Setup(nullptr));
  EXPECT_EQ(Masked(ExpectedDefault(true)), Masked(Stored()));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(FontRgbTest, ResetThatCannotWriteIsReported) {
  BlockSettingsFile();
  EXPECT_EQ(0, font.ResetUserFont(nullptr));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  EXPECT_NE(std::wstring::npos, Message(BoxRecorder::Boxes()[0]).find(L":WritePrivateProfileStruct"));
}

// ---------------------------------------------------------------- fonts

TEST_F(FontRgbTest, ControlFontIsTheUserDescription) {
  Store(Distinct());
  ASSERT_EQ(1, font.Setup(nullptr));
  LOGFONTW lf = Described(font.Control());
  EXPECT_EQ(-15, lf.lfHeight);
  EXPECT_EQ(5, lf.lfWidth);
  EXPECT_EQ(700, lf.lfWeight);
  EXPECT_EQ(1, lf.lfItalic);
  EXPECT_EQ(134, lf.lfCharSet);
  EXPECT_EQ(0x31, lf.lfPitchAndFamily);
  EXPECT_STREQ(L"Tahoma", lf.lfFaceName);
}

TEST_F(FontRgbTest, ZoomFontsTakeTheUserEffectsButTheirOwnFace) {
  struct Row {
    const char* name;
    Bytes record;
  } rows[] = {{"italic bold record", Distinct()}, {"japanese default", ExpectedDefault(true)}};
  const int heights[kZoomFonts] = {-3, -7, -10, -13};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Store(row.record);
    ASSERT_EQ(1, font.Setup(nullptr));
    const LOGFONTW& user = font.user.desc;
    for (int i = 0; i < kZoomFonts; ++i) {
      SCOPED_TRACE(i);
      LOGFONTW lf = Described(font.Zoom(i));
      EXPECT_EQ(heights[i], lf.lfHeight);
      EXPECT_EQ(400, lf.lfWeight);
      EXPECT_EQ(0x22, lf.lfPitchAndFamily);
      EXPECT_EQ(128, lf.lfCharSet);
      EXPECT_STREQ(L"Arial", lf.lfFaceName);
      EXPECT_EQ(user.lfWidth, lf.lfWidth);
      EXPECT_EQ(user.lfItalic, lf.lfItalic);
      EXPECT_EQ(user.lfUnderline, lf.lfUnderline);
      EXPECT_EQ(user.lfStrikeOut, lf.lfStrikeOut);
      EXPECT_EQ(user.lfQuality, lf.lfQuality);
      EXPECT_EQ(user.lfEscapement, lf.lfEscapement);
    }
  }
}

TEST_F(FontRgbTest, ZoomIndexOutOfRangeGetsTheLargest) {
  ASSERT_EQ(1, font.Setup(nullptr));
  EXPECT_EQ(font.Zoom(kZoom13), font.Zoom(-1));
  EXPECT_EQ(font.Zoom(kZoom13), font.Zoom(kZoomFonts));
  EXPECT_NE(font.Zoom(kZoom3), font.Zoom(kZoom13));
}

TEST_F(FontRgbTest, SecondSetUpDeletesTheFontsOfTheFirst) {
  ASSERT_EQ(1, font.Setup(nullptr));
  std::vector<HFONT> first = HeldFonts();
  for (HFONT f : first) EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(f));
  ASSERT_EQ(1, font.Setup(nullptr));
  std::vector<HFONT> second = HeldFonts();
  for (size_t i = 0; i < first.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(0u, GetObjectType(first[i]));
    EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(second[i]));
  }
  font.Release();
  for (HFONT f : second) EXPECT_EQ(0u, GetObjectType(f));
  font.Release();  // a second release finds nothing to delete
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), font.Control());
  EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), font.Zoom(kZoom13));
}

TEST_F(FontRgbTest, ScaleIsExactAt96AndRoundsHalfAwayFromZero) {
  struct Row {
    int dpi, px, expected;
  } rows[] = {
      {96, -13, -13}, {96, 3, 3},     {96, 0, 0},     {0, -17, -17},  {-5, 7, 7},
      {120, 10, 13},  {120, -13, -16}, {120, 3, 4},   {144, -13, -20}, {144, 1, 2},
      {144, -1, -2},  {192, -13, -26}, {72, 3, 2},    {72, -10, -8},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.dpi << " dpi, " << row.px << " px");
    font.ChangeDpi(nullptr, row.dpi);
    EXPECT_EQ(row.expected, font.Scale(row.px));
  }
}

TEST_F(FontRgbTest, FontsFollowTheDpiButTheStoredHeightDoesNot) {
  ASSERT_EQ(1, font.Setup(nullptr, 192));
  EXPECT_EQ(192, font.Dpi());
  EXPECT_EQ(-26, Described(font.Control()).lfHeight);
  const int at192[kZoomFonts] = {-6, -14, -20, -26};
  for (int i = 0; i < kZoomFonts; ++i) EXPECT_EQ(at192[i], Described(font.Zoom(i)).lfHeight);
  EXPECT_EQ(-13, font.user.desc.lfHeight);
  EXPECT_EQ(Masked(ExpectedDefault(false)), Masked(Stored()));

  std::vector<HFONT> old = HeldFonts();
  ASSERT_EQ(1, font.ChangeDpi(nullptr, kBaseDpi));
  for (HFONT f : old) EXPECT_EQ(0u, GetObjectType(f));
  EXPECT_EQ(-13, Described(font.Control()).lfHeight);
  EXPECT_EQ(-3, Described(font.Zoom(kZoom3)).lfHeight);
}

TEST_F(FontRgbTest, ASecondModuleObjectIsRefused) {
  {
    CFont extraFont;
    EXPECT_EQ(0, extraFont.Setup(nullptr));
    CRgb extraRgb;
    EXPECT_EQ(ButtonFace(), extraRgb.Find(nullptr, RGB(1, 2, 3), HERE));
  }
  std::vector<std::wstring> got;
  for (const RecordedBox& b : BoxRecorder::Boxes()) got.push_back(Message(b));
  EXPECT_EQ((std::vector<std::wstring>{
                L"Don't CREATE this class by yourself. Use 'font.' which defined in stdafx.",
                L"Don't CREATE this class by yourself. Use 'rgb.' which defined in stdafx."}),
            got);
  // The module objects still work.
  EXPECT_EQ(1, font.Setup(nullptr));
  EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(FindRgbBrush(nullptr, RGB(1, 2, 3), HERE)));
}

// ---------------------------------------------------------------- brushes

TEST_F(FontRgbTest, SameColourGivesTheSameLiveBrush) {
  const COLORREF colours[] = {RGB(119, 136, 153), RGB(0, 0, 0), RGB(255, 255, 255), RGB(1, 0, 0)};
  for (COLORREF c : colours) {
    SCOPED_TRACE(testing::Message() << std::hex << c);
    HBRUSH b = FindRgbBrush(nullptr, static_cast<int>(c), HERE);
    EXPECT_EQ(b, FindRgbBrush(nullptr, static_cast<int>(c), HERE));
    ASSERT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(b));
    LOGBRUSH lb = {};
    ASSERT_EQ(static_cast<int>(sizeof lb), GetObjectW(b, sizeof lb, &lb));
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), lb.lbStyle);
    EXPECT_EQ(c, lb.lbColor);
  }
  EXPECT_NE(FindRgbBrush(nullptr, 0x010000, HERE), FindRgbBrush(nullptr, 0x000100, HERE));
  EXPECT_EQ(6, rgb.Used());
  EXPECT_EQ(ButtonFace(), FindRgbBrush(nullptr, -1, HERE));
  EXPECT_EQ(ButtonFace(), FindRgbBrush(nullptr, INT32_MIN, HERE));
  EXPECT_EQ(6, rgb.Used());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(FontRgbTest, FullCacheGivesButtonFaceAndReportsOncePerRun) {
  std::vector<HBRUSH> cached;
  for (int i = 0; i < kBrushSlots; ++i) cached.push_back(FindRgbBrush(nullptr, 0x100000 + i, HERE));
  EXPECT_EQ(kBrushSlots, rgb.Used());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());

  EXPECT_EQ(ButtonFace(), FindRgbBrush(nullptr, 0x200000, HERE));
  ASSERT_EQ(1u, BoxRecorder::Boxes().size());
  const std::wstring& text = BoxRecorder::Boxes()[0].text;
  EXPECT_EQ(0u, text.find(WFILE L":"));
  EXPECT_EQ(L"FindRgbBrush:BrushMxNum Overflow", Message(BoxRecorder::Boxes()[0]));

  // Painting goes on: no box per paint, cached colours keep their brushes.
  EXPECT_EQ(ButtonFace(), FindRgbBrush(nullptr, 0x200000, HERE));
  EXPECT_EQ(ButtonFace(), FindRgbBrush(nullptr, 0x200001, HERE));
  EXPECT_EQ(cached.front(), FindRgbBrush(nullptr, 0x100000, HERE));
  EXPECT_EQ(cached.back(), FindRgbBrush(nullptr, 0x100000 + kBrushSlots - 1, HERE));
  EXPECT_EQ(1u, BoxRecorder::Boxes().size());

  // A new main window starts a new run of the cache.
  rgb.Reset();
  for (int i = 0; i <= kBrushSlots; ++i) FindRgbBrush(nullptr, 0x300000 + i, HERE);
  EXPECT_EQ(2u, BoxRecorder::Boxes().size());
}

TEST_F(FontRgbTest, ResetDeletesTheBrushesItDrops) {
  std::vector<HBRUSH> held;
  for (int i = 0; i < 5; ++i) held.push_back(FindRgbBrush(nullptr, RGB(10 * i, 20, 30), HERE));
  for (HBRUSH b : held) ASSERT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(b));
  rgb.Reset();
  EXPECT_EQ(0, rgb.Used());
  for (size_t i = 0; i < held.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(0u, GetObjectType(held[i]));
  }
  HBRUSH again = FindRgbBrush(nullptr, RGB(0, 20, 30), HERE);
  EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(again));
  // The shared system brushes are never the cache's to delete.
  EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(ButtonFace()));
}

// ---------------------------------------------------------------- draw colours

class DrawColorsTest : public FontRgbTest {
 protected:
  void SetUp() override {
    FontRgbTest::SetUp();
    dc_ = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, dc_);
  }
  void TearDown() override {
    DeleteDC(dc_);
    FontRgbTest::TearDown();
  }
  HDC dc_ = nullptr;
};

TEST_F(DrawColorsTest, ReservedBackgroundsAreTransparentStockBrushes) {
  Bytes b = ExpectedDefault(false);
  Put32(b, 116, RGB(0x12, 0x34, 0x56));
  Store(b);
  ASSERT_EQ(1, font.Setup(nullptr));
  struct Row {
    int background;
    HBRUSH brush;
  } rows[] = {
      {0, Stock(BLACK_BRUSH)},        {1, Stock(LTGRAY_BRUSH)},        {2, Stock(GRAY_BRUSH)},
      {5, Stock(NULL_BRUSH)},         {0x404040, Stock(DKGRAY_BRUSH)}, {0xFFFFFF, Stock(WHITE_BRUSH)},
      {-1, ButtonFace()},             {INT32_MIN, ButtonFace()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << row.background);
    SetBkMode(dc_, OPAQUE);
    SetTextColor(dc_, RGB(9, 9, 9));
    EXPECT_EQ(row.brush, SetDrawColors(nullptr, dc_, RGB(200, 0, 0), row.background, HERE));
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc_));
    EXPECT_EQ(RGB(200, 0, 0), GetTextColor(dc_));
    // A negative text colour is the user font's.
    SetTextColor(dc_, RGB(9, 9, 9));
    SetDrawColors(nullptr, dc_, -1, row.background, HERE);
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), GetTextColor(dc_));
  }
  // None of them took a slot of the cache.
  EXPECT_EQ(0, rgb.Used());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(DrawColorsTest, OtherBackgroundsAreOpaqueWithTheirCachedBrush) {
  const int backgrounds[] = {3, 4, 6, 0x000100, 0x404041, 0xFFFFFE, RGB(255, 255, 0),
                             RGB(119, 136, 153)};
  for (int bg : backgrounds) {
    SCOPED_TRACE(testing::Message() << std::hex << bg);
    SetBkMode(dc_, TRANSPARENT);
    SetBkColor(dc_, RGB(9, 9, 9));
    HBRUSH brush = SetDrawColors(nullptr, dc_, 0, bg, HERE);
    EXPECT_EQ(FindRgbBrush(nullptr, bg, HERE), brush);
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(brush));
    EXPECT_EQ(OPAQUE, GetBkMode(dc_));
    EXPECT_EQ(static_cast<COLORREF>(bg), GetBkColor(dc_));
    EXPECT_EQ(0u, GetTextColor(dc_));
  }
  EXPECT_EQ(8, rgb.Used());
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(DrawColorsTest, FailuresAreReportedAndGiveButtonFace) {
  struct Row {
    const char* name;
    std::function<int()> call;  // 1 when the call gave the failure answer
    const wchar_t* context;
  } rows[] = {
      {"text colour", [] { return SetDrawColors(nullptr, nullptr, 0, RGB(1, 2, 3), HERE) == ButtonFace(); },
       L":SetTextColor"},
      {"transparent draw", [] { return SetDrawColors(nullptr, nullptr, -1, 1, HERE) == ButtonFace(); },
       L":SetTextColor"},
      {"background colour", [] { return SetBkColorChecked(nullptr, nullptr, RGB(1, 2, 3), HERE) == 0; },
       L":SetBkColor"},
      {"background mode", [] { return SetBkTransparent(nullptr, nullptr, HERE) == 0; }, L":SetBkMode"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BoxRecorder::Clear();
    EXPECT_TRUE(row.call());
    ASSERT_EQ(1u, BoxRecorder::Boxes().size());
    EXPECT_EQ(0u, BoxRecorder::Boxes()[0].text.find(WFILE L":"));
    EXPECT_NE(std::wstring::npos, Message(BoxRecorder::Boxes()[0]).find(row.context));
  }
  EXPECT_EQ(0, rgb.Used());
}

TEST_F(DrawColorsTest, CheckedSettersSucceedOnAGoodContext) {
  SetBkMode(dc_, OPAQUE);
  EXPECT_EQ(1, SetBkTransparent(dc_, nullptr, HERE));
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc_));
  EXPECT_EQ(1, SetBkColorChecked(dc_, nullptr, RGB(4, 5, 6), HERE));
  EXPECT_EQ(RGB(4, 5, 6), GetBkColor(dc_));
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

// ---------------------------------------------------------------- contrast

TEST(ContrastText, GroupPaletteAndItsTextColours) {
  const COLORREF black = 0, white = 0xFFFFFF;
  struct Row {
    int member, r, g, b;
    COLORREF text;
  } rows[] = {
      {1, 255, 0, 0, white},      {2, 255, 165, 0, black},    {3, 255, 255, 0, black},
      {4, 255, 0, 255, white},    {5, 0, 255, 255, black},    {6, 165, 42, 42, white},
      {7, 50, 205, 50, black},    {8, 0, 100, 0, white},      {9, 238, 130, 238, black},
      {10, 0, 0, 128, white},     {11, 205, 92, 92, white},   {12, 255, 215, 0, black},
      {13, 0, 255, 127, black},   {14, 255, 192, 203, black}, {15, 0, 0, 255, white},
      {16, 255, 99, 71, black},   {17, 210, 105, 30, black},  {18, 0, 255, 0, black},
      {19, 160, 32, 240, white},  {20, 135, 206, 235, black},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.member);
    EXPECT_EQ(static_cast<int>(RGB(row.r, row.g, row.b)), GroupPalette(row.member));
    EXPECT_EQ(row.text, ContrastText(RGB(row.r, row.g, row.b)));
  }
}

TEST(ContrastText, EdgesOfTheBrightnessRule) {
  struct Row {
    COLORREF background, text;
  } rows[] = {
      {0x00FFFF, 0},          // yellow
      {0xFF0000, 0xFFFFFF},   // blue
      {0x808080, 0},          // L = 128
      {0x7F7F7F, 0xFFFFFF},   // L = 127
      {0x000000, 0xFFFFFF},
      {0xFFFFFF, 0},
      // 0.299 * 255 + 0.587 * 123 = 148.446 against 0.299 * 255 + 0.587 * 85 = 126.14:
      // the weights apply to the right channels (red is the low byte).
      {RGB(255, 123, 0), 0},
      {RGB(255, 85, 0), 0xFFFFFF},
      {RGB(0, 0, 255), 0xFFFFFF},
      {RGB(0, 218, 0), 0},    // 127.966
      {RGB(0, 217, 0), 0xFFFFFF},  // 127.379
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << row.background);
    EXPECT_EQ(row.text, ContrastText(row.background));
  }
}

TEST(GroupPaletteRange, MembersOutsideOneToTwentyHaveNoColour) {
  for (int member : {0, -1, 21, 100}) {
    SCOPED_TRACE(member);
    EXPECT_EQ(kNoColor, GroupPalette(member));
  }
}

}  // namespace
