// THTTPRequest: an address the product calls on playback, server, silence or error events (item of
// the player settings' HTTPReq). Main thread, like the settings that hold it.
#pragma once

#include <cstdint>
#include <string>

#include "settings/format/Collection.h"
#include "settings/format/PublishedProperty.h"

class THTTPRequest : public TCollectionItem {
 public:
  explicit THTTPRequest(TCollection& collection) : TCollectionItem(collection) {}
  std::string ClassName() const override { return "THTTPRequest"; }
  const TPropList& Published() const override;

  PUBLISHED_PROPERTY(std::string, Name, "")
  PUBLISHED_PROPERTY(bool, Enabled, true)  // declared default True
  PUBLISHED_PROPERTY(std::string, URL, "")
  PUBLISHED_PROPERTY(int32_t, HttpEncoding, 0)
  // "GET" or "POST".
  PUBLISHED_PROPERTY(std::string, RequestType, "GET")
  PUBLISHED_PROPERTY(bool, NotifyPlayback, true)
  PUBLISHED_PROPERTY(bool, NotifyServer, false)
  PUBLISHED_PROPERTY(bool, NotifySilence, false)
  PUBLISHED_PROPERTY(bool, NotifyErrors, false)
};
