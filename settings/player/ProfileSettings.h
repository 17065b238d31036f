// TProfileSettings: the profile's playback switches for short tracks, silence cutting, stream
// titles and breaks. The playback controller reads them from an object its host supplies.
//
// Main thread: built, read and saved there; playback reads the plain fields afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "settings/format/Persistent.h"

class TProfileSettings : public TComponent {
 public:
  std::string ClassName() const override { return "TProfileSettings"; }
  const TPropList& Published() const override { return ClassProperties(); }
  static const TPropList& ClassProperties();

  bool DoNotCrossfadeShortTracks() const { return FDoNotCrossfadeShortTracks; }
  void SetDoNotCrossfadeShortTracks(bool value) { FDoNotCrossfadeShortTracks = value; }
  // Tracks up to this length count as short, seconds.
  int32_t ShortTrackDuration() const { return FShortTrackDuration; }
  void SetShortTrackDuration(int32_t value) { FShortTrackDuration = value; }
  bool CutSilence() const { return FCutSilence; }
  void SetCutSilence(bool value) { FCutSilence = value; }
  bool HideStreamURL() const { return FHideStreamURL; }
  void SetHideStreamURL(bool value) { FHideStreamURL = value; }
  bool IncludeStreamNameInTitle() const { return FIncludeStreamNameInTitle; }
  void SetIncludeStreamNameInTitle(bool value) { FIncludeStreamNameInTitle = value; }
  bool AutoRemoveStop() const { return FAutoRemoveStop; }
  void SetAutoRemoveStop(bool value) { FAutoRemoveStop = value; }
  bool Break1() const { return FBreak1; }
  void SetBreak1(bool value) { FBreak1 = value; }

 private:
  bool FDoNotCrossfadeShortTracks = false;
  int32_t FShortTrackDuration = 45;
  bool FCutSilence = true;
  bool FHideStreamURL = true;
  bool FIncludeStreamNameInTitle = false;
  bool FAutoRemoveStop = false;
  bool FBreak1 = false;
};
