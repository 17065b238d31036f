#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <chrono>
#include <cstdint>

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

}  // namespace

int LocaleFirstDayOfWeek()
{
    // The user's LC_TIME locale from the environment, without touching the process locale.
    locale_t userLocale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!userLocale)
        userLocale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
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
