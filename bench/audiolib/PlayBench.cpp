#include "PlayBench.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audiolib/audiolib.h"
#include "audiolib/devices/DeviceUpdateThread.h"
#include "audiolib/devices/Devices.h"
#include "audiolib/devices/VirtualDevices.h"

namespace playbench {

namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU seconds (user + system) of this process's threads named `name`, from /proc.
double ThreadCpuSeconds(const char* name) {
  double seconds = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string comm;
    std::getline(std::ifstream(task.path() / "comm"), comm);
    if (comm != name) continue;
    std::string stat;
    std::getline(std::ifstream(task.path() / "stat"), stat);
    // Fields after the ")" that closes the name: state is field 3, utime 14, stime 15.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
      if (index == 14) utime = std::stoull(field);
      if (index == 15) {
        stime = std::stoull(field);
        break;
      }
    }
    seconds += static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  return seconds;
}

int OutputNamed(const char* name) {
  BASS_DEVICEINFO info{};
  for (DWORD device = 1; BASS_GetDeviceInfo(device, &info); ++device) {
    if (std::strcmp(info.name, name) == 0) return static_cast<int>(device);
  }
  return -1;
}

}  // namespace

int Play(const char* path, const char* deviceName, double seconds) {
  constexpr int kStreams = 16;
  const int device = OutputNamed(deviceName);
  if (device < 0 || !BASS_Init(device, 48000, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "cannot open the output '%s' (error %d)\n", deviceName, BASS_ErrorGetCode());
    return 1;
  }
  std::vector<HSTREAM> streams;
  for (int i = 0; i < kStreams; ++i) {
    const HSTREAM stream = BASS_StreamCreateFile(0, path, 0, 0, BASS_SAMPLE_FLOAT | BASS_SAMPLE_LOOP);
    if (!stream) {
      std::fprintf(stderr, "cannot open %s (error %d)\n", path, BASS_ErrorGetCode());
      return 1;
    }
    BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.05f);
    streams.push_back(stream);
  }
  for (HSTREAM stream : streams) BASS_ChannelPlay(stream, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past the first fill
  const auto output = audiolib::Devices::Instance().Output(device);
  // Frames taken from the ring (underrun silence not counted): what the update thread rendered.
  const auto rendered = [&] { return static_cast<double>(output->FramesPlayed()); };
  const double renderedStart = rendered();
  const double updateStart = ThreadCpuSeconds(audiolib::DeviceUpdateThread::kThreadName);
  const double processStart = ProcessCpuSeconds();
  const auto wallStart = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
  const double update = ThreadCpuSeconds(audiolib::DeviceUpdateThread::kThreadName) - updateStart;
  const double process = ProcessCpuSeconds() - processStart;
  const double renderedSeconds = (rendered() - renderedStart) / 48000;
  // A device without a clock of its own (an ALSA null PCM) takes the ring as fast as it is filled,
  // so the update thread renders faster than real time there: its cost per second of audio is the
  // figure that compares.
  std::printf("play: %d streams of %s on '%s' at 48 kHz for %.1f s: %.1f s of audio rendered; update thread "
              "%.2f %% of one core per real-time second of audio, %.2f %% of the wall time; whole process %.2f %%\n",
              kStreams, std::filesystem::path(path).filename().c_str(), deviceName, wall, renderedSeconds,
              100 * update / renderedSeconds, 100 * update / wall, 100 * process / wall);
  for (HSTREAM stream : streams) BASS_StreamFree(stream);
  BASS_SetDevice(static_cast<DWORD>(device));
  BASS_Free();
  return 0;
}

int Latency(int runs, unsigned bufferMs, unsigned periodMs) {
  BASS_SetConfig(BASS_CONFIG_BUFFER, bufferMs);
  BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, periodMs);
  BASS_DEVICEINFO info{};
  if (!BASS_GetDeviceInfo(1, &info) || !BASS_Init(1, 48000, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "no virtual output (set TONESENTRY_VIRTUAL_DEVICES)\n");
    return 1;
  }
  std::atomic<bool> armed{false};
  std::atomic<Clock::rep> heardAt{0};
  audiolib::VirtualDevices::Instance().SetOutputTap(
      info.driver, [&](const float* samples, size_t frames, DWORD channels, DWORD) {
        if (!armed.load()) return;
        if (std::any_of(samples, samples + frames * channels, [](float s) { return s != 0.0f; })) {
          heardAt = Clock::now().time_since_epoch().count();
          armed = false;
        }
      });
  std::vector<float> burst(4800 * 2, 0.5f);  // 100 ms
  std::vector<double> latenciesMs;
  for (int run = 0; run < runs; ++run) {
    std::this_thread::sleep_for(std::chrono::milliseconds(bufferMs + 3 * periodMs));  // idle again
    const HSTREAM stream = BASS_StreamCreate(48000, 2, BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
    BASS_StreamPutData(stream, burst.data(), static_cast<DWORD>(burst.size() * sizeof(float)) | BASS_STREAMPROC_END);
    heardAt = 0;
    armed = true;
    const auto start = Clock::now();
    BASS_ChannelPlay(stream, 0);
    while (heardAt.load() == 0 && Clock::now() - start < std::chrono::seconds(5)) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const Clock::time_point heard{Clock::duration{heardAt.load()}};
    if (heardAt.load() != 0) latenciesMs.push_back(std::chrono::duration<double, std::milli>(heard - start).count());
    BASS_StreamFree(stream);
  }
  audiolib::VirtualDevices::Instance().SetOutputTap(info.driver, {});
  BASS_Free();
  if (latenciesMs.empty()) {
    std::fprintf(stderr, "the device never played the channel\n");
    return 1;
  }
  std::sort(latenciesMs.begin(), latenciesMs.end());
  std::printf("latency: BASS_ChannelPlay to first sample consumed, %zu runs: median %.1f ms, max %.1f ms "
              "(BUFFER %u + UPDATEPERIOD %u = %u ms)\n",
              latenciesMs.size(), latenciesMs[latenciesMs.size() / 2], latenciesMs.back(), bufferMs,
              periodMs, bufferMs + periodMs);
  return 0;
}

}  // namespace playbench
