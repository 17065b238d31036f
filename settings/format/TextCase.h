// Case-insensitive comparison of identifiers and keywords (ASCII letters only, as the settings
// format's names are ASCII; other bytes compare exactly).
#pragma once

#include <string_view>

bool SameText(std::string_view a, std::string_view b);
