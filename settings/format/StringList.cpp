#include "settings/format/StringList.h"

#include "settings/format/TextCase.h"

int TStringList::IndexOf(const std::string& value) const {
  for (size_t i = 0; i < FStrings.size(); ++i) {
    bool equal = FCaseSensitive ? FStrings[i] == value : SameText(FStrings[i], value);
    if (equal) return static_cast<int>(i);
  }
  return -1;
}
