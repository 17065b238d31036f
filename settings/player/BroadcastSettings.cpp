#include "settings/player/BroadcastSettings.h"

#include <mutex>

#include "platform/CriticalSection.h"
#include "settings/format/PropInfo.h"

namespace {

// Made on first use and kept until the program ends, so it outlives every settings object.
TCriticalSection& BroadcastLock() {
  static TCriticalSection lock;
  return lock;
}

bool IsBlank(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

std::string EncoderStatus(bool broadcasting, const TBroadcastOutput& output) {
  if (!broadcasting || !output.bEnabled()) return "off";
  if (output.ReaderThreadAttached() || IsBlank(output.sServer())) return "active";
  return "idle";
}

}  // namespace

void TBroadcastSettings::EnterCS() { BroadcastLock().Enter(); }

void TBroadcastSettings::LeaveCS() { BroadcastLock().Leave(); }

void TBroadcastSettings::UpdateEncoderStatus() {
  std::lock_guard<TCriticalSection> guard(BroadcastLock());
  for (int i = 0; i < FBOutputs.Count(); ++i) {
    TBroadcastOutput& output = FBOutputs.Items(i);
    output.SetStatus(EncoderStatus(FbEnableBroadcast, output));
  }
}

const TPropList& TBroadcastSettings::ClassProperties() {
  using T = TBroadcastSettings;
  static const TPropList props(TComponent::ClassProperties(), {
      Prop::Boolean("bEnableBroadcast", &T::FbEnableBroadcast),
      Prop::Collection("BOutputs", &T::FBOutputs),
      Prop::String("sStreamTitle", &T::FsStreamTitle),
      Prop::String("sStreamUrl", &T::FsStreamUrl),
      Prop::String("sStreamGenre", &T::FsStreamGenre),
      Prop::String("sStreamDescription", &T::FsStreamDescription),
      Prop::String("sBroadcastICQ", &T::FsBroadcastICQ),
      Prop::String("sBroadcastAIM", &T::FsBroadcastAIM),
      Prop::String("sBroadcastIRC", &T::FsBroadcastIRC),
      Prop::String("StationLogo", &T::FStationLogo),
      Prop::Boolean("SendTrackArtwork", &T::FSendTrackArtwork),
      Prop::Boolean("PlayIntro", &T::FPlayIntro),
      Prop::String("IntroFile", &T::FIntroFile),
      Prop::Boolean("ReconnectImmediatelyFirstTime", &T::FReconnectImmediatelyFirstTime),
      Prop::Integer("InternalServerBufferSizeMs", &T::FInternalServerBufferSizeMs),
      Prop::Integer("StatsCheckInterval", &T::FStatsCheckInterval),
      Prop::String("EncLame", &T::FEncLame),
      Prop::String("EncAacp", &T::FEncAacp),
      Prop::Collection("CustomEncoders", &T::FCustomEncoders),
  });
  return props;
}
