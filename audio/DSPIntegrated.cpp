#include "audio/DSPIntegrated.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "settings/format/FloatText.h"
#include "settings/system/BaseType.h"

namespace {

constexpr int kMaxEqBands = 32;

// A whole number of dB as the equaliser stores it; 0 when the line is no integer.
int IntegerOrZero(const std::string& line) {
  int value = 0;
  const char* end = line.data() + line.size();
  const auto [next, error] = std::from_chars(line.data(), end, value);
  return error == std::errc() && next == end ? value : 0;
}

// The numbers of all lines, or nothing when one of them is no number ("." decimals).
std::optional<std::vector<double>> Numbers(const TStringList& lines) {
  std::vector<double> numbers;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::optional<double> value = SettingsTextToFloat(lines.Strings(i));
    if (!value || !std::isfinite(*value)) return std::nullopt;
    numbers.push_back(*value);
  }
  return numbers;
}

void RemoveFX(DWORD chan, DWORD& fx) {
  if (fx != 0) BASS_ChannelRemoveFX(chan, fx);
  fx = 0;
}

}  // namespace

// --- Equaliser ---

TIntegratedDSPEq::~TIntegratedDSPEq() { RemoveFX(Chan, HFX); }

int TIntegratedDSPEq::BandCount() const {
  return std::clamp(std::min(FSettings.BandsNum(), FSettings.EQBands().Count()), 0, kMaxEqBands);
}

void TIntegratedDSPEq::SetDSP(bool A) {
  RemoveFX(Chan, HFX);
  if (!A) return;
  HFX = BASS_ChannelSetFX(Chan, BASS_FX_BFX_PEAKEQ, kDSPManagerPriority);
  if (HFX == 0) return;
  for (int band = 0; band < BandCount(); ++band) {
    BASS_BFX_PEAKEQ params{};
    params.lBand = band;
    params.fBandwidth = FSettings.Bandwidth();
    params.fQ = 0;
    params.fCenter = static_cast<float>(FSettings.EQBands().Items(band).CenterFreq());
    params.fGain = 0;
    params.lChannel = BASS_BFX_CHANALL;
    BASS_FXSetParameters(HFX, &params);  // a centre above the channel's range stays out
  }
}

void TIntegratedDSPEq::UpdateDSP() {
  if (HFX == 0 || FD.Params().Count() != FSettings.BandsNum()) return;
  for (int band = 0; band < BandCount(); ++band) {
    BASS_BFX_PEAKEQ params{};
    params.lBand = band;
    if (!BASS_FXGetParameters(HFX, &params)) continue;
    params.fGain = static_cast<float>(IntegerOrZero(FD.Params().Strings(band)));
    BASS_FXSetParameters(HFX, &params);
  }
}

// --- Compressor ---

TIntegratedDSPCompressor::~TIntegratedDSPCompressor() { RemoveFX(Chan, HFX); }

void TIntegratedDSPCompressor::SetDSP(bool A) {
  if (!A) {
    RemoveFX(Chan, HFX);
  } else if (HFX == 0) {
    HFX = BASS_ChannelSetFX(Chan, BASS_FX_BFX_COMPRESSOR2, kDSPManagerPriority);
  }
}

void TIntegratedDSPCompressor::UpdateDSP() {
  if (HFX == 0 || FD.Params().Count() != 5) return;
  const auto values = Numbers(FD.Params());
  if (!values) return;
  BASS_BFX_COMPRESSOR2 params{};
  params.fGain = static_cast<float>((*values)[0]);
  params.fThreshold = static_cast<float>((*values)[1]);
  params.fRatio = static_cast<float>((*values)[2]);
  params.fAttack = static_cast<float>((*values)[3]);
  params.fRelease = static_cast<float>((*values)[4]);
  params.lChannel = BASS_BFX_CHANALL;
  BASS_FXSetParameters(HFX, &params);  // out-of-range values: the previous ones stay
}

// --- Gain ---

TIntegratedDSPGain::~TIntegratedDSPGain() { SetDSP(false); }

void TIntegratedDSPGain::SetDSP(bool A) {
  if (!A) {
    if (HFX != 0) BASS_ChannelRemoveDSP(Chan, HFX);
    HFX = 0;
    return;
  }
  if (HFX != 0) return;
  BASS_CHANNELINFO info{};
  const bool floatChain =
      !BASS_ChannelGetInfo(Chan, &info) || (info.flags & BASS_SAMPLE_FLOAT) != 0 ||
      BASS_GetConfig(BASS_CONFIG_FLOATDSP) != 0;
  FSampleBits = floatChain ? 32 : (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;
  HFX = BASS_ChannelSetDSP(Chan, &TIntegratedDSPGain::GainDSP, this, kDSPManagerPriority);
}

void TIntegratedDSPGain::UpdateDSP() {
  if (FD.Params().Count() != 1) return;
  const auto values = Numbers(FD.Params());
  if (values) FData = (*values)[0];
}

void TIntegratedDSPGain::GainDSP(HDSP, DWORD, void* buffer, DWORD length, void* user) {
  auto& self = *static_cast<TIntegratedDSPGain*>(user);
  const double gainDb = std::clamp(self.FData.load(std::memory_order_relaxed), -60.0, 50.0);
  const double gain = std::pow(10.0, gainDb / 20);
  if (gain == 1.0) return;
  if (self.FSampleBits == 32) {
    auto* samples = static_cast<float*>(buffer);
    const float g = static_cast<float>(gain);
    for (DWORD i = 0; i < length / sizeof(float); ++i) samples[i] *= g;
  } else if (self.FSampleBits == 16) {
    auto* samples = static_cast<int16_t*>(buffer);
    for (DWORD i = 0; i < length / sizeof(int16_t); ++i) {
      samples[i] = static_cast<int16_t>(std::clamp(std::lround(samples[i] * gain), -32768L, 32767L));
    }
  } else {
    auto* samples = static_cast<uint8_t*>(buffer);
    for (DWORD i = 0; i < length; ++i) {
      samples[i] = static_cast<uint8_t>(std::clamp(std::lround((samples[i] - 128) * gain) + 128, 0L, 255L));
    }
  }
}

std::unique_ptr<TIntegratedDSP> CreateIntegratedDSP(TDSPItemC& item, DWORD chan,
                                                    const TSystemIniBase& settings) {
  switch (item.IntDSPKind()) {
    case TIntDSPKind::dspEqualizer:
      return std::make_unique<TIntegratedDSPEq>(item, chan, settings);
    case TIntDSPKind::dspCompressor:
      return std::make_unique<TIntegratedDSPCompressor>(item, chan);
    case TIntDSPKind::dspGain:
      return std::make_unique<TIntegratedDSPGain>(item, chan);
  }
  return nullptr;
}
