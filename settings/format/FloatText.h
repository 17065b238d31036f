// Floating-point text of settings files, independent of the process locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Fixed-point text with '.' and exactly 18 decimals, after rounding to 16 significant digits:
// 0.05 -> "0.050000000000000000", -65 -> "-65.000000000000000000". Infinities are written as
// "1E9999" and "-1E9999" (they read back as infinities) and NaN as "NaN".
std::string FloatToSettingsText(double value);

// Parses a literal of digits, '.', 'e'/'E' and signs (no suffix). Magnitudes beyond the double
// range become infinities, tiny ones zero. Empty when the text is not such a number.
std::optional<double> SettingsTextToFloat(std::string_view text);
