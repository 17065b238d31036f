#pragma once
// The user's locale settings that the program asks for.
#include <string>

// The first day of the week of the user's LC_TIME locale (from the environment, as setlocale(""))
// with the Windows numbering: 0 Monday .. 6 Sunday. The C/POSIX locale starts on Sunday (6).
int LocaleFirstDayOfWeek();

// The time separator of the user's LC_TIME locale (from the environment): the text between hours
// and minutes of its time format, for example "." in fi_FI; ":" when the format does not show one.
// UTF-8; never empty.
std::string LocaleTimeSeparator();
