// The writer of the object text format: one component as "object TClass" ... "end", one property
// line per written property, two spaces of indent per level, CR LF line ends.
#pragma once

#include <string>

#include "settings/format/Persistent.h"

// The complete file text of instance (7-bit ASCII unless an identifier needs UTF-8, in which case
// the text starts with the UTF-8 byte-order mark). Property values are taken through the getters.
// Throws EWriteError for an enumeration value outside its identifier list.
std::string ComponentToText(TComponent& instance);
