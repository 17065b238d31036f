// What the audio engine's tests share: a never-ending test tone for the music mixer, output
// settings for a slot, and the taps of virtual devices.
#pragma once

#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/VirtualDevices.h"
#include "settings/system/SystemIni.h"

namespace audioengine {

constexpr int kRate = 48000;
constexpr double kToneHz = 1000;  // 48 samples a period at kRate: a sample falls on every crest
constexpr double kToneAmplitude = 0.5;

// A stereo float stream at kRate carrying the test tone on both channels, forever.
struct ToneSource {
  size_t frame = 0;
  HSTREAM handle = 0;

  static DWORD Fill(HSTREAM, void* buffer, DWORD length, void* user) {
    auto* self = static_cast<ToneSource*>(user);
    auto* samples = static_cast<float*>(buffer);
    const size_t frames = length / (2 * sizeof(float));
    for (size_t f = 0; f < frames; ++f, ++self->frame) {
      const double phase = 2 * std::numbers::pi * kToneHz * static_cast<double>(self->frame % 48) / kRate;
      samples[2 * f] = samples[2 * f + 1] = static_cast<float>(kToneAmplitude * std::sin(phase));
    }
    return static_cast<DWORD>(frames * 2 * sizeof(float));
  }

  // Puts the tone into `mixer`; false when the library refuses.
  bool AddTo(HSTREAM mixer) {
    handle = BASS_StreamCreate(kRate, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, &Fill, this);
    return handle != 0 && BASS_Mixer_StreamAddChannel(mixer, handle, 0);
  }
  ~ToneSource() {
    if (handle) BASS_StreamFree(handle);
  }
};

// Settings of output slot `i`.
inline void SetSlot(TSystemIni& ini, int i, TOutputDevType type, int32_t method, const std::string& id,
                    int32_t bufferMs = 100) {
  TOutputDevice& device = ini.OutputDevice().Items(i);
  device.SetDevType(type);
  device.SetMethod(method);
  device.SetDeviceID(id);
  device.SetBufSize(bufferMs);
  device.SetSampleFreq(kRate);
  device.SetChan1(0);
  device.SetChan2(1);
}

// Collects what virtual devices play.
class Taps {
 public:
  void Listen(const std::string& deviceId) {
    audiolib::VirtualDevices::Instance().SetOutputTap(
        deviceId, [this, deviceId](const float* samples, size_t frames, DWORD channels, DWORD) {
          std::lock_guard lock(mutex_);
          std::vector<float>& kept = played_[deviceId];
          // Keep the first two channels of every frame.
          for (size_t f = 0; f < frames; ++f) kept.insert(kept.end(), samples + f * channels, samples + f * channels + 2);
        });
  }
  // The peak of the last `ms` ms the device played (stereo at kRate).
  double RecentPeak(const std::string& deviceId, size_t ms) {
    std::lock_guard lock(mutex_);
    const std::vector<float>& kept = played_[deviceId];
    const size_t count = std::min(kept.size(), ms * kRate / 1000 * 2);
    double peak = 0;
    for (size_t i = kept.size() - count; i < kept.size(); ++i) peak = std::max(peak, std::fabs(double{kept[i]}));
    return peak;
  }
  // The last `frames` stereo frames the device played (fewer when it has not played as many).
  std::vector<float> Recent(const std::string& deviceId, size_t frames) {
    std::lock_guard lock(mutex_);
    const std::vector<float>& kept = played_[deviceId];
    return {kept.end() - static_cast<long>(std::min(kept.size(), 2 * frames)), kept.end()};
  }
  size_t PlayedSamples(const std::string& deviceId) {
    std::lock_guard lock(mutex_);
    return played_[deviceId].size();
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::vector<float>> played_;
};

}  // namespace audioengine
