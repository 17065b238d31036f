// A settings component with one published property of every kind, for the format tests.
#pragma once

#include <string>

#include "settings/format/Collection.h"
#include "settings/format/Graphics.h"
#include "settings/format/SettingsComponent.h"
#include "settings/format/StringList.h"

enum class TTestCurve { csLine, csParabolaDown, csParabolaUp };

class TTestBand : public TCollectionItem {
 public:
  explicit TTestBand(TCollection& collection) : TCollectionItem(collection) {}
  std::string ClassName() const override { return "TTestBand"; }
  const TPropList& Published() const override;

  int32_t CenterFreq = 1000;
  std::string Label;
  TStringList Aliases;
};

class TTestComponent : public TSettingsComponent {
 public:
  TTestComponent();
  std::string ClassName() const override { return "TTestComponent"; }
  const TPropList& Published() const override;

  // The Read/Save pattern of a settings class, on a file chosen by the test.
  void Read(const std::string& fileName) { ReadFile(fileName); }
  void Save(const std::string& fileName) { SaveFile(fileName, "test.ini"); }

  int32_t Number = 5000;
  int32_t ArtworkSize = 350;  // declared default 350
  uint32_t Speakers = 0;
  bool Preload = true;
  bool UseEdgeBrowser = true;  // declared default True
  TTestCurve Curve = TTestCurve::csParabolaDown;
  uint32_t Styles = 0;
  double Threshold = 0.0177827941;
  float Bandwidth = 2.5f;
  std::string Title = "Quaverlin Stream";
  std::string EmptyWritten;  // declared with no default: written even when empty
  TStringList Separators;
  TCollectionOf<TTestBand> Bands;
  TFont MainFont;
  TColor BackColor = clNone;
  int32_t Hidden = 7;           // never stored
  bool WriteOptional = false;   // stored condition of Optional
  int32_t Optional = 3;

  // Clamped like a timeout: negative becomes 750, above 30000 becomes 30000.
  int32_t Timeout() const { return FTimeout; }
  void SetTimeout(int32_t value) { FTimeout = value < 0 ? 750 : (value > 30000 ? 30000 : value); }

 private:
  bool IsOptionalStored() const { return WriteOptional; }
  int32_t FTimeout = 1000;
};
