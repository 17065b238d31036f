#include "settings/player/BroadcastOutput.h"

#include "settings/format/PropInfo.h"
#include "settings/player/Random.h"

namespace {

constexpr int kEncoderIDLength = 4;

std::string RandomEncoderID() {
  std::string id;
  for (int i = 0; i < kEncoderIDLength; ++i) id += static_cast<char>('A' + RandomBelow(26));
  return id;
}

}  // namespace

TBroadcastOutput::TBroadcastOutput(TCollection& collection) : TCollectionItem(collection) {
  do {
    FEncoderID = RandomEncoderID();
  } while (IsEncoderIDTaken(FEncoderID));
}

bool TBroadcastOutput::IsEncoderIDTaken(const std::string& id) const {
  for (int i = 0; i < Collection().Count(); ++i) {
    auto* other = dynamic_cast<const TBroadcastOutput*>(&Collection().Item(i));
    if (other && other != this && other->EncoderID() == id) return true;
  }
  return false;
}

const TPropList& TBroadcastOutput::Published() const {
  using T = TBroadcastOutput;
  static const TPropList props({
      Prop::Boolean("bEnabled", &T::FbEnabled),
      Prop::Boolean("bPublic", &T::FbPublic),
      Prop::String("sServer", &T::FsServer),
      Prop::String("sPassword", &T::FsPassword),
      Prop::String("sAdminPassword", &T::FsAdminPassword),
      Prop::Integer("iFormat", &T::FiFormat),
      Prop::Integer("iBitrate", &T::FiBitrate),
      Prop::Integer("iEncoding", &T::FiEncoding),
      Prop::Integer("iSampleRate", &T::FiSampleRate),
      Prop::Integer("iChannels", &T::FiChannels),
      Prop::Integer("ReconnectMS", &T::FReconnectMS),
      Prop::Boolean("OverrideInfo", &T::FOverrideInfo),
      Prop::String("sStreamTitle", &T::FsStreamTitle),
      Prop::String("sStreamUrl", &T::FsStreamUrl),
      Prop::String("sStreamGenre", &T::FsStreamGenre),
      Prop::String("sStreamDescription", &T::FsStreamDescription),
      Prop::String("sBroadcastICQ", &T::FsBroadcastICQ),
      Prop::String("sBroadcastAIM", &T::FsBroadcastAIM),
      Prop::String("sBroadcastIRC", &T::FsBroadcastIRC),
      Prop::String("sDisplayName", &T::FsDisplayName),
      Prop::Boolean("bDoNotSendMetadata", &T::FbDoNotSendMetadata),
      Prop::Boolean("bUseCustomTitleFormat", &T::FbUseCustomTitleFormat),
      Prop::String("sCustomTitleFormat", &T::FsCustomTitleFormat),
      Prop::String("sRelayAddress", &T::FsRelayAddress),
      Prop::Integer("iRelayType", &T::FiRelayType),
      Prop::Boolean("bUseRelay", &T::FbUseRelay),
      Prop::String("sRelayMount", &T::FsRelayMount),
      Prop::Boolean("bRelaySSL", &T::FbRelaySSL),
      Prop::String("EncoderID", &T::FEncoderID),
  });
  return props;
}
