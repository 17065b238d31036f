#include "cli/UrlMonitor.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>

#include <nlohmann/json.hpp>

#include "cli/StopSignals.h"
#include "dtmf/ToneLog.h"
#include "platform/MainLoop.h"
#include "platform/TickCount.h"

namespace {

constexpr uint32_t LoopSliceMs = 100;  // how soon a signal or the end of the duration is seen

// Local wall-clock time with milliseconds: "HH:MM:SS.mmm" (text) or ISO 8601 with the offset.
std::string WallClock(std::chrono::system_clock::time_point when, bool iso) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[64];
  std::strftime(text, sizeof text, iso ? "%Y-%m-%dT%H:%M:%S" : "%H:%M:%S", &local);
  char zone[8] = "";
  if (iso) std::strftime(zone, sizeof zone, "%z", &local);
  char result[96];
  std::snprintf(result, sizeof result, "%s.%03d%s", text, static_cast<int>(ms), zone);
  return result;
}

// "H:MM:SS.mmm" of a stream position.
std::string StreamClock(double ms) {
  const auto total = static_cast<uint64_t>(ms);
  char text[48];
  std::snprintf(text, sizeof text, "%llu:%02u:%02u.%03u", static_cast<unsigned long long>(total / 3600000),
                static_cast<unsigned>(total / 60000 % 60), static_cast<unsigned>(total / 1000 % 60),
                static_cast<unsigned>(total % 1000));
  return text;
}

const char* StateName(TNetSourceState state) {
  switch (state) {
    case TNetSourceState::Connecting: return "connecting";
    case TNetSourceState::Buffering: return "buffering";
    case TNetSourceState::Ready: return "ready";
    case TNetSourceState::Title: return "title";
    case TNetSourceState::Error: return "error";
    case TNetSourceState::Reconnecting: return "reconnecting";
  }
  return "unknown";
}

std::string KeyText(char16_t key) { return std::string(1, static_cast<char>(key)); }

}  // namespace

TUrlMonitor::TUrlMonitor(TUrlMonitorOptions options, std::ostream& out, std::ostream& err)
    : FOptions(std::move(options)), FOut(out), FErr(err) {}

int TUrlMonitor::Run() {
  const TStopSignals signals;
  auto sentry = std::make_unique<TToneSentry>(0, FOptions.url, FOptions.detector);
  sentry->OnKeyFound = [this](const TDetectedKey& key) { KeyFound(key); };
  sentry->SetOnSourceStatus([this](const TNetSourceStatus& status) { StatusChanged(status); });
  {
    const std::lock_guard lock(FOutputLock);
    FErr << "tonesentry: monitoring " << FOptions.url
         << "; a lost stream is reconnected for as long as this runs (Ctrl+C ends it)" << std::endl;
  }
  sentry->Start();
  const uint64_t startMs = GetTickCount64();
  while (KeepRunning(startMs) && !sentry->Finished()) {
    ProcessMessagesFor(LoopSliceMs);
    // The keys reach us through OnKeyFound; the process-wide tone log, which the window drains,
    // would only grow here.
    TakeDetectedTones(true);
  }
  sentry->Stop();
  const std::string failure = sentry->ErrorText();
  sentry.reset();
  const std::lock_guard lock(FOutputLock);
  if (!failure.empty()) {
    FErr << "tonesentry: " << FOptions.url << ": " << failure << std::endl;
    return 1;
  }
  FErr << "tonesentry: monitoring ended" << std::endl;
  return 0;
}

bool TUrlMonitor::KeepRunning(uint64_t startMs) const {
  if (TStopSignals::Requested()) return false;
  if (!FOptions.durationSeconds) return true;
  return static_cast<double>(GetTickCount64() - startMs) < *FOptions.durationSeconds * 1000;
}

void TUrlMonitor::KeyFound(const TDetectedKey& key) {
  const auto now = std::chrono::system_clock::now();
  const std::lock_guard lock(FOutputLock);
  if (FOptions.json) {
    const nlohmann::json line = {{"event", "key"},
                                 {"key", KeyText(key.key)},
                                 {"time", WallClock(now, true)},
                                 {"streamSeconds", key.startMs / 1000}};
    FOut << line.dump() << std::endl;
  } else {
    FOut << WallClock(now, false) << "  " << StreamClock(key.startMs) << "  " << KeyText(key.key) << std::endl;
  }
}

void TUrlMonitor::StatusChanged(const TNetSourceStatus& status) {
  // The percentage changes every 50 ms while buffering: the first notice of a run says enough.
  const bool repeatsBuffering = status.state == TNetSourceState::Buffering && FLastState == status.state;
  FLastState = status.state;
  if (repeatsBuffering) return;
  if (status.state == TNetSourceState::Title) {
    // A connection announces its title more than once; an unchanged one is not news.
    if (status.caption == FLastTitle) return;
    FLastTitle = status.caption;
  }
  const std::lock_guard lock(FOutputLock);
  const auto now = std::chrono::system_clock::now();
  const char* state = StateName(status.state);
  if (status.state == TNetSourceState::Reconnecting) {
    FErr << "tonesentry: " << WallClock(now, false) << " stream lost; reconnecting (again and again until "
         << "interrupted)" << std::endl;
  } else {
    FErr << "tonesentry: " << WallClock(now, false) << " " << state << ": " << status.caption << std::endl;
  }
  if (!FOptions.json || !FOptions.events) return;
  nlohmann::json line = {{"event", status.state == TNetSourceState::Title ? "title" : "status"},
                         {"time", WallClock(now, true)}};
  if (status.state == TNetSourceState::Title) {
    line["title"] = status.caption;
  } else {
    line["state"] = state;
    line["text"] = status.caption;
  }
  FOut << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}
