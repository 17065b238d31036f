#include "audiolib/streams/StreamArguments.h"

#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {
constexpr DWORD kMaxRate = 384000;
constexpr DWORD kMaxChans = 32;
}  // namespace

SampleFormat RequestedFormat(DWORD freq, DWORD chans, DWORD flags) {
  if (freq == 0 || freq > kMaxRate) throw AudioError(BASS_ERROR_FREQ);
  if (chans == 0 || chans > kMaxChans) throw AudioError(BASS_ERROR_FORMAT);
  return SampleFormat{freq, chans, SampleFormat::TypeFromFlags(flags)};
}

}  // namespace audiolib
