// Decoding of one audio file with FFmpeg into interleaved samples of a chosen type.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audiolib/channels/SampleFormat.h"

struct AVFormatContext;
struct AVIOContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace audiolib {

// Used by one thread at a time (the owning stream's reader, under its read lock). The decoded
// format (rate, channels) is the file's first audio track's; a track that changes format midway
// is converted to it. Damaged packets are skipped, and so are decoded frames that would convert
// to over a million frames (a rate stated far below the stream's).
class FileDecoder {
 public:
  // Throws AudioError: FILEOPEN (missing, unreadable, not a regular file), FILEFORM (not a format
  // FFmpeg recognises), NOTAUDIO (no audio track), CODEC (no decoder for it).
  FileDecoder(const std::string& path, SampleType type);
  // Decodes what `input` delivers (a custom I/O context the caller keeps until the decoder is
  // gone). `formatName` names FFmpeg's demuxer when the caller knows it, "" to probe (a live
  // stream joined mid-frame only probes well from a long stretch). Throws as above but FILEOPEN.
  FileDecoder(AVIOContext* input, const std::string& formatName, SampleType type);
  ~FileDecoder();
  FileDecoder(const FileDecoder&) = delete;
  FileDecoder& operator=(const FileDecoder&) = delete;

  const SampleFormat& format() const { return format_; }
  DWORD ctype() const { return ctype_; }
  DWORD origres() const { return origres_; }
  // Frames of the whole file from its stated duration; -1 when it states none.
  int64_t lengthFrames() const { return lengthFrames_; }
  // Bits per second of the encoded data as the container or codec states it; 0 when not stated.
  int64_t bitRate() const { return bitRate_; }

  // Fills up to `bytes` (whole frames); returns the bytes written; sets `ended` when the file has
  // nothing after them.
  size_t Read(void* out, size_t bytes, bool& ended);
  // Moves to frame `frame` (counted from the start of the file).
  void Seek(int64_t frame);

 private:
  void Open(const std::string& path);
  void Open(AVIOContext* input, const std::string& formatName);
  void OpenAudioTrack();
  void OpenDecoder();
  void ConfigureConverter();
  bool DecodeNext();
  bool ReceiveFrame();
  void Convert();
  void Close();

  SampleFormat format_;
  DWORD ctype_ = 0;
  DWORD origres_ = 0;
  int64_t lengthFrames_ = -1;
  int64_t bitRate_ = 0;

  AVFormatContext* container_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  SwrContext* converter_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  int streamIndex_ = -1;
  bool inputDone_ = false;   // the demuxer has no more packets; the decoder is draining
  bool decoderDone_ = false;
  int converterInFormat_ = -1;
  int converterInRate_ = 0;
  int converterInChans_ = 0;
  int64_t seekTargetFrame_ = -1;  // frames before it are dropped after a seek

  std::vector<uint8_t> pending_;  // decoded bytes not yet read
  size_t pendingOffset_ = 0;
  size_t pendingBytes_ = 0;
};

}  // namespace audiolib
