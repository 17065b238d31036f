#include "audiolib/dsp/Effect.h"

#include "audiolib/api/ErrorState.h"
#include "audiolib/dsp/Biquad.h"
#include "audiolib/dsp/CompressorEffect.h"
#include "audiolib/dsp/FilterEffect.h"
#include "audiolib/dsp/PeakingEqualiserEffect.h"
#include "audiolib/dsp/VolumeEffect.h"

namespace audiolib {

std::shared_ptr<Effect> CreateEffect(DWORD type, DWORD sampleRate, DWORD chans) {
  if (chans > BiquadFilter::kMaxChannels) throw AudioError(BASS_ERROR_FORMAT);
  switch (type) {
    case BASS_FX_BFX_BQF:
      return std::make_shared<FilterEffect>(sampleRate, chans);
    case BASS_FX_BFX_PEAKEQ:
      return std::make_shared<PeakingEqualiserEffect>(sampleRate, chans);
    case BASS_FX_BFX_COMPRESSOR2:
      return std::make_shared<CompressorEffect>(sampleRate, chans);
    case BASS_FX_BFX_VOLUME:
      return std::make_shared<VolumeEffect>(chans);
    default:
      throw AudioError(BASS_ERROR_ILLTYPE);
  }
}

}  // namespace audiolib
