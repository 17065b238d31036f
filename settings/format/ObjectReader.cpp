#include "settings/format/ObjectReader.h"

#include <cmath>
#include <limits>
#include <optional>

#include "settings/format/PropInfo.h"
#include "settings/format/StreamErrors.h"
#include "settings/format/TextCase.h"

namespace {

using TKind = TTextValue::TKind;

// Integer and Cardinal take the 32 bits of any literal from -2^31 to 2^32-1.
std::optional<int64_t> ThirtyTwoBits(const TTextValue& value) {
  if (value.Kind != TKind::Integer) return std::nullopt;
  if (value.Integer < std::numeric_limits<int32_t>::min() ||
      value.Integer > std::numeric_limits<uint32_t>::max()) {
    return std::nullopt;
  }
  return value.Integer;
}

std::optional<int64_t> IndexOfName(TEnumNames names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (SameText(names[i], name)) return static_cast<int64_t>(i);
  }
  return std::nullopt;
}

std::optional<int64_t> IntegerValue(const TPropInfo& prop, const TTextValue& value) {
  if (value.Kind == TKind::Identifier) {
    for (const TIdentMapEntry& entry : prop.Idents()) {
      if (SameText(entry.Name, value.Text)) return entry.Value;
    }
    return std::nullopt;
  }
  std::optional<int64_t> bits = ThirtyTwoBits(value);
  if (bits) return static_cast<int32_t>(static_cast<uint32_t>(*bits));
  return std::nullopt;
}

std::optional<int64_t> SetValue(const TPropInfo& prop, const TTextValue& value) {
  if (value.Kind != TKind::Set) return std::nullopt;
  int64_t mask = 0;
  for (const std::string& member : value.Members) {
    std::optional<int64_t> index = IndexOfName(prop.EnumNames(), member);
    if (!index || *index >= 63) return std::nullopt;
    mask |= int64_t{1} << *index;
  }
  return mask;
}

std::optional<int64_t> OrdinalValue(const TPropInfo& prop, const TTextValue& value) {
  switch (prop.Kind()) {
    case TPropKind::Integer: return IntegerValue(prop, value);
    case TPropKind::Cardinal: {
      std::optional<int64_t> bits = ThirtyTwoBits(value);
      if (bits) return static_cast<uint32_t>(*bits);
      return std::nullopt;
    }
    case TPropKind::Boolean: {
      static constexpr std::string_view kBooleanNames[] = {"False", "True"};
      if (value.Kind != TKind::Identifier) return std::nullopt;
      return IndexOfName(kBooleanNames, value.Text);
    }
    case TPropKind::Enumeration:
      if (value.Kind != TKind::Identifier) return std::nullopt;
      return IndexOfName(prop.EnumNames(), value.Text);
    default: return SetValue(prop, value);
  }
}

std::optional<double> FloatValue(const TTextValue& value) {
  if (value.Kind == TKind::Integer) return static_cast<double>(value.Integer);
  if (value.Kind == TKind::Float && (value.FloatSuffix == 0 || value.FloatSuffix == 'f')) return value.Float;
  if (value.Kind == TKind::Identifier && SameText(value.Text, "NaN")) return std::nan("");
  return std::nullopt;
}

}  // namespace

void TReader::ReadRootComponent(const TTextObject& text, TComponent& root) {
  if (!text.ObjectName.empty()) root.SetName(text.ObjectName);
  AssignProperties(root, text.Properties);
}

void TReader::AssignProperties(TPersistent& target, const std::vector<TTextProperty>& properties) {
  for (const TTextProperty& property : properties) {
    try {
      AssignNamed(target, property.Name, property.Name, property.Value);
    } catch (const EPropertyValueError& error) {
      PropertyError(error.what());
    }
  }
}

// A dotted name reaches into a nested object, or names a string list's ".Strings".
void TReader::AssignNamed(TPersistent& target, const std::string& name, const std::string& fullName,
                          const TTextValue& value) {
  size_t dot = name.find('.');
  const TPropInfo* prop = target.Published().Find(std::string_view(name).substr(0, dot));
  bool assigned = false;
  if (prop == nullptr) {
    PropertyError("Property " + fullName + " does not exist");
    return;
  }
  if (dot == std::string::npos) {
    assigned = AssignValue(target, *prop, value);
  } else if (prop->Kind() == TPropKind::StringList && SameText(name.substr(dot + 1), "Strings")) {
    assigned = AssignStringList(target, *prop, value);
  } else if (prop->Kind() == TPropKind::Object) {
    AssignNamed(prop->Object(target), name.substr(dot + 1), fullName, value);
    return;
  } else {
    PropertyError("Property " + fullName + " does not exist");
    return;
  }
  if (!assigned) PropertyError("Invalid property value of " + fullName);
}

// False when the value does not fit the property; the property is then left unchanged.
bool TReader::AssignValue(TPersistent& target, const TPropInfo& prop, const TTextValue& value) {
  if (prop.IsOrdinal()) {
    std::optional<int64_t> ordinal = OrdinalValue(prop, value);
    if (ordinal) prop.SetOrdinal(target, *ordinal);
    return ordinal.has_value();
  }
  switch (prop.Kind()) {
    case TPropKind::Double:
    case TPropKind::Single: {
      std::optional<double> number = FloatValue(value);
      if (number) prop.SetFloat(target, *number);
      return number.has_value();
    }
    case TPropKind::String:
      if (value.Kind != TKind::String) return false;
      prop.SetString(target, value.Text);
      return true;
    case TPropKind::Collection: return AssignCollection(target, prop, value);
    default: return false;  // string lists and nested objects are reached only by dotted names
  }
}

bool TReader::AssignStringList(TPersistent& target, const TPropInfo& prop, const TTextValue& value) {
  if (value.Kind != TKind::List) return false;
  for (const TTextValue& element : value.Elements) {
    if (element.Kind != TKind::String) return false;
  }
  TStringList& list = prop.StringList(target);
  list.Clear();
  for (const TTextValue& element : value.Elements) list.Add(element.Text);
  return true;
}

// "<>" keeps the collection's items; a non-empty list replaces them, each new item starting from
// its constructor values.
bool TReader::AssignCollection(TPersistent& target, const TPropInfo& prop, const TTextValue& value) {
  if (value.Kind != TKind::Collection) return false;
  if (value.Items.empty()) return true;
  TCollection& collection = prop.Collection(target);
  collection.Clear();
  for (const TTextItem& item : value.Items) AssignProperties(collection.AddItem(), item.Properties);
  return true;
}

void TReader::PropertyError(const std::string& message) {
  bool handled = false;
  if (OnError) OnError(*this, message, handled);
  if (!handled) throw EReadError(message);
}
