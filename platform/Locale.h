#pragma once
// The user's locale settings that the program asks for.

// The first day of the week of the user's LC_TIME locale (from the environment, as setlocale(""))
// with the Windows numbering: 0 Monday .. 6 Sunday. The C/POSIX locale starts on Sunday (6).
int LocaleFirstDayOfWeek();
