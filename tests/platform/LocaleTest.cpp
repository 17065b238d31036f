#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <locale.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

class LocaleTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (FSavedLcAll)
            setenv("LC_ALL", FSavedLcAll->c_str(), 1);
        else
            unsetenv("LC_ALL");
    }
    void UseLocale(const char* name)
    {
        const char* old = std::getenv("LC_ALL");
        if (!FSavedLcAll && old)
            FSavedLcAll = old;
        setenv("LC_ALL", name, 1);
    }
    static bool LocaleInstalled(const char* name)
    {
        locale_t probe = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(nullptr));
        if (probe)
            freelocale(probe);
        return probe != nullptr;
    }

    std::optional<std::string> FSavedLcAll;
};

TEST_F(LocaleTest, CLocaleStartsTheWeekOnSunday)
{
    UseLocale("C");
    EXPECT_EQ(LocaleFirstDayOfWeek(), 6);
}

TEST_F(LocaleTest, UnknownLocaleFallsBackToTheCLocale)
{
    UseLocale("xx_NOWHERE.UTF-8");
    EXPECT_EQ(LocaleFirstDayOfWeek(), 6);
}

TEST_F(LocaleTest, EuropeanLocaleStartsTheWeekOnMonday)
{
    if (!LocaleInstalled("de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    UseLocale("de_DE.UTF-8");
    EXPECT_EQ(LocaleFirstDayOfWeek(), 0);
}

TEST_F(LocaleTest, UsLocaleStartsTheWeekOnSunday)
{
    if (!LocaleInstalled("en_US.UTF-8"))
        GTEST_SKIP() << "en_US.UTF-8 is not installed";
    UseLocale("en_US.UTF-8");
    EXPECT_EQ(LocaleFirstDayOfWeek(), 6);
}

TEST_F(LocaleTest, TimeSeparatorIsTheTextBetweenHoursAndMinutesOfTheLocalesTimeFormat)
{
    struct TCase {
        const char* locale;
        const char* separator;
    };
    // C spells %H:%M:%S, en_US uses %r (12-hour), de_DE %T, fi_FI %H.%M.%S.
    const TCase cases[] = {{"C", ":"}, {"xx_NOWHERE.UTF-8", ":"}, {"en_US.UTF-8", ":"},
                           {"de_DE.UTF-8", ":"}, {"fi_FI.UTF-8", "."}};
    for (const TCase& c : cases) {
        if (!LocaleInstalled(c.locale) && std::string(c.locale) != "xx_NOWHERE.UTF-8")
            continue;
        UseLocale(c.locale);
        EXPECT_EQ(LocaleTimeSeparator(), c.separator) << c.locale;
    }
}

}  // namespace
