#include "settings/player/CustomEncoder.h"

#include "settings/format/PropInfo.h"

const TPropList& TCustomEncoder::Published() const {
  using T = TCustomEncoder;
  static const TPropList props({
      Prop::String("Name", &T::FName),
      Prop::String("CommandLine", &T::FCommandLine),
      Prop::String("ContentType", &T::FContentType),
  });
  return props;
}
