#include "dtmf/ToneLog.h"

#include <deque>
#include <memory>
#include <mutex>

#include "platform/CriticalSection.h"
#include "platform/TickCount.h"

namespace {

constexpr uint32_t ExpiryMs = 1500;

std::unique_ptr<std::deque<TDet>> DetectedTones;
std::unique_ptr<TCriticalSection> TonesLock;

}  // namespace

void InitializeToneLog() {
  DetectedTones = std::make_unique<std::deque<TDet>>();
  TonesLock = std::make_unique<TCriticalSection>();
}

void FinalizeToneLog() {
  DetectedTones.reset();
  TonesLock.reset();
}

void AppendDetectedTone(char16_t key) {
  std::lock_guard lock(*TonesLock);
  DetectedTones->push_back(TDet{GetTickCount(), key});
}

std::string TakeDetectedTones(bool clearAfter) {
  std::lock_guard lock(*TonesLock);
  const uint32_t now = GetTickCount();
  while (!DetectedTones->empty() && now - DetectedTones->front().TS > ExpiryMs) {
    DetectedTones->pop_front();
  }
  std::string text;
  for (const TDet& det : *DetectedTones) text += static_cast<char>(det.c);
  if (clearAfter) DetectedTones->clear();
  return text;
}
