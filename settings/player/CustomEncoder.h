// TCustomEncoder: an encoder program that the user added for broadcasting (item of the broadcast
// settings' CustomEncoders). Main thread, like the settings that hold it.
#pragma once

#include <string>

#include "settings/format/Collection.h"
#include "settings/format/PublishedProperty.h"

class TCustomEncoder : public TCollectionItem {
 public:
  explicit TCustomEncoder(TCollection& collection) : TCollectionItem(collection) {}
  std::string ClassName() const override { return "TCustomEncoder"; }
  const TPropList& Published() const override;

  PUBLISHED_PROPERTY(std::string, Name, "")
  PUBLISHED_PROPERTY(std::string, CommandLine, "")
  // MIME type announced to the server.
  PUBLISHED_PROPERTY(std::string, ContentType, "")
};
