#include "settings/player/FileTypes.h"

#include <cmath>
#include <vector>

#include "settings/format/InvalidCast.h"
#include "settings/format/PropInfo.h"

namespace {

// The gain of -14 dB.
const double kDefaultMixPointThreshold = std::pow(10.0, -14.0 / 20.0);

// Replaces the lines of to by those of from; safe when both are the same list.
void CopyLines(const TStringList& from, TStringList& to) {
  std::vector<std::string> lines;
  for (int i = 0; i < from.Count(); ++i) lines.push_back(from.Strings(i));
  to.Clear();
  for (const std::string& line : lines) to.Add(line);
}

}  // namespace

TPlFileType::TPlFileType(TCollection& collection)
    : TCollectionItem(collection), FMixPointThreshold(kDefaultMixPointThreshold) {
  FSkipFTList.SetCaseSensitive(false);
  FSkipBeforeFTList.SetCaseSensitive(false);
}

const TPropList& TPlFileType::Published() const {
  using T = TPlFileType;
  static const TPropList props({
      Prop::String("Name", &T::FName),
      Prop::String("Id", &T::FId),
      Prop::Integer("Color", &T::FColor).Named(ColorIdents),
      Prop::Integer("BackColor", &T::FBackColor).Named(ColorIdents),
      Prop::Integer("Amp", &T::FAmp),
      Prop::Single("Mix", &T::FMix),
      Prop::Single("FadeOut", &T::FFadeOut),
      Prop::Single("FadeIn", &T::FFadeIn),
      Prop::Boolean("IsMix", &T::FIsMix),
      Prop::Boolean("IsFadeOut", &T::FIsFadeOut),
      Prop::Boolean("IsFadeIn", &T::FIsFadeIn),
      Prop::Boolean("DoNotSendTitle", &T::FDoNotSendTitle),
      Prop::Boolean("IncludeInReport", &T::FIncludeInReport),
      Prop::Boolean("MixPointDetect", &T::FMixPointDetect),
      Prop::Double("MixPointThreshold", &T::FMixPointThreshold),
      Prop::Boolean("StartFadeoutOnMix", &T::FStartFadeoutOnMix),
      Prop::Boolean("DoNotMix", &T::FDoNotMix),
      Prop::Single("OverrideMix", &T::FOverrideMix),
      Prop::Boolean("CustomTitleFormat", &T::FCustomTitleFormat),
      Prop::String("CustomTitleFormatStr", &T::FCustomTitleFormatStr),
      Prop::Boolean("VoiceTrack", &T::FVoiceTrack),
      Prop::Boolean("UseBed", &T::FUseBed),
      Prop::String("BedFilename", &T::FBedFilename),
      Prop::Integer("BedLevel", &T::FBedLevel),
      Prop::Boolean("SkipAfterScheduled", &T::FSkipAfterScheduled),
      Prop::Boolean("SkipAfterFileTypes", &T::FSkipAfterFileTypes),
      Prop::Strings("SkipFTList", &T::FSkipFTList),
      Prop::Boolean("SkipBeforeFileTypes", &T::FSkipBeforeFileTypes),
      Prop::Strings("SkipBeforeFTList", &T::FSkipBeforeFTList),
      Prop::Boolean("DoNotUpdatePlaycount", &T::FDoNotUpdatePlaycount),
      Prop::Integer("IdentSearch", &T::FIdentSearch),
      Prop::String("FileTypeFolders", &T::FFileTypeFolders),
      Prop::Boolean("NoDSP", &T::FNoDSP),
  });
  return props;
}

void TPlFileType::AssignTo(TPersistent& destination) const {
  auto* target = dynamic_cast<TPlFileType*>(&destination);
  if (target == nullptr) throw EInvalidCast();
  TPlFileType& d = *target;
  d.FAmp = FAmp;
  d.FMix = FMix;
  d.FFadeOut = FFadeOut;
  d.FFadeIn = FFadeIn;
  d.FIsMix = FIsMix;
  d.FIsFadeOut = FIsFadeOut;
  d.FIsFadeIn = FIsFadeIn;
  d.FDoNotSendTitle = FDoNotSendTitle;
  d.FIncludeInReport = FIncludeInReport;
  d.FMixPointDetect = FMixPointDetect;
  d.FStartFadeoutOnMix = FStartFadeoutOnMix;
  d.FDoNotMix = FDoNotMix;
  d.FOverrideMix = FOverrideMix;
  d.FCustomTitleFormat = FCustomTitleFormat;
  d.FCustomTitleFormatStr = FCustomTitleFormatStr;
  d.FVoiceTrack = FVoiceTrack;
  d.FUseBed = FUseBed;
  d.FBedFilename = FBedFilename;
  d.FBedLevel = FBedLevel;
  d.FSkipAfterScheduled = FSkipAfterScheduled;
  d.FSkipAfterFileTypes = FSkipAfterFileTypes;
  CopyLines(FSkipFTList, d.FSkipFTList);
  d.FIdentSearch = FIdentSearch;
  d.FFileTypeFolders = FFileTypeFolders;
}
