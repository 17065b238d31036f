#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <chrono>
#include <cstdint>
#include <string_view>

namespace {

// Windows numbering (0 Monday .. 6 Sunday) of a date given as the number yyyymmdd.
int WindowsWeekdayOfDate(uint32_t yyyymmdd)
{
    using namespace std::chrono;
    const year_month_day date{year(static_cast<int>(yyyymmdd / 10000)),
                              month((yyyymmdd / 100) % 100), day(yyyymmdd % 100)};
    if (!date.ok())
        return 6;
    const unsigned isoWeekday = weekday(sys_days(date)).iso_encoding();  // 1 Monday .. 7 Sunday
    return static_cast<int>(isoWeekday) - 1;
}

// The user's LC_TIME locale from the environment, without touching the process locale; null
// only when not even the C locale can be made. Free with freelocale.
locale_t NewUserTimeLocale()
{
    locale_t userLocale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!userLocale)
        userLocale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    return userLocale;
}

// The separator after the hours of a strftime time format. %T, %R and %r spell "%H:%M..." (or
// "%I:%M...") themselves, so they, and a format without hours, give ":".
std::string SeparatorAfterHours(std::string_view format)
{
    constexpr std::string_view hourDirectives = "HIkl";
    for (size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        size_t directive = i + 1;
        while (directive < format.size() && (format[directive] == 'O' || format[directive] == 'E'))
            ++directive;  // alternative-digit and era modifiers
        if (directive >= format.size())
            break;
        if (hourDirectives.find(format[directive]) == std::string_view::npos) {
            i = directive;
            continue;
        }
        const size_t separatorStart = directive + 1;
        const size_t separatorEnd = format.find('%', separatorStart);
        const std::string_view separator =
            format.substr(separatorStart, separatorEnd == std::string_view::npos ? std::string_view::npos
                                                                                 : separatorEnd - separatorStart);
        return separator.empty() ? ":" : std::string(separator);
    }
    return ":";
}

}  // namespace

std::string LocaleTimeSeparator()
{
    locale_t userLocale = NewUserTimeLocale();
    if (!userLocale)
        return ":";
    std::string separator = SeparatorAfterHours(nl_langinfo_l(T_FMT, userLocale));
    freelocale(userLocale);
    return separator;
}

int LocaleFirstDayOfWeek()
{
    locale_t userLocale = NewUserTimeLocale();
    if (!userLocale)
        return 6;
    // glibc returns the week's reference day as a number yyyymmdd in place of a string pointer,
    // and the first weekday as a 1-based offset from that day in the first byte.
    const auto referenceDay =
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(nl_langinfo_l(_NL_TIME_WEEK_1STDAY, userLocale)));
    const int firstWeekdayOffset = nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, userLocale)[0];
    freelocale(userLocale);
    return (WindowsWeekdayOfDate(referenceDay) + firstWeekdayOffset - 1 + 7) % 7;
}
