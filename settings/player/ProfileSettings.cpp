#include "settings/player/ProfileSettings.h"

#include "settings/format/PropInfo.h"

const TPropList& TProfileSettings::ClassProperties() {
  using T = TProfileSettings;
  static const TPropList props(TComponent::ClassProperties(), {
      Prop::Boolean("DoNotCrossfadeShortTracks", &T::FDoNotCrossfadeShortTracks),
      Prop::Integer("ShortTrackDuration", &T::FShortTrackDuration),
      Prop::Boolean("CutSilence", &T::FCutSilence),
      Prop::Boolean("HideStreamURL", &T::HideStreamURL, &T::FHideStreamURL),
      Prop::Boolean("IncludeStreamNameInTitle", &T::FIncludeStreamNameInTitle),
      Prop::Boolean("AutoRemoveStop", &T::FAutoRemoveStop),
      Prop::Boolean("Break1", &T::FBreak1),
  });
  return props;
}
