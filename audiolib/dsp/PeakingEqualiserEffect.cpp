#include "audiolib/dsp/PeakingEqualiserEffect.h"

#include <cmath>

#include "audiolib/api/ErrorState.h"

namespace audiolib {

PeakingEqualiserEffect::PeakingEqualiserEffect(DWORD sampleRate, DWORD chans)
    : sampleRate_(sampleRate), chans_(chans) {}

void PeakingEqualiserEffect::SetParameters(const void* record) {
  const auto& p = *static_cast<const BASS_BFX_PEAKEQ*>(record);
  if (p.lBand < 0 || p.lBand >= kMaxBands) throw AudioError(BASS_ERROR_ILLPARAM);
  if (!(p.fCenter > 0) || !(p.fCenter < sampleRate_ / 2.0f)) throw AudioError(BASS_ERROR_ILLPARAM);
  if (!(p.fQ > 0) && !(p.fBandwidth > 0)) throw AudioError(BASS_ERROR_ILLPARAM);
  if (!std::isfinite(p.fGain)) throw AudioError(BASS_ERROR_ILLPARAM);
  std::lock_guard lock(mutex_);
  bands_[p.lBand] = Band{p, true};
  changed_ = true;
}

void PeakingEqualiserEffect::GetParameters(void* record) const {
  auto& p = *static_cast<BASS_BFX_PEAKEQ*>(record);
  if (p.lBand < 0 || p.lBand >= kMaxBands) throw AudioError(BASS_ERROR_ILLPARAM);
  std::lock_guard lock(mutex_);
  if (!bands_[p.lBand].set) throw AudioError(BASS_ERROR_ILLPARAM);
  p = bands_[p.lBand].params;
}

void PeakingEqualiserEffect::Process(float* samples, size_t frames) {
  {
    std::lock_guard lock(mutex_);
    if (changed_) {
      activeCount_ = 0;
      for (int i = 0; i < kMaxBands; ++i) {
        const Band& band = bands_[i];
        ActiveBand& target = active_[i];
        // A band at 0 dB passes everything unchanged: it costs nothing.
        target.active = band.set && band.params.fGain != 0;
        if (!target.active) continue;
        const BASS_BFX_PEAKEQ& p = band.params;
        target.filter.SetCoefficients(BiquadCoefficients::Peaking(
            sampleRate_, p.fCenter, p.fGain, {p.fQ > 0 ? p.fQ : 0.0, p.fBandwidth}));
        target.channelMask = p.lChannel;
        activeCount_ = i + 1;
      }
      cascadeCount_ = 0;
      for (int i = 0; i < activeCount_; ++i) {
        if (active_[i].active && active_[i].channelMask == BASS_BFX_CHANALL) {
          cascade_[cascadeCount_++] = &active_[i].filter;
        }
      }
      changed_ = false;
    }
  }
  BiquadFilter::ProcessCascade(cascade_.data(), cascadeCount_, samples, frames, chans_);
  for (int i = 0; i < activeCount_; ++i) {
    ActiveBand& band = active_[i];
    if (!band.active || band.channelMask == BASS_BFX_CHANALL) continue;
    band.filter.Process(samples, frames, chans_, band.channelMask);
  }
}

}  // namespace audiolib
