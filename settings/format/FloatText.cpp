#include "settings/format/FloatText.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

constexpr int kSignificantDigits = 16;
constexpr int kDecimals = 18;

// The C locale, so that '.' is the decimal separator whatever the application set.
locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return locale;
}

std::string FixedFromDigits(bool negative, const std::string& digits, int exponent) {
  // value = 0.d1d2...d16 * 10^(exponent + 1)
  std::string integerPart;
  std::string fraction;
  int pointAfter = exponent + 1;  // digits before the decimal point
  if (pointAfter <= 0) {
    integerPart = "0";
    fraction = std::string(static_cast<size_t>(-pointAfter), '0') + digits;
  } else if (pointAfter >= static_cast<int>(digits.size())) {
    integerPart = digits + std::string(static_cast<size_t>(pointAfter) - digits.size(), '0');
  } else {
    integerPart = digits.substr(0, static_cast<size_t>(pointAfter));
    fraction = digits.substr(static_cast<size_t>(pointAfter));
  }
  fraction.resize(kDecimals, '0');
  return (negative ? "-" : "") + integerPart + "." + fraction;
}

}  // namespace

std::string FloatToSettingsText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "1E9999" : "-1E9999";
  if (value == 0) return "0." + std::string(kDecimals, '0');

  char buffer[64];
  char* end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                            kSignificantDigits - 1).ptr;
  std::string scientific(buffer, end);  // "-d.ddddddddddddddde-05"
  bool negative = scientific[0] == '-';
  if (negative) scientific.erase(0, 1);
  size_t ePos = scientific.find('e');
  std::string digits = scientific.substr(0, 1) + scientific.substr(2, ePos - 2);
  int exponent = std::atoi(scientific.c_str() + ePos + 1);

  if (kSignificantDigits - 1 - exponent <= kDecimals) return FixedFromDigits(negative, digits, exponent);
  // Below 0.001 the 18 decimals end before the 16th significant digit: round there instead.
  end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, kDecimals).ptr;
  return std::string(buffer, end);
}

std::optional<double> SettingsTextToFloat(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    bool allowed = (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
    if (!allowed) return std::nullopt;
  }
  std::string copy(text);
  char* end = nullptr;
  double value = strtod_l(copy.c_str(), &end, CLocale());  // overflow gives +-HUGE_VAL (infinity)
  if (end != copy.c_str() + copy.size()) return std::nullopt;
  return value;
}
