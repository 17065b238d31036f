// Date-time values as the playback side counts them: days since 1899-12-30 00:00 in the integer
// part, the time of day as a fraction of a day.
#pragma once

using TDateTime = double;

// A clock that returns the current local date and time; any thread.
using TGetCurrentTime = TDateTime (*)();
