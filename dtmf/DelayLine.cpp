#include "dtmf/DelayLine.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/CriticalSection.h"

namespace {

std::vector<float> DelayRing;
size_t DelayPos = 0;
std::unique_ptr<TCriticalSection> DelayLock;

}  // namespace

void InitializeDelayLine() {
  DelayLock = std::make_unique<TCriticalSection>();
  DelayRing.clear();
  DelayPos = 0;
}

void FinalizeDelayLine() {
  DelayLock.reset();
  DelayRing = {};
  DelayPos = 0;
}

void ResetDelayLine(HSTREAM mixer, uint32_t delayMs) {
  std::lock_guard lock(*DelayLock);
  const int64_t length =
      static_cast<int64_t>(BASS_ChannelSeconds2Bytes(mixer, delayMs / 1000.0)) / 4;
  // A failed size query keeps the ring as it was; a delay of 0 empties it, so a run without delay
  // never inherits the previous run's.
  if (BASS_ErrorGetCode() == BASS_OK && length >= 0) DelayRing.resize(static_cast<size_t>(length));
  DelayPos = 0;
  std::fill(DelayRing.begin(), DelayRing.end(), 0.0f);
}

size_t DelayLineLength() {
  std::lock_guard lock(*DelayLock);
  return DelayRing.size();
}

void DelayLineDSP(HDSP, DWORD, void* buffer, DWORD length, void*) {
  if (!DelayLock) return;
  std::lock_guard lock(*DelayLock);
  if (DelayRing.empty()) return;
  float* samples = static_cast<float*>(buffer);
  const size_t count = length / sizeof(float);
  for (size_t i = 0; i < count; ++i) {
    std::swap(samples[i], DelayRing[DelayPos]);
    DelayPos = (DelayPos + 1) % DelayRing.size();
  }
}
