#include "settings/player/Random.h"

#include <random>

int32_t RandomBelow(int32_t range) {
  std::random_device source;
  return std::uniform_int_distribution<int32_t>(0, range - 1)(source);
}
