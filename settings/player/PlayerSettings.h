// TPlayerSettings: the playback and network-stream part of the player settings (second layer of
// TPlayerIni). The stream client, the playback engines and the controller read these values.
//
// Set on the main thread (constructor, Read); worker threads read them afterwards without locks.
#pragma once

#include <cstdint>
#include <string>

#include "settings/player/BroadcastSettings.h"
#include "settings/format/PublishedProperty.h"

enum class TCrossfadeCurveShape { csLine, csParabolaDown, csParabolaUp };

class TPlayerSettings : public TBroadcastSettings {
 public:
  std::string ClassName() const override { return "TPlayerSettings"; }
  const TPropList& Published() const override { return ClassProperties(); }
  static const TPropList& ClassProperties();

  // Network streams: buffer length, read time-out, connection attempts, stall time-out; ms.
  PUBLISHED_PROPERTY(int32_t, NetBuffer, 5000)
  PUBLISHED_PROPERTY(int32_t, NetReadTimeout, 10000)
  PUBLISHED_PROPERTY(int32_t, StreamRestartAttempts, 2)  // attempts, not ms
  PUBLISHED_PROPERTY(int32_t, StreamRestartTimeoutMS, 2500)
  PUBLISHED_PROPERTY(int32_t, StreamStallTimeout, 10000)
  // Ignore title changes that a stream sends.
  PUBLISHED_PROPERTY(bool, DisableTitleSync, false)

  PUBLISHED_PROPERTY(bool, Preload, true)
  PUBLISHED_PROPERTY(int32_t, PreloadTime, 5000)  // ms
  PUBLISHED_PROPERTY(bool, PreloadNetworkOnly, false)
  PUBLISHED_PROPERTY(bool, LimitMixToNextTrackIntro, false)
  // Music attenuation under a voice track (dB) and its fade (ms).
  PUBLISHED_PROPERTY(int32_t, MusicAttForVT, -4)
  PUBLISHED_PROPERTY(int32_t, MusicAttForVTFade, 600)
  PUBLISHED_PROPERTY(int32_t, AutoIntroFadeIn, 150)   // ms
  PUBLISHED_PROPERTY(int32_t, AutoIntroFadeOut, 200)  // ms
  PUBLISHED_PROPERTY(int32_t, VTMargin, 0)            // ms
  PUBLISHED_PROPERTY(std::string, VTBed, "")
  PUBLISHED_PROPERTY(int32_t, VTBedLevel, -10)  // dB
  PUBLISHED_PROPERTY(bool, VTIgnoreOutro, false)
  // Start and end silence thresholds, linear amplitudes (-35 dB and -43 dB).
  PUBLISHED_PROPERTY(double, Threshold, 0.0177827941)
  PUBLISHED_PROPERTY(double, ThresholdEnd, 0.0070794578438)
  PUBLISHED_PROPERTY(int32_t, ReplayGainType, 1)
  // Preamp with and without replay-gain data, dB.
  PUBLISHED_PROPERTY(int32_t, ReplayGainPreampRG, 6)
  PUBLISHED_PROPERTY(int32_t, ReplayGainPreampNoRG, 0)
  PUBLISHED_PROPERTY(bool, VOExFileTypes, true)
  PUBLISHED_PROPERTY(int32_t, VOMinTrackRating, 0)
  PUBLISHED_PROPERTY(bool, PrescanMP3, false)
  PUBLISHED_PROPERTY(int32_t, CountStartTimeFor, 450)
  PUBLISHED_PROPERTY(bool, ArtworkExport, false)
  PUBLISHED_PROPERTY(bool, ArtworkExportNext, false)
  PUBLISHED_PROPERTY(bool, ArtworkExportRecent, false)
  PUBLISHED_PROPERTY(int32_t, ArtworkSize, 350)  // pixels; declared default 350
  PUBLISHED_PROPERTY(bool, SmoothSeek, true)
  PUBLISHED_PROPERTY(TCrossfadeCurveShape, CrossfadeCurve, TCrossfadeCurveShape::csParabolaDown)
  PUBLISHED_PROPERTY(bool, VolumeSliderMainOnly, false)
  PUBLISHED_PROPERTY(bool, RestartJingleOnButtonPress, false)
  // Shown instead of a network stream's address.
  PUBLISHED_PROPERTY(std::string, StrStreamHideURL, "Network Stream")
};
