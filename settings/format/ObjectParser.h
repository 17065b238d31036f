// The parser of the object text format.
#pragma once

#include <string_view>

#include "settings/format/ObjectTree.h"

// Parses a whole file's bytes. A text starting with the UTF-8 byte-order mark is UTF-8, any other
// is Windows-1252. Throws EParserError for any text that does not follow the format; the fixed
// messages are "Invalid string constant", "Invalid property value" and "ANSI or UTF8 encoding
// expected". Nesting of lists, collections and objects is limited to kMaxObjectTextDepth levels.
TTextObject ParseObjectText(std::string_view bytes);

inline constexpr int kMaxObjectTextDepth = 32;
