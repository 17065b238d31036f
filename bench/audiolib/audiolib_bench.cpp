// Benchmark program for the audio library, timed as a whole process by bench/audiolib_bench.sh.
//
//   audiolib_bench decode FILE     decodes FILE to 32-bit float in one-second reads
//   audiolib_bench road SECONDS    the detection road: 44.1 kHz stereo pushed in one-second
//                                  blocks, a 16 kHz mono mixer pulling it, FFT512 frames taken
//                                  while 4096 source frames are queued; prints the x-real-time
//                                  factor and the peak resident memory
//   audiolib_bench mix SECONDS     a 48 kHz stereo mixer rendered decode-only from 8 sources,
//                                  each with a volume slide, a 4-node envelope and a 3-band
//                                  PEAKEQ + COMPRESSOR2 chain; prints the x-real-time factor
//   audiolib_bench play FILE DEVICE SECONDS
//                                  16 copies of FILE playing on output DEVICE (by name) at 48 kHz;
//                                  prints the CPU of the device's update thread and of the process
//   audiolib_bench latency RUNS BUFFER_MS PERIOD_MS
//                                  BASS_ChannelPlay to first sample consumed on a virtual output
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

#include "PlayBench.h"
#include "audiolib/audiolib.h"

namespace {

constexpr DWORD kFloatDecode = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long PeakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int Decode(const char* path) {
  const HSTREAM stream = BASS_StreamCreateFile(0, path, 0, 0, kFloatDecode);
  if (!stream) {
    std::fprintf(stderr, "cannot open %s: error %d\n", path, BASS_ErrorGetCode());
    return 1;
  }
  std::vector<BYTE> buffer(BASS_ChannelSeconds2Bytes(stream, 1.0));
  QWORD total = 0;
  for (DWORD got; (got = BASS_ChannelGetData(stream, buffer.data(),
                                             static_cast<DWORD>(buffer.size()))) != DWORD(-1);) {
    total += got;
  }
  std::printf("decoded %.1f s, peak RSS %ld KiB\n", BASS_ChannelBytes2Seconds(stream, total),
              PeakRssKib());
  BASS_StreamFree(stream);
  return 0;
}

int Road(double seconds) {
  constexpr DWORD kSourceRate = 44100;
  constexpr DWORD kFrameBytes = 2 * sizeof(float);
  const HSTREAM source = BASS_StreamCreate(kSourceRate, 2, kFloatDecode, STREAMPROC_PUSH, nullptr);
  const HSTREAM mixer = BASS_Mixer_StreamCreate(16000, 1, kFloatDecode);
  BASS_Mixer_StreamAddChannel(mixer, source, BASS_MIXER_DOWNMIX);

  // One second of a key tone pair, pushed again and again.
  std::vector<float> block(2 * kSourceRate);
  for (size_t i = 0; i < kSourceRate; ++i) {
    const double t = static_cast<double>(i) / kSourceRate;
    const auto s = static_cast<float>(0.2 * std::sin(2 * std::numbers::pi * 770 * t) +
                                      0.2 * std::sin(2 * std::numbers::pi * 1336 * t));
    block[2 * i] = block[2 * i + 1] = s;
  }
  std::vector<float> frame(256);
  double checksum = 0;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  for (double pushed = 0; pushed < seconds; pushed += 1.0) {
    BASS_StreamPutData(source, block.data(), static_cast<DWORD>(block.size() * sizeof(float)));
    while (BASS_StreamPutData(source, nullptr, 0) >= 4096 * kFrameBytes) {
      BASS_ChannelGetData(mixer, frame.data(), BASS_DATA_FFT512);
      checksum += frame[25];
    }
  }
  // The road runs on one thread, so its CPU time is its cost on one core; the wall time also
  // counts waiting for a core shared with other processes.
  const double cpu = CpuSeconds() - cpuStart;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("road: %.0f s of audio: %.3f s CPU = %.0fx real time on one core (wall %.3f s = "
              "%.0fx), peak RSS %ld KiB (check %.1f)\n",
              seconds, cpu, seconds / cpu, wall, seconds / wall, PeakRssKib(), checksum);
  BASS_StreamFree(mixer);
  BASS_StreamFree(source);
  return 0;
}

// A stereo sine from a table, so the sources cost little beside what is measured.
struct SineSource {
  std::vector<float> table;  // one period of whole frames at 48 kHz, interleaved stereo
  size_t at = 0;
};

DWORD SineProc(HSTREAM, void* buffer, DWORD length, void* user) {
  auto* source = static_cast<SineSource*>(user);
  auto* out = static_cast<float*>(buffer);
  const size_t samples = length / sizeof(float);
  for (size_t done = 0; done < samples;) {
    const size_t run = std::min(samples - done, source->table.size() - source->at);
    std::memcpy(out + done, source->table.data() + source->at, run * sizeof(float));
    done += run;
    source->at = (source->at + run) % source->table.size();
  }
  return length;
}

int Mix(double seconds) {
  constexpr DWORD kRate = 48000;
  constexpr size_t kSources = 8;
  constexpr QWORD kFrameBytes = 2 * sizeof(float);
  const HSTREAM mixer = BASS_Mixer_StreamCreate(kRate, 2, kFloatDecode);
  std::vector<SineSource> sines(kSources);
  std::vector<HSTREAM> sources;
  for (size_t s = 0; s < kSources; ++s) {
    const double freq = 100.0 * static_cast<double>(s + 1);  // whole periods in 48000 frames
    for (size_t i = 0; i < kRate; ++i) {
      const auto v = static_cast<float>(0.1 * std::sin(2 * std::numbers::pi * freq * i / kRate));
      sines[s].table.push_back(v);
      sines[s].table.push_back(v);
    }
    const HSTREAM source = BASS_StreamCreate(kRate, 2, kFloatDecode, SineProc, &sines[s]);
    const HFX eq = BASS_ChannelSetFX(source, BASS_FX_BFX_PEAKEQ, 49);
    const float centres[] = {125, 1000, 8000};
    for (int band = 0; band < 3; ++band) {
      const BASS_BFX_PEAKEQ params{band, 1.0f, 0, centres[band], 3.0f - 2.0f * band, BASS_BFX_CHANALL};
      BASS_FXSetParameters(eq, &params);
    }
    const HFX compressor = BASS_ChannelSetFX(source, BASS_FX_BFX_COMPRESSOR2, 49);
    const BASS_BFX_COMPRESSOR2 params{2, -20, 3, 10, 200, BASS_BFX_CHANALL};
    BASS_FXSetParameters(compressor, &params);
    BASS_Mixer_StreamAddChannel(mixer, source, 0);
    const auto length = static_cast<QWORD>(seconds * kRate) * kFrameBytes;
    const BASS_MIXER_NODE nodes[] = {{0, 0.0f}, {kRate / 4 * kFrameBytes, 1.0f},
                                     {length - kRate * kFrameBytes, 1.0f}, {length, 0.0f}};
    BASS_Mixer_ChannelSetEnvelope(source, BASS_MIXER_ENV_VOL, nodes, 4);
    BASS_ChannelSlideAttribute(source, BASS_ATTRIB_VOL, 0.3f,
                               static_cast<DWORD>(seconds * 1000 / 2));
    sources.push_back(source);
  }
  std::vector<float> block(2 * kRate / 10);  // 100 ms reads
  double checksum = 0;
  const auto blocks = static_cast<size_t>(seconds * 10);
  const double cpuStart = CpuSeconds();
  for (size_t b = 0; b < blocks; ++b) {
    BASS_ChannelGetData(mixer, block.data(), static_cast<DWORD>(block.size() * sizeof(float)));
    checksum += block[b % block.size()];
  }
  const double cpu = CpuSeconds() - cpuStart;
  std::printf("mix: %zu sources, %.0f s of 48 kHz stereo: %.3f s CPU = %.0fx real time on one "
              "core, peak RSS %ld KiB (check %.3f)\n",
              kSources, seconds, cpu, seconds / cpu, PeakRssKib(), checksum);
  for (HSTREAM source : sources) BASS_StreamFree(source);
  BASS_StreamFree(mixer);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "decode") == 0) return Decode(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "road") == 0) return Road(std::atof(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "mix") == 0) return Mix(std::atof(argv[2]));
  if (argc == 5 && std::strcmp(argv[1], "play") == 0) return playbench::Play(argv[2], argv[3], std::atof(argv[4]));
  if (argc == 5 && std::strcmp(argv[1], "latency") == 0) {
    return playbench::Latency(std::atoi(argv[2]), static_cast<unsigned>(std::atoi(argv[3])),
                              static_cast<unsigned>(std::atoi(argv[4])));
  }
  std::fprintf(stderr,
               "usage: %s decode FILE | road SECONDS | mix SECONDS | play FILE DEVICE SECONDS |"
               " latency RUNS BUFFER_MS PERIOD_MS\n",
               argv[0]);
  return 2;
}
