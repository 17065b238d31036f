// TBroadcastOutput: one server that the broadcast settings stream to (item of BOutputs).
//
// The published properties are settings: main thread. Status and ReaderThreadAttached are shared
// with the streaming threads and are read and written only under the broadcast lock
// (TBroadcastSettings::EnterCS / LeaveCS).
#pragma once

#include <cstdint>
#include <string>

#include "settings/format/Collection.h"
#include "settings/format/PublishedProperty.h"

class TBroadcastOutput : public TCollectionItem {
 public:
  // Draws an EncoderID of four capital letters that no other output of collection has.
  explicit TBroadcastOutput(TCollection& collection);
  std::string ClassName() const override { return "TBroadcastOutput"; }
  const TPropList& Published() const override;

  PUBLISHED_PROPERTY(bool, bEnabled, false)
  // Listed in the server's public directory.
  PUBLISHED_PROPERTY(bool, bPublic, false)
  // Server address; UpdateEncoderStatus counts an enabled output with a blank one as active.
  PUBLISHED_PROPERTY(std::string, sServer, "")
  PUBLISHED_PROPERTY(std::string, sPassword, "")
  PUBLISHED_PROPERTY(std::string, sAdminPassword, "")
  PUBLISHED_PROPERTY(int32_t, iFormat, 0)
  PUBLISHED_PROPERTY(int32_t, iBitrate, 128)  // kbit/s
  PUBLISHED_PROPERTY(int32_t, iEncoding, 0)
  PUBLISHED_PROPERTY(int32_t, iSampleRate, 44100)  // Hz
  PUBLISHED_PROPERTY(int32_t, iChannels, 2)
  PUBLISHED_PROPERTY(int32_t, ReconnectMS, 5000)  // ms
  // Use this output's stream details instead of the broadcast settings' own.
  PUBLISHED_PROPERTY(bool, OverrideInfo, false)
  PUBLISHED_PROPERTY(std::string, sStreamTitle, "")
  PUBLISHED_PROPERTY(std::string, sStreamUrl, "")
  PUBLISHED_PROPERTY(std::string, sStreamGenre, "")
  PUBLISHED_PROPERTY(std::string, sStreamDescription, "")
  PUBLISHED_PROPERTY(std::string, sBroadcastICQ, "")
  PUBLISHED_PROPERTY(std::string, sBroadcastAIM, "")
  PUBLISHED_PROPERTY(std::string, sBroadcastIRC, "")
  PUBLISHED_PROPERTY(std::string, sDisplayName, "")
  PUBLISHED_PROPERTY(bool, bDoNotSendMetadata, false)
  PUBLISHED_PROPERTY(bool, bUseCustomTitleFormat, false)
  PUBLISHED_PROPERTY(std::string, sCustomTitleFormat, "")
  PUBLISHED_PROPERTY(std::string, sRelayAddress, "")
  PUBLISHED_PROPERTY(int32_t, iRelayType, 0)
  PUBLISHED_PROPERTY(bool, bUseRelay, false)
  PUBLISHED_PROPERTY(std::string, sRelayMount, "")
  PUBLISHED_PROPERTY(bool, bRelaySSL, false)
  // Four capital letters naming the output's encoder; unique within its collection when drawn.
  PUBLISHED_PROPERTY(std::string, EncoderID, "")

  // Under the broadcast lock: "off", "idle" or "active", set by UpdateEncoderStatus.
  const std::string& Status() const { return FStatus; }
  void SetStatus(const std::string& value) { FStatus = value; }
  // Under the broadcast lock: whether a stream reader thread currently feeds this output.
  bool ReaderThreadAttached() const { return FReaderThreadAttached; }
  void SetReaderThreadAttached(bool value) { FReaderThreadAttached = value; }

 private:
  bool IsEncoderIDTaken(const std::string& id) const;

  std::string FStatus;
  bool FReaderThreadAttached = false;
};
