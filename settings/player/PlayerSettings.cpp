#include "settings/player/PlayerSettings.h"

#include <string_view>

#include "settings/format/PropInfo.h"

namespace {
constexpr std::string_view kCrossfadeCurveShapeNames[] = {"csLine", "csParabolaDown", "csParabolaUp"};
}  // namespace

const TPropList& TPlayerSettings::ClassProperties() {
  using T = TPlayerSettings;
  static const TPropList props(TBroadcastSettings::ClassProperties(), {
      Prop::Integer("NetBuffer", &T::FNetBuffer),
      Prop::Integer("NetReadTimeout", &T::FNetReadTimeout),
      Prop::Integer("StreamRestartAttempts", &T::FStreamRestartAttempts),
      Prop::Integer("StreamRestartTimeoutMS", &T::FStreamRestartTimeoutMS),
      Prop::Integer("StreamStallTimeout", &T::FStreamStallTimeout),
      Prop::Boolean("DisableTitleSync", &T::FDisableTitleSync),
      Prop::Boolean("Preload", &T::FPreload),
      Prop::Integer("PreloadTime", &T::FPreloadTime),
      Prop::Boolean("PreloadNetworkOnly", &T::FPreloadNetworkOnly),
      Prop::Boolean("LimitMixToNextTrackIntro", &T::FLimitMixToNextTrackIntro),
      Prop::Integer("MusicAttForVT", &T::FMusicAttForVT),
      Prop::Integer("MusicAttForVTFade", &T::FMusicAttForVTFade),
      Prop::Integer("AutoIntroFadeIn", &T::FAutoIntroFadeIn),
      Prop::Integer("AutoIntroFadeOut", &T::FAutoIntroFadeOut),
      Prop::Integer("VTMargin", &T::FVTMargin),
      Prop::String("VTBed", &T::FVTBed),
      Prop::Integer("VTBedLevel", &T::FVTBedLevel),
      Prop::Boolean("VTIgnoreOutro", &T::FVTIgnoreOutro),
      Prop::Double("Threshold", &T::FThreshold),
      Prop::Double("ThresholdEnd", &T::FThresholdEnd),
      Prop::Integer("ReplayGainType", &T::FReplayGainType),
      Prop::Integer("ReplayGainPreampRG", &T::FReplayGainPreampRG),
      Prop::Integer("ReplayGainPreampNoRG", &T::FReplayGainPreampNoRG),
      Prop::Boolean("VOExFileTypes", &T::FVOExFileTypes),
      Prop::Integer("VOMinTrackRating", &T::FVOMinTrackRating),
      Prop::Boolean("PrescanMP3", &T::FPrescanMP3),
      Prop::Integer("CountStartTimeFor", &T::FCountStartTimeFor),
      Prop::Boolean("ArtworkExport", &T::FArtworkExport),
      Prop::Boolean("ArtworkExportNext", &T::FArtworkExportNext),
      Prop::Boolean("ArtworkExportRecent", &T::FArtworkExportRecent),
      Prop::Integer("ArtworkSize", &T::FArtworkSize).Default(350),
      Prop::Boolean("SmoothSeek", &T::FSmoothSeek),
      Prop::Enum("CrossfadeCurve", &T::FCrossfadeCurve, kCrossfadeCurveShapeNames),
      Prop::Boolean("VolumeSliderMainOnly", &T::FVolumeSliderMainOnly),
      Prop::Boolean("RestartJingleOnButtonPress", &T::FRestartJingleOnButtonPress),
      Prop::String("StrStreamHideURL", &T::FStrStreamHideURL),
  });
  return props;
}
