// File types: how each kind of item is played (transitions, title, bed, skip rules). The playback
// controller reads them from a TFileTypesArray that its host supplies; the index of a type in that
// array is its file-type index (0 and 1 are the built-in types).
//
// Main thread: built, read, saved and assigned there; playback reads the plain fields afterwards.
// Seconds are Single values, levels whole decibels.
#pragma once

#include <cstdint>
#include <string>

#include "settings/format/Collection.h"
#include "settings/format/Graphics.h"
#include "settings/format/StringList.h"

class TPlFileType : public TCollectionItem {
 public:
  explicit TPlFileType(TCollection& collection);
  std::string ClassName() const override { return "TPlFileType"; }
  const TPropList& Published() const override;

  // Copies the playing rules (transitions, title, bed, skip-after rules, ident search, folders)
  // into destination, keeping its identity and display (Name, Id, colours), its mix-point
  // threshold, its skip-before rules, DoNotUpdatePlaycount and NoDSP. Throws EInvalidCast when
  // destination is not a TPlFileType.
  void AssignTo(TPersistent& destination) const;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& value) { FName = value; }
  const std::string& Id() const { return FId; }
  void SetId(const std::string& value) { FId = value; }
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { FColor = value; }
  TColor BackColor() const { return FBackColor; }
  void SetBackColor(TColor value) { FBackColor = value; }
  // Gain applied to the item, dB.
  int32_t Amp() const { return FAmp; }
  void SetAmp(int32_t value) { FAmp = value; }
  // Crossfade, fade-out and fade-in lengths, seconds; each applies only while its Is... switch is on.
  float Mix() const { return FMix; }
  void SetMix(float value) { FMix = value; }
  float FadeOut() const { return FFadeOut; }
  void SetFadeOut(float value) { FFadeOut = value; }
  float FadeIn() const { return FFadeIn; }
  void SetFadeIn(float value) { FFadeIn = value; }
  bool IsMix() const { return FIsMix; }
  void SetIsMix(bool value) { FIsMix = value; }
  bool IsFadeOut() const { return FIsFadeOut; }
  void SetIsFadeOut(bool value) { FIsFadeOut = value; }
  bool IsFadeIn() const { return FIsFadeIn; }
  void SetIsFadeIn(bool value) { FIsFadeIn = value; }
  bool DoNotSendTitle() const { return FDoNotSendTitle; }
  void SetDoNotSendTitle(bool value) { FDoNotSendTitle = value; }
  bool IncludeInReport() const { return FIncludeInReport; }
  void SetIncludeInReport(bool value) { FIncludeInReport = value; }
  bool MixPointDetect() const { return FMixPointDetect; }
  void SetMixPointDetect(bool value) { FMixPointDetect = value; }
  // Level below which the track's end counts as fading for mix-point detection, linear gain.
  double MixPointThreshold() const { return FMixPointThreshold; }
  void SetMixPointThreshold(double value) { FMixPointThreshold = value; }
  bool StartFadeoutOnMix() const { return FStartFadeoutOnMix; }
  void SetStartFadeoutOnMix(bool value) { FStartFadeoutOnMix = value; }
  bool DoNotMix() const { return FDoNotMix; }
  void SetDoNotMix(bool value) { FDoNotMix = value; }
  // Seconds.
  float OverrideMix() const { return FOverrideMix; }
  void SetOverrideMix(float value) { FOverrideMix = value; }
  bool CustomTitleFormat() const { return FCustomTitleFormat; }
  void SetCustomTitleFormat(bool value) { FCustomTitleFormat = value; }
  const std::string& CustomTitleFormatStr() const { return FCustomTitleFormatStr; }
  void SetCustomTitleFormatStr(const std::string& value) { FCustomTitleFormatStr = value; }
  bool VoiceTrack() const { return FVoiceTrack; }
  void SetVoiceTrack(bool value) { FVoiceTrack = value; }
  bool UseBed() const { return FUseBed; }
  void SetUseBed(bool value) { FUseBed = value; }
  // One bed file name per line.
  const std::string& BedFilename() const { return FBedFilename; }
  void SetBedFilename(const std::string& value) { FBedFilename = value; }
  // dB.
  int32_t BedLevel() const { return FBedLevel; }
  void SetBedLevel(int32_t value) { FBedLevel = value; }
  bool SkipAfterScheduled() const { return FSkipAfterScheduled; }
  void SetSkipAfterScheduled(bool value) { FSkipAfterScheduled = value; }
  bool SkipAfterFileTypes() const { return FSkipAfterFileTypes; }
  void SetSkipAfterFileTypes(bool value) { FSkipAfterFileTypes = value; }
  // File-type names, compared ignoring letter case; owned by the item.
  TStringList& SkipFTList() { return FSkipFTList; }
  const TStringList& SkipFTList() const { return FSkipFTList; }
  bool SkipBeforeFileTypes() const { return FSkipBeforeFileTypes; }
  void SetSkipBeforeFileTypes(bool value) { FSkipBeforeFileTypes = value; }
  TStringList& SkipBeforeFTList() { return FSkipBeforeFTList; }
  const TStringList& SkipBeforeFTList() const { return FSkipBeforeFTList; }
  bool DoNotUpdatePlaycount() const { return FDoNotUpdatePlaycount; }
  void SetDoNotUpdatePlaycount(bool value) { FDoNotUpdatePlaycount = value; }
  int32_t IdentSearch() const { return FIdentSearch; }
  void SetIdentSearch(int32_t value) { FIdentSearch = value; }
  const std::string& FileTypeFolders() const { return FFileTypeFolders; }
  void SetFileTypeFolders(const std::string& value) { FFileTypeFolders = value; }
  bool NoDSP() const { return FNoDSP; }
  void SetNoDSP(bool value) { FNoDSP = value; }

  // Not stored in settings files.
  bool ICMix() const { return FICMix; }
  void SetICMix(bool value) { FICMix = value; }
  bool ICFadeOut() const { return FICFadeOut; }
  void SetICFadeOut(bool value) { FICFadeOut = value; }

 private:
  std::string FName;
  std::string FId;
  TColor FColor = clNone;
  TColor FBackColor = clNone;
  int32_t FAmp = 0;
  float FMix = 0;
  float FFadeOut = 0;
  float FFadeIn = 0;
  bool FIsMix = false;
  bool FIsFadeOut = false;
  bool FIsFadeIn = false;
  bool FDoNotSendTitle = false;
  bool FIncludeInReport = true;
  bool FMixPointDetect = false;
  double FMixPointThreshold;
  bool FStartFadeoutOnMix = false;
  bool FDoNotMix = false;
  float FOverrideMix = 0;
  bool FCustomTitleFormat = false;
  std::string FCustomTitleFormatStr;
  bool FVoiceTrack = false;
  bool FUseBed = false;
  std::string FBedFilename;
  int32_t FBedLevel = 0;
  bool FSkipAfterScheduled = false;
  bool FSkipAfterFileTypes = false;
  TStringList FSkipFTList;
  bool FSkipBeforeFileTypes = false;
  TStringList FSkipBeforeFTList;
  bool FDoNotUpdatePlaycount = false;
  int32_t FIdentSearch = 0;
  std::string FFileTypeFolders;
  bool FNoDSP = false;
  bool FICMix = false;
  bool FICFadeOut = false;
};

// The file types in index order. Main thread only; references stay valid until the item is
// deleted or the array cleared.
class TFileTypesArray : public TCollectionOf<TPlFileType> {
 public:
  // Replaces item index with value the way AssignTo copies (the item keeps its name, colours and
  // the other fields AssignTo leaves). Throws std::out_of_range for an index outside the array.
  void SetItems(int index, const TPlFileType& value) { value.AssignTo(Items(index)); }
};
