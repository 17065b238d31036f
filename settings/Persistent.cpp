#include "settings/Persistent.h"

#include "settings/PropInfo.h"

const TPropList& TComponent::ClassProperties() {
  using T = TComponent;
  static const TPropList props({
      Prop::String("Name", &T::FName).Stored(false),
      Prop::Integer("Tag", &T::FTag).Default(0),
  });
  return props;
}
