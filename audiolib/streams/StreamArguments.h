// Checks shared by the calls that create streams.
#pragma once

#include "audiolib/channels/SampleFormat.h"

namespace audiolib {

// The format a BASS_StreamCreate / BASS_Mixer_StreamCreate asks for. Throws AudioError: FREQ for
// a rate outside 1..384000 Hz, FORMAT for a channel count outside 1..32.
SampleFormat RequestedFormat(DWORD freq, DWORD chans, DWORD flags);

}  // namespace audiolib
