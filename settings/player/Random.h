// Random numbers for identifiers that installations and outputs draw once (UID, EncoderID).
#pragma once

#include <cstdint>

// A uniformly distributed integer from 0 to range - 1 (range > 0), drawn from the operating
// system's random source, so objects made in the same clock tick still differ. Any thread.
int32_t RandomBelow(int32_t range);
