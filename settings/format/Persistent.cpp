#include "settings/format/Persistent.h"

#include "settings/format/PropInfo.h"
#include "settings/format/StreamErrors.h"

namespace {

bool IsIdentifierByte(char c, bool first) {
  unsigned char byte = static_cast<unsigned char>(c);
  bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || byte > 127;
  return letter || (!first && c >= '0' && c <= '9');
}

}  // namespace

void TComponent::SetName(const std::string& value) {
  for (size_t i = 0; i < value.size(); ++i) {
    if (!IsIdentifierByte(value[i], i == 0)) throw EPropertyValueError("\"" + value + "\" is not a valid component name");
  }
  FName = value;
}

const TPropList& TComponent::ClassProperties() {
  using T = TComponent;
  static const TPropList props({
      Prop::String("Name", &T::FName, &T::SetName).Stored(false),
      Prop::Integer("Tag", &T::FTag).Default(0),
  });
  return props;
}
