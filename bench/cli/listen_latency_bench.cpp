// Latency of `tonesentry listen`: from the start of a key tone to the moment its line is written.
//
// A virtual capture device on the real-time clock plays a file of keys (one every 500 ms); listen
// prints each key with the wall-clock time its tone started in the captured audio. Every line is
// stamped with the wall clock as it is written; the latency is the stamp minus the printed time
// (the printed time is the capture's start plus the key's position, so the capture's prebuffer and
// block sizes are part of the figure, as they are for a user).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "VirtualDeviceList.h"
#include "audiolib/devices/VirtualDevices.h"
#include "cli/CliStartup.h"
#include "cli/ListenCommand.h"
#include "dtmf/SyntheticAudio.h"

namespace {

using TWallClock = std::chrono::system_clock;
constexpr int kRate = 48000;

// Keeps each written line with the wall-clock time it was completed.
class TStampedLines : public std::streambuf {
 public:
  struct TLine {
    std::string text;
    TWallClock::time_point written;
  };
  std::vector<TLine> lines;

 protected:
  int overflow(int c) override {
    if (c == '\n') {
      lines.push_back({FCurrent, TWallClock::now()});
      FCurrent.clear();
    } else if (c != EOF) {
      FCurrent += static_cast<char>(c);
    }
    return c;
  }

 private:
  std::string FCurrent;
};

// Milliseconds since midnight of "YYYY-MM-DD HH:MM:SS.mmm  K"; -1 for another line.
double PrintedMsOfDay(const std::string& line) {
  if (line.size() != 26 || line[10] != ' ' || line[13] != ':' || line[16] != ':' || line[19] != '.') return -1;
  return (std::stod(line.substr(11, 2)) * 3600 + std::stod(line.substr(14, 2)) * 60 + std::stod(line.substr(17, 6))) * 1000;
}

double LocalMsOfDay(TWallClock::time_point time) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  return (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec) * 1000 + static_cast<double>(ms % 1000);
}

}  // namespace

int main() {
  const std::string keys = "1234567890*#ABCD";
  std::vector<float> mono;
  synthaudio::AppendSilence(mono, kRate, 500);
  for (const char key : keys) {
    synthaudio::AppendTonePair(mono, kRate, synthaudio::KeyTones(key, 0.3), 100);
    synthaudio::AppendSilence(mono, kRate, 400);
  }
  const audiofixtures::TempDir dir;
  audiofixtures::WriteWav(dir / "keys.wav", mono, kRate, 1, 32);
  const VirtualDeviceList list("input|Bench mic|mic|default");
  audiolib::VirtualDevices::Instance().SetInputFile("mic", (dir / "keys.wav").string());

  TStampedLines stamped;
  std::ostream out(&stamped);
  {
    const TCliModules modules(dir.path().string());
    TListenOptions options;
    options.durationSeconds = 0.5 + 0.5 * static_cast<double>(keys.size()) + 0.5;
    if (RunListen(options, out) != 0) return 1;
  }
  std::vector<double> latenciesMs;
  for (const auto& line : stamped.lines) {
    const double printed = PrintedMsOfDay(line.text);
    if (printed >= 0) latenciesMs.push_back(LocalMsOfDay(line.written) - printed);
  }
  if (latenciesMs.size() != keys.size()) {
    std::fprintf(stderr, "found %zu keys of %zu\n", latenciesMs.size(), keys.size());
    return 1;
  }
  std::sort(latenciesMs.begin(), latenciesMs.end());
  const double mean = std::accumulate(latenciesMs.begin(), latenciesMs.end(), 0.0) / static_cast<double>(latenciesMs.size());
  std::printf("listen latency, tone start to printed key, %zu keys: min %.0f ms, median %.0f ms, mean %.0f ms, max %.0f ms\n",
              latenciesMs.size(), latenciesMs.front(), latenciesMs[latenciesMs.size() / 2], mean, latenciesMs.back());
  return 0;
}
