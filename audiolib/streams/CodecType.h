// The BASS_CTYPE_* value of a decoded file, from its container and codec.
#pragma once

#include "audiolib/audiolib.h"

struct AVFormatContext;
struct AVCodecParameters;

namespace audiolib {

DWORD ChannelTypeOf(const AVFormatContext& container, const AVCodecParameters& codec);
// Bits per sample of the file's own coding, 0 when it has none (lossy codecs).
DWORD OriginalResolutionOf(const AVCodecParameters& codec);

}  // namespace audiolib
