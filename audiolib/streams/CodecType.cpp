#include "audiolib/streams/CodecType.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace audiolib {

namespace {

bool ContainerIs(const AVFormatContext& container, const char* name) {
  // Demuxer names may list several formats ("mov,mp4,m4a,3gp,3g2,mj2").
  const char* names = container.iformat->name;
  const size_t length = std::strlen(name);
  for (const char* at = std::strstr(names, name); at; at = std::strstr(at + 1, name)) {
    const bool starts = at == names || at[-1] == ',';
    const bool ends = at[length] == '\0' || at[length] == ',';
    if (starts && ends) return true;
  }
  return false;
}

DWORD WaveTypeOf(const AVCodecParameters& codec) {
  switch (codec.codec_id) {
    case AV_CODEC_ID_PCM_F32LE:
    case AV_CODEC_ID_PCM_F64LE:
      return BASS_CTYPE_STREAM_WAV_FLOAT;
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S16LE:
    case AV_CODEC_ID_PCM_S24LE:
    case AV_CODEC_ID_PCM_S32LE:
      return BASS_CTYPE_STREAM_WAV_PCM;
    default:
      // Other WAVE codings carry their format tag, as PCM (1) and float (3) do.
      return (BASS_CTYPE_STREAM_WAV | BASS_CTYPE_STREAM) + (codec.codec_tag & 0xffff);
  }
}

}  // namespace

DWORD ChannelTypeOf(const AVFormatContext& container, const AVCodecParameters& codec) {
  switch (codec.codec_id) {
    case AV_CODEC_ID_MP1: return BASS_CTYPE_STREAM_MP1;
    case AV_CODEC_ID_MP2: return BASS_CTYPE_STREAM_MP2;
    case AV_CODEC_ID_MP3: return BASS_CTYPE_STREAM_MP3;
    case AV_CODEC_ID_VORBIS: return BASS_CTYPE_STREAM_VORBIS;
    case AV_CODEC_ID_OPUS: return BASS_CTYPE_STREAM_OPUS;
    case AV_CODEC_ID_FLAC: return BASS_CTYPE_STREAM_FLAC;
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
    case AV_CODEC_ID_WMAPRO:
    case AV_CODEC_ID_WMALOSSLESS:
    case AV_CODEC_ID_WMAVOICE:
      return BASS_CTYPE_STREAM_WMA;
    default:
      break;
  }
  if (ContainerIs(container, "wav") || ContainerIs(container, "w64")) return WaveTypeOf(codec);
  if (ContainerIs(container, "aiff")) return BASS_CTYPE_STREAM_AIFF;
  if (ContainerIs(container, "mp4")) return BASS_CTYPE_STREAM_MP4;
  if (codec.codec_id == AV_CODEC_ID_AAC) return BASS_CTYPE_STREAM_AAC;
  return BASS_CTYPE_STREAM;
}

DWORD OriginalResolutionOf(const AVCodecParameters& codec) {
  if (codec.bits_per_raw_sample > 0) return static_cast<DWORD>(codec.bits_per_raw_sample);
  const int bits = av_get_bits_per_sample(codec.codec_id);
  return bits > 0 ? static_cast<DWORD>(bits) : 0;
}

}  // namespace audiolib
