#include "settings/player/HTTPRequest.h"

#include "settings/format/PropInfo.h"

const TPropList& THTTPRequest::Published() const {
  using T = THTTPRequest;
  static const TPropList props({
      Prop::String("Name", &T::FName),
      Prop::Boolean("Enabled", &T::FEnabled).Default(true),
      Prop::String("URL", &T::FURL),
      Prop::Integer("HttpEncoding", &T::FHttpEncoding),
      Prop::String("RequestType", &T::FRequestType),
      Prop::Boolean("NotifyPlayback", &T::FNotifyPlayback),
      Prop::Boolean("NotifyServer", &T::FNotifyServer),
      Prop::Boolean("NotifySilence", &T::FNotifySilence),
      Prop::Boolean("NotifyErrors", &T::FNotifyErrors),
  });
  return props;
}
