// TSystemIniBase: the plug-in and equaliser part of the system settings, the base of TSystemIni;
// TEQBands: the equaliser's bands.
//
// Main thread: built, read and saved there; the audio engine's threads read the plain values
// afterwards without locks.
#pragma once

#include <cstdint>
#include <string>

#include "settings/format/Collection.h"
#include "settings/format/PublishedProperty.h"
#include "settings/format/SettingsComponent.h"
#include "settings/format/StringList.h"

class TEQBandsBand : public TCollectionItem {
 public:
  explicit TEQBandsBand(TCollection& collection) : TCollectionItem(collection) {}
  std::string ClassName() const override { return "TEQBandsBand"; }
  const TPropList& Published() const override;

  PUBLISHED_PROPERTY(int32_t, CenterFreq, 0)  // Hz
};

class TEQBands : public TCollectionOf<TEQBandsBand> {};

class TSystemIniBase : public TSettingsComponent {
 public:
  // Twelve equaliser bands from 31 Hz to 20 kHz; no plug-in folder (TSystemIni adds it).
  TSystemIniBase();

  std::string ClassName() const override { return "TSystemIniBase"; }
  const TPropList& Published() const override { return ClassProperties(); }
  static const TPropList& ClassProperties();

  PUBLISHED_PROPERTY(bool, AllowWinampPlugins, false)
  PUBLISHED_PROPERTY(bool, AllowVstPlugins, false)
  // Folders searched for VST plug-ins, each ending with '/'.
  TStringList& VSTFolder() { return FVSTFolder; }
  const TStringList& VSTFolder() const { return FVSTFolder; }
  PUBLISHED_PROPERTY(std::string, VSTSkipSettings, "")
  PUBLISHED_PROPERTY(int32_t, BandsNum, 10)  // bands the equaliser uses, from the first
  TEQBands& EQBands() { return FEQBands; }
  const TEQBands& EQBands() const { return FEQBands; }
  PUBLISHED_PROPERTY(float, Bandwidth, 2.5f)  // of each band, octaves
  PUBLISHED_PROPERTY(int32_t, EQRange, 10)    // largest boost or cut, dB

 private:
  TStringList FVSTFolder;
  TEQBands FEQBands;
};
