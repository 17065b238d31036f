// TBroadcastSettings: the streaming part of the player settings (first layer of TPlayerIni).
//
// Settings work runs on the main thread. The outputs' run-time status is shared with the streaming
// threads and guarded by one process-wide lock, taken with EnterCS / LeaveCS from any thread.
#pragma once

#include <string>

#include "settings/player/BroadcastOutput.h"
#include "settings/format/Collection.h"
#include "settings/player/CustomEncoder.h"
#include "settings/format/PublishedProperty.h"
#include "settings/format/SettingsComponent.h"

class TBroadcastSettings : public TSettingsComponent {
 public:
  std::string ClassName() const override { return "TBroadcastSettings"; }
  const TPropList& Published() const override { return ClassProperties(); }
  static const TPropList& ClassProperties();

  // The broadcast lock; re-entrant, so a holder may call UpdateEncoderStatus. Any thread.
  static void EnterCS();
  static void LeaveCS();

  // Under the broadcast lock, sets every output's Status: "off" while broadcasting or the output is
  // switched off, else "active" when a reader thread is attached or its server is blank, else "idle".
  // Any thread, as long as the main thread does not change BOutputs meanwhile.
  void UpdateEncoderStatus();

  PUBLISHED_PROPERTY(bool, bEnableBroadcast, false)
  TCollectionOf<TBroadcastOutput>& BOutputs() { return FBOutputs; }
  const TCollectionOf<TBroadcastOutput>& BOutputs() const { return FBOutputs; }
  PUBLISHED_PROPERTY(std::string, sStreamTitle, "Quaverlin Stream")
  PUBLISHED_PROPERTY(std::string, sStreamUrl, "http://www.example.com/")
  PUBLISHED_PROPERTY(std::string, sStreamGenre, "Other")
  PUBLISHED_PROPERTY(std::string, sStreamDescription, "")
  PUBLISHED_PROPERTY(std::string, sBroadcastICQ, "")
  PUBLISHED_PROPERTY(std::string, sBroadcastAIM, "")
  PUBLISHED_PROPERTY(std::string, sBroadcastIRC, "")
  PUBLISHED_PROPERTY(std::string, StationLogo, "")
  PUBLISHED_PROPERTY(bool, SendTrackArtwork, false)
  PUBLISHED_PROPERTY(bool, PlayIntro, false)
  PUBLISHED_PROPERTY(std::string, IntroFile, "")
  PUBLISHED_PROPERTY(bool, ReconnectImmediatelyFirstTime, true)
  PUBLISHED_PROPERTY(int32_t, InternalServerBufferSizeMs, 2000)  // ms
  PUBLISHED_PROPERTY(int32_t, StatsCheckInterval, 10000)         // ms
  // Extra command-line options of the MP3 and AAC+ encoders.
  PUBLISHED_PROPERTY(std::string, EncLame, "--cbr --flush -h")
  PUBLISHED_PROPERTY(std::string, EncAacp, "--he")
  TCollectionOf<TCustomEncoder>& CustomEncoders() { return FCustomEncoders; }
  const TCollectionOf<TCustomEncoder>& CustomEncoders() const { return FCustomEncoders; }

 private:
  TCollectionOf<TBroadcastOutput> FBOutputs;
  TCollectionOf<TCustomEncoder> FCustomEncoders;
};
