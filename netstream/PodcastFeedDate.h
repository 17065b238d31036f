// Dates of podcast feeds: RFC 822 date-times as RSS writes them in pubDate.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// "[Wed, ]02 Oct 2002 13:00:00 GMT": day of week optional, seconds optional, two-digit years
// taken as 1950..2049, zones +hhmm/-hhmm, UT, GMT, Z, EST, EDT, CST, CDT, MST, MDT, PST, PDT and
// the one-letter military zones (taken as UTC: their sign was defined the wrong way round).
// Returns seconds since 1970-01-01 UTC, or nothing for text that is not such a date.
std::optional<int64_t> ParseRfc822Date(std::string_view text);
