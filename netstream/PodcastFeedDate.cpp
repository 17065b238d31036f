#include "netstream/PodcastFeedDate.h"

#include <array>
#include <cctype>
#include <string>

namespace {

// Splits off the next run of characters that are not blanks or commas.
std::string_view NextWord(std::string_view& text) {
  size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t' || text[start] == ','))
    ++start;
  size_t end = start;
  while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != ',') ++end;
  const std::string_view word = text.substr(start, end - start);
  text.remove_prefix(end);
  return word;
}

std::string Lower(std::string_view word) {
  std::string lower(word);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::optional<int> Number(std::string_view digits, size_t minDigits, size_t maxDigits) {
  if (digits.size() < minDigits || digits.size() > maxDigits) return std::nullopt;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int> MonthNumber(std::string_view word) {
  static constexpr std::array<const char*, 12> kMonths = {
      "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
  const std::string lower = Lower(word.substr(0, 3));
  if (word.size() < 3) return std::nullopt;
  for (size_t i = 0; i < kMonths.size(); ++i) {
    if (lower == kMonths[i]) return static_cast<int>(i) + 1;
  }
  return std::nullopt;
}

std::optional<int> ZoneOffsetMinutes(std::string_view zone) {
  if (zone.empty()) return 0;  // many feeds leave it out; UTC is the best guess
  if (zone[0] == '+' || zone[0] == '-') {
    const auto hhmm = Number(zone.substr(1), 4, 4);
    if (!hhmm) return std::nullopt;
    const int minutes = (*hhmm / 100) * 60 + *hhmm % 100;
    return zone[0] == '-' ? -minutes : minutes;
  }
  struct Named {
    const char* name;
    int hours;
  };
  static constexpr std::array<Named, 11> kZones = {{{"ut", 0},
                                                    {"utc", 0},
                                                    {"gmt", 0},
                                                    {"est", -5},
                                                    {"edt", -4},
                                                    {"cst", -6},
                                                    {"cdt", -5},
                                                    {"mst", -7},
                                                    {"mdt", -6},
                                                    {"pst", -8},
                                                    {"pdt", -7}}};
  const std::string lower = Lower(zone);
  for (const Named& named : kZones) {
    if (lower == named.name) return named.hours * 60;
  }
  if (lower.size() == 1 && lower[0] >= 'a' && lower[0] <= 'z' && lower[0] != 'j') return 0;
  return std::nullopt;
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[static_cast<size_t>(month - 1)];
}

}  // namespace

std::optional<int64_t> ParseRfc822Date(std::string_view text) {
  std::string_view rest = text;
  std::string_view word = NextWord(rest);
  if (!word.empty() && std::isalpha(static_cast<unsigned char>(word[0]))) word = NextWord(rest);
  const auto day = Number(word, 1, 2);
  const auto month = MonthNumber(NextWord(rest));
  auto year = Number(NextWord(rest), 2, 4);
  if (!day || !month || !year) return std::nullopt;
  if (*year < 100) *year += *year < 50 ? 2000 : 1900;
  if (*day < 1 || *day > DaysInMonth(*year, *month)) return std::nullopt;

  const std::string_view clock = NextWord(rest);
  const auto hour = Number(clock.substr(0, clock.find(':')), 1, 2);
  if (clock.size() < 4 || clock.find(':') == std::string_view::npos) return std::nullopt;
  std::string_view afterHour = clock.substr(clock.find(':') + 1);
  const auto minute = Number(afterHour.substr(0, afterHour.find(':')), 2, 2);
  std::optional<int> second = 0;
  if (afterHour.find(':') != std::string_view::npos) {
    second = Number(afterHour.substr(afterHour.find(':') + 1), 2, 2);
  }
  if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 60) return std::nullopt;

  const auto offsetMinutes = ZoneOffsetMinutes(NextWord(rest));
  if (!offsetMinutes) return std::nullopt;
  const int64_t days = DaysFromCivil(*year, *month, *day);
  return days * 86400 + *hour * 3600 + *minute * 60 + *second - int64_t{*offsetMinutes} * 60;
}
