#include "audiolib/streams/FileDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include "audiolib/streams/CodecType.h"
#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {

AVSampleFormat AvFormatOf(SampleType type) {
  switch (type) {
    case SampleType::UInt8: return AV_SAMPLE_FMT_U8;
    case SampleType::Int16: return AV_SAMPLE_FMT_S16;
    case SampleType::Float32: return AV_SAMPLE_FMT_FLT;
  }
  return AV_SAMPLE_FMT_FLT;
}

// FFmpeg would also open URLs and names with a protocol prefix; only a readable regular file is
// taken, and only through the file protocol.
// FFmpeg's warnings about damaged input would go to the program's standard error; failures are
// reported through error codes instead.
void QuietFfmpegLog() {
  static const bool quieted = [] {
    av_log_set_level(AV_LOG_FATAL);
    return true;
  }();
  (void)quieted;
}

// The most frames one decoded frame may give once converted to the stream's format. Frames of
// real files give a few thousand, a few times more after a chained part at a lower rate; only a
// frame stating a rate far below the stream's gives more (a few bytes of damage in a FLAC frame
// header can state 1 Hz in a 384 kHz stream), and converting it would take gigabytes or more
// frames than the converter can count.
constexpr int64_t kMaxConvertedFrames = int64_t{1} << 20;

// O_NONBLOCK: opening a FIFO must not wait for a writer before fstat can refuse it.
void RequireReadableFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw AudioError(BASS_ERROR_FILEOPEN);
  struct stat info {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  ::close(fd);
  if (!regular) throw AudioError(BASS_ERROR_FILEOPEN);
}

}  // namespace

FileDecoder::FileDecoder(const std::string& path, SampleType type) {
  format_.type = type;
  try {
    Open(path);
  } catch (...) {
    Close();
    throw;
  }
}

FileDecoder::FileDecoder(AVIOContext* input, const std::string& formatName, SampleType type) {
  format_.type = type;
  try {
    Open(input, formatName);
  } catch (...) {
    Close();
    throw;
  }
}

FileDecoder::~FileDecoder() { Close(); }

void FileDecoder::Close() {
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  swr_free(&converter_);
  avcodec_free_context(&codec_);
  avformat_close_input(&container_);
}

void FileDecoder::Open(const std::string& path) {
  QuietFfmpegLog();
  RequireReadableFile(path);
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  const std::string url = "file:" + path;
  const int opened = avformat_open_input(&container_, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) throw AudioError(BASS_ERROR_FILEFORM);
  OpenAudioTrack();
}

void FileDecoder::Open(AVIOContext* input, const std::string& formatName) {
  QuietFfmpegLog();
  container_ = avformat_alloc_context();
  if (!container_) throw AudioError(BASS_ERROR_MEM);
  container_->pb = input;
  container_->flags |= AVFMT_FLAG_CUSTOM_IO;
  // A live input: identify it from its first stretch instead of seconds of it.
  container_->probesize = 32 * 1024;
  container_->max_analyze_duration = AV_TIME_BASE / 2;
  const AVInputFormat* demuxer =
      formatName.empty() ? nullptr : av_find_input_format(formatName.c_str());
  // On failure FFmpeg frees the context and clears the pointer.
  if (avformat_open_input(&container_, nullptr, demuxer, nullptr) < 0) {
    throw AudioError(BASS_ERROR_FILEFORM);
  }
  OpenAudioTrack();
}

void FileDecoder::OpenAudioTrack() {
  if (avformat_find_stream_info(container_, nullptr) < 0) throw AudioError(BASS_ERROR_FILEFORM);
  const int best = av_find_best_stream(container_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (best == AVERROR_DECODER_NOT_FOUND) throw AudioError(BASS_ERROR_CODEC);
  if (best < 0) throw AudioError(BASS_ERROR_NOTAUDIO);
  streamIndex_ = best;
  for (unsigned i = 0; i < container_->nb_streams; ++i) {
    if (static_cast<int>(i) != streamIndex_) container_->streams[i]->discard = AVDISCARD_ALL;
  }
  OpenDecoder();
  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (!packet_ || !frame_) throw AudioError(BASS_ERROR_MEM);
}

void FileDecoder::OpenDecoder() {
  const AVStream* stream = container_->streams[streamIndex_];
  const AVCodecParameters* parameters = stream->codecpar;
  const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
  if (!decoder) throw AudioError(BASS_ERROR_CODEC);
  codec_ = avcodec_alloc_context3(decoder);
  if (!codec_) throw AudioError(BASS_ERROR_MEM);
  if (avcodec_parameters_to_context(codec_, parameters) < 0 ||
      avcodec_open2(codec_, decoder, nullptr) < 0) {
    throw AudioError(BASS_ERROR_CODEC);
  }
  if (codec_->sample_rate <= 0 || codec_->ch_layout.nb_channels <= 0) {
    throw AudioError(BASS_ERROR_FILEFORM);
  }
  format_.rate = static_cast<DWORD>(codec_->sample_rate);
  format_.chans = static_cast<DWORD>(codec_->ch_layout.nb_channels);
  ctype_ = ChannelTypeOf(*container_, *parameters);
  origres_ = OriginalResolutionOf(*parameters);
  bitRate_ = container_->bit_rate > 0 ? container_->bit_rate : parameters->bit_rate;
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
    lengthFrames_ = av_rescale_q(stream->duration, stream->time_base,
                                 AVRational{1, static_cast<int>(format_.rate)});
  } else if (container_->duration != AV_NOPTS_VALUE && container_->duration > 0) {
    lengthFrames_ = av_rescale(container_->duration, format_.rate, AV_TIME_BASE);
  }
}

void FileDecoder::ConfigureConverter() {
  // The output stays at the first format even if a damaged or chained track changes midway.
  AVChannelLayout outLayout;
  av_channel_layout_default(&outLayout, static_cast<int>(format_.chans));
  swr_free(&converter_);
  const int made = swr_alloc_set_opts2(&converter_, &outLayout, AvFormatOf(format_.type),
                                       static_cast<int>(format_.rate), &frame_->ch_layout,
                                       static_cast<AVSampleFormat>(frame_->format),
                                       frame_->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&outLayout);
  if (made < 0 || swr_init(converter_) < 0) throw AudioError(BASS_ERROR_FORMAT);
  converterInFormat_ = frame_->format;
  converterInRate_ = frame_->sample_rate;
  converterInChans_ = frame_->ch_layout.nb_channels;
}

void FileDecoder::Convert() {
  pendingOffset_ = 0;
  pendingBytes_ = 0;
  // Such a frame is damage and is skipped, as a damaged packet is.
  if (frame_->sample_rate <= 0 ||
      av_rescale_rnd(frame_->nb_samples, format_.rate, frame_->sample_rate, AV_ROUND_UP) >
          kMaxConvertedFrames) {
    return;
  }
  if (frame_->format != converterInFormat_ || frame_->sample_rate != converterInRate_ ||
      frame_->ch_layout.nb_channels != converterInChans_) {
    ConfigureConverter();
  }
  const int capacity = swr_get_out_samples(converter_, frame_->nb_samples);
  if (capacity < 0) return;
  const size_t frameBytes = format_.BytesPerFrame();
  if (pending_.size() < static_cast<size_t>(capacity) * frameBytes) {
    pending_.resize(static_cast<size_t>(capacity) * frameBytes);
  }
  uint8_t* out = pending_.data();
  const int converted =
      swr_convert(converter_, &out, capacity, const_cast<const uint8_t**>(frame_->extended_data),
                  frame_->nb_samples);
  pendingBytes_ = converted > 0 ? static_cast<size_t>(converted) * frameBytes : 0;
  if (seekTargetFrame_ < 0) return;
  // After a seek the decoder restarts before the target: drop the frames ahead of it.
  const AVStream* stream = container_->streams[streamIndex_];
  const int64_t pts = frame_->best_effort_timestamp;
  if (pts == AV_NOPTS_VALUE) {
    seekTargetFrame_ = -1;
    return;
  }
  const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
  const int64_t firstFrame =
      av_rescale_q(pts - start, stream->time_base, AVRational{1, static_cast<int>(format_.rate)});
  const int64_t drop = std::clamp<int64_t>(seekTargetFrame_ - firstFrame, 0,
                                           static_cast<int64_t>(pendingBytes_ / frameBytes));
  pendingOffset_ = static_cast<size_t>(drop) * frameBytes;
  pendingBytes_ -= pendingOffset_;
  if (pendingBytes_ > 0) seekTargetFrame_ = -1;
}

bool FileDecoder::ReceiveFrame() {
  while (true) {
    const int received = avcodec_receive_frame(codec_, frame_);
    if (received == 0) {
      Convert();
      av_frame_unref(frame_);
      if (pendingBytes_ > 0) return true;
      continue;
    }
    if (received == AVERROR_EOF) decoderDone_ = true;
    // EAGAIN: the decoder wants input. Any other failure is a damaged stretch: feed on.
    return false;
  }
}

bool FileDecoder::DecodeNext() {
  while (!decoderDone_) {
    if (ReceiveFrame()) return true;
    if (decoderDone_) break;
    if (inputDone_) {
      // A decoder that reports neither data nor the end after draining has nothing more.
      decoderDone_ = true;
      break;
    }
    const int read = av_read_frame(container_, packet_);
    if (read < 0) {
      // The end of the file, or an unreadable rest of it: drain what the decoder holds.
      inputDone_ = true;
      avcodec_send_packet(codec_, nullptr);
      continue;
    }
    if (packet_->stream_index == streamIndex_) avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
  }
  return false;
}

size_t FileDecoder::Read(void* out, size_t bytes, bool& ended) {
  auto* dst = static_cast<uint8_t*>(out);
  size_t filled = 0;
  ended = false;
  while (filled < bytes) {
    if (pendingBytes_ == 0 && !DecodeNext()) {
      ended = true;
      break;
    }
    const size_t n = std::min(bytes - filled, pendingBytes_);
    std::memcpy(dst + filled, pending_.data() + pendingOffset_, n);
    pendingOffset_ += n;
    pendingBytes_ -= n;
    filled += n;
  }
  if (!ended && pendingBytes_ == 0 && decoderDone_) ended = true;
  return filled;
}

void FileDecoder::Seek(int64_t frame) {
  const AVStream* stream = container_->streams[streamIndex_];
  const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
  const int64_t timestamp =
      start + av_rescale_q(frame, AVRational{1, static_cast<int>(format_.rate)}, stream->time_base);
  if (avformat_seek_file(container_, streamIndex_, INT64_MIN, timestamp, timestamp, 0) < 0 &&
      avformat_seek_file(container_, streamIndex_, INT64_MIN, timestamp, INT64_MAX, 0) < 0) {
    throw AudioError(BASS_ERROR_POSITION);
  }
  avcodec_flush_buffers(codec_);
  swr_free(&converter_);
  converterInFormat_ = -1;
  inputDone_ = false;
  decoderDone_ = false;
  pendingBytes_ = 0;
  pendingOffset_ = 0;
  seekTargetFrame_ = frame;
}

}  // namespace audiolib
