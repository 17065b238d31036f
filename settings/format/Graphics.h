// Colours, character sets and fonts as the settings files store them.
#pragma once

#include <cstdint>
#include <string>

#include "settings/format/PropInfo.h"

// A colour: 0x00BBGGRR, or a system colour (0xFF000000 | index), or one of the special values.
using TColor = int32_t;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clWindowText = static_cast<TColor>(0xFF000008);
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// Names written for colour values ("clBlack" ...) and for character sets ("DEFAULT_CHARSET" ...).
extern const TIdentMap ColorIdents;
extern const TIdentMap CharsetIdents;

inline constexpr int32_t DEFAULT_CHARSET = 1;

enum class TFontPitch { fpDefault, fpVariable, fpFixed };
enum class TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType, fqClearTypeNatural };
// Font styles as a set: bit 0 fsBold, 1 fsItalic, 2 fsUnderline, 3 fsStrikeOut.
using TFontStyles = uint32_t;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

// A font held by a settings component and written as dotted lines (MainFont.Height = -11).
class TFont : public TPersistent {
 public:
  std::string ClassName() const override { return "TFont"; }
  const TPropList& Published() const override;

  int32_t Charset() const { return FCharset; }
  void SetCharset(int32_t value) { FCharset = value; }
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { FColor = value; }
  // Negative: character height in pixels; positive: cell height.
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t value) { FHeight = value; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& value) { FName = value; }
  int32_t Orientation() const { return FOrientation; }
  void SetOrientation(int32_t value) { FOrientation = value; }
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch value) { FPitch = value; }
  // Points at 96 pixels per inch; derived from Height, so never stored.
  int32_t Size() const;
  void SetSize(int32_t points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles value) { FStyle = value; }
  TFontQuality Quality() const { return FQuality; }
  void SetQuality(TFontQuality value) { FQuality = value; }

 private:
  int32_t FCharset = DEFAULT_CHARSET;
  TColor FColor = clWindowText;
  int32_t FHeight = -11;
  std::string FName = "Tahoma";
  int32_t FOrientation = 0;
  TFontPitch FPitch = TFontPitch::fpDefault;
  TFontStyles FStyle = 0;
  TFontQuality FQuality = TFontQuality::fqDefault;
};
