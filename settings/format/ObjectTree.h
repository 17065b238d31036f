// The parsed form of an object text: what the parser produces and the reader assigns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TTextItem;

struct TTextValue {
  enum class TKind { Integer, Float, String, Identifier, Set, List, Collection };
  TKind Kind = TKind::Integer;
  int64_t Integer = 0;
  double Float = 0;
  char FloatSuffix = 0;               // 0 for none, else 's', 'c', 'd' or 'f' (lower case)
  std::string Text;                   // String (UTF-8) or Identifier
  std::vector<std::string> Members;   // Set
  std::vector<TTextValue> Elements;   // List: "(" values ")"
  std::vector<TTextItem> Items;       // Collection: "<" items ">"
};

struct TTextProperty {
  std::string Name;  // may be dotted: "MainFont.Height", "ArtistSeparator.Strings"
  TTextValue Value;
};

struct TTextItem {
  std::vector<TTextProperty> Properties;
};

struct TTextObject {
  std::string ObjectName;  // empty when the header names only the class
  std::string ClassName;
  std::vector<TTextProperty> Properties;
  std::vector<TTextObject> Children;  // nested object blocks; settings files have none
};
