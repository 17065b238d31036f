#include "settings/format/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index)); }

constexpr TIdentMapEntry kColors[] = {
    {clBlack, "clBlack"},
    {0x000080, "clMaroon"},
    {0x008000, "clGreen"},
    {0x008080, "clOlive"},
    {0x800000, "clNavy"},
    {0x800080, "clPurple"},
    {0x808000, "clTeal"},
    {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},
    {0x00FF00, "clLime"},
    {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},
    {0xFF00FF, "clFuchsia"},
    {0xFFFF00, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"},
    {0xA4A0A0, "clMedGray"},
    {SystemColor(0), "clScrollBar"},
    {SystemColor(1), "clBackground"},
    {SystemColor(2), "clActiveCaption"},
    {SystemColor(3), "clInactiveCaption"},
    {SystemColor(4), "clMenu"},
    {SystemColor(5), "clWindow"},
    {SystemColor(6), "clWindowFrame"},
    {SystemColor(7), "clMenuText"},
    {clWindowText, "clWindowText"},
    {SystemColor(9), "clCaptionText"},
    {SystemColor(10), "clActiveBorder"},
    {SystemColor(11), "clInactiveBorder"},
    {SystemColor(12), "clAppWorkSpace"},
    {SystemColor(13), "clHighlight"},
    {SystemColor(14), "clHighlightText"},
    {SystemColor(15), "clBtnFace"},
    {SystemColor(16), "clBtnShadow"},
    {SystemColor(17), "clGrayText"},
    {SystemColor(18), "clBtnText"},
    {SystemColor(19), "clInactiveCaptionText"},
    {SystemColor(20), "clBtnHighlight"},
    {SystemColor(21), "cl3DDkShadow"},
    {SystemColor(22), "cl3DLight"},
    {SystemColor(23), "clInfoText"},
    {SystemColor(24), "clInfoBk"},
    {SystemColor(26), "clHotLight"},
    {SystemColor(27), "clGradientActiveCaption"},
    {SystemColor(28), "clGradientInactiveCaption"},
    {SystemColor(29), "clMenuHighlight"},
    {SystemColor(30), "clMenuBar"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

constexpr TIdentMapEntry kCharsets[] = {
    {0, "ANSI_CHARSET"},         {DEFAULT_CHARSET, "DEFAULT_CHARSET"}, {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},         {128, "SHIFTJIS_CHARSET"},            {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},      {134, "GB2312_CHARSET"},              {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},      {162, "TURKISH_CHARSET"},             {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},     {178, "ARABIC_CHARSET"},              {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"},    {222, "THAI_CHARSET"},                {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};

constexpr std::string_view kPitchNames[] = {"fpDefault", "fpVariable", "fpFixed"};
constexpr std::string_view kQualityNames[] = {"fqDefault",       "fqDraft",       "fqProof",
                                              "fqNonAntialiased", "fqAntialiased", "fqClearType",
                                              "fqClearTypeNatural"};
constexpr std::string_view kStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

constexpr int kPixelsPerInch = 96;

}  // namespace

const TIdentMap ColorIdents = kColors;
const TIdentMap CharsetIdents = kCharsets;

int32_t TFont::Size() const { return static_cast<int32_t>(std::lround(-FHeight * 72.0 / kPixelsPerInch)); }

void TFont::SetSize(int32_t points) {
  double height = -std::round(points * static_cast<double>(kPixelsPerInch) / 72.0);
  FHeight = static_cast<int32_t>(std::clamp(height, double{INT32_MIN}, double{INT32_MAX}));
}

const TPropList& TFont::Published() const {
  using T = TFont;
  static const TPropList props({
      Prop::Integer("Charset", &T::FCharset).Named(CharsetIdents),
      Prop::Integer("Color", &T::FColor).Named(ColorIdents),
      Prop::Integer("Height", &T::FHeight),
      Prop::String("Name", &T::FName),
      Prop::Integer("Orientation", &T::FOrientation).Default(0),
      Prop::Enum("Pitch", &T::FPitch, kPitchNames).Default(TFontPitch::fpDefault),
      Prop::Integer("Size", &T::Size, &T::SetSize).Stored(false),
      Prop::Set("Style", &T::FStyle, kStyleNames),
      Prop::Enum("Quality", &T::FQuality, kQualityNames).Default(TFontQuality::fqDefault),
  });
  return props;
}
