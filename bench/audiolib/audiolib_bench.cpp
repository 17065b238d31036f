// Benchmark program for the audio library, timed as a whole process by bench/audiolib_bench.sh.
//
//   audiolib_bench decode FILE     decodes FILE to 32-bit float in one-second reads
//   audiolib_bench road SECONDS    the detection road: 44.1 kHz stereo pushed in one-second
//                                  blocks, a 16 kHz mono mixer pulling it, FFT512 frames taken
//                                  while 4096 source frames are queued; prints the x-real-time
//                                  factor and the peak resident memory
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "decode") == 0) return Decode(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "road") == 0) return Road(std::atof(argv[2]));
  std::fprintf(stderr, "usage: %s decode FILE | road SECONDS\n", argv[0]);
  return 2;
}
