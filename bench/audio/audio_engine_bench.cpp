// CPU of the audio engine while it plays: Main and Monitor on regular devices and Prelisten on a
// WASAPI-style endpoint, all virtual devices on the real-time clock, with the music mixer carrying
// four 44.1 kHz stereo file streams (resampled to the 48 kHz mixers). Prints the process's CPU
// time (user + system, getrusage) over the playing time as a percentage of one core.
//
// Usage: audio_engine_bench [seconds (60)]
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "audio/Audio.h"
#include "audio/AudioErrorText.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/VirtualDevices.h"
#include "platform/MainThread.h"
#include "settings/system/SystemIni.h"

namespace {

constexpr int kFileRate = 44100;
constexpr int kFileCount = 4;

void PutLe(std::ofstream& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 16-bit stereo WAV file of a sine at `freq` Hz, `seconds` long.
void WriteSineWav(const std::filesystem::path& path, double freq, int seconds) {
  const uint32_t frames = static_cast<uint32_t>(kFileRate) * static_cast<uint32_t>(seconds);
  const uint32_t dataBytes = frames * 4;
  std::ofstream out(path, std::ios::binary);
  out.write("RIFF", 4);
  PutLe(out, 36 + dataBytes, 4);
  out.write("WAVEfmt ", 8);
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, 2, 2);
  PutLe(out, kFileRate, 4);
  PutLe(out, kFileRate * 4, 4);
  PutLe(out, 4, 2);
  PutLe(out, 16, 2);
  out.write("data", 4);
  PutLe(out, dataBytes, 4);
  std::vector<char> block;
  block.reserve(static_cast<size_t>(kFileRate) * 4);
  for (uint32_t f = 0; f < frames; ++f) {
    const auto sample = static_cast<int16_t>(6000 * std::sin(2 * std::numbers::pi * freq * f / kFileRate));
    for (int c = 0; c < 2; ++c) {
      block.push_back(static_cast<char>(sample & 0xFF));
      block.push_back(static_cast<char>((sample >> 8) & 0xFF));
    }
    if (block.size() == block.capacity()) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void SetSlot(TSystemIni& ini, int i, int32_t method, const std::string& id) {
  TOutputDevice& device = ini.OutputDevice().Items(i);
  device.SetDevType(TOutputDevType::odMixer);
  device.SetMethod(method);
  device.SetDeviceID(id);
  device.SetBufSize(100);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  if (seconds <= 0) {
    std::fprintf(stderr, "usage: audio_engine_bench [seconds]\n");
    return 2;
  }
  ::setenv("TONESENTRY_VIRTUAL_DEVICES",
           "output|Main|main|default; output|Monitor|monitor; wasapi-output|Studio|studio", 1);
  InitMainThread();
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "audio-engine-bench";
  std::filesystem::create_directories(folder);
  std::vector<std::string> files;
  for (int i = 0; i < kFileCount; ++i) {
    files.push_back((folder / ("source" + std::to_string(i) + ".wav")).string());
    WriteSineWav(files.back(), 220.0 * (i + 1), seconds + 10);
  }

  std::atomic<size_t> playedFrames[3] = {};
  const char* ids[] = {"main", "monitor", "studio"};
  for (int d = 0; d < 3; ++d) {
    audiolib::VirtualDevices::Instance().SetOutputTap(
        ids[d], [&playedFrames, d](const float*, size_t frames, DWORD, DWORD) { playedFrames[d] += frames; });
  }

  TSystemIni ini;
  SetSlot(ini, 0, kMethodLibrary, "main");
  SetSlot(ini, 1, kMethodLibrary, "monitor");
  SetSlot(ini, 2, kMethodWasapi, "studio");
  int status = 0;
  {
    TAudio engine(&ini, [](const std::string& text) { std::fprintf(stderr, "report: %s\n", text.c_str()); });
    Audio = &engine;
    engine.InitMixer();
    std::vector<HSTREAM> streams;
    for (const std::string& file : files) {
      streams.push_back(BASS_StreamCreateFile(0, file.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT));
      if (streams.back() == 0 || !BASS_Mixer_StreamAddChannel(engine.MusicMixer(), streams.back(), 0)) {
        std::fprintf(stderr, "cannot play %s: %s\n", file.c_str(), AudioErrorText(BASS_ErrorGetCode(), true).c_str());
        return 1;
      }
    }
    engine.InitMainOutputs(-1);
    for (int i = 0; i < 3; ++i) {
      if (engine.GetOutputs()[i].InitResult != 0) {
        std::fprintf(stderr, "%s: %s\n", TAudio::OutputName(i).c_str(),
                     AudioErrorText(static_cast<int>(engine.GetOutputs()[i].InitResult), true).c_str());
        status = 1;
      }
    }
    const double cpuStart = CpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::printf("engine: Main + Monitor (regular) + Prelisten (WASAPI-style), virtual devices, real-time clock; "
                "music mixer with %d file streams (44.1 kHz stereo -> 48 kHz)\n", kFileCount);
    std::printf("played: %.1f s wall; frames per output: %zu, %zu, %zu (%.1f s each at 48 kHz)\n", wall,
                playedFrames[0].load(), playedFrames[1].load(), playedFrames[2].load(),
                static_cast<double>(playedFrames[0].load()) / 48000);
    std::printf("cpu: %.2f s user+system = %.1f %% of one core\n", cpu, 100 * cpu / wall);
    Audio = nullptr;
    for (HSTREAM stream : streams) BASS_StreamFree(stream);
  }
  std::filesystem::remove_all(folder);
  return status;
}
