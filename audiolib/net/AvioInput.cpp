#include "audiolib/net/AvioInput.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include "audiolib/api/ErrorState.h"
#include "audiolib/net/ByteRing.h"

namespace audiolib {

namespace {
constexpr int kBufferBytes = 4096;
}

AvioInput::AvioInput(ByteRing& ring, std::function<void(bool waiting)> onWaiting)
    : ring_(ring), onWaiting_(std::move(onWaiting)) {
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
  if (!buffer) throw AudioError(BASS_ERROR_MEM);
  context_ = avio_alloc_context(buffer, kBufferBytes, 0, this, &AvioInput::ReadPacket, nullptr,
                                nullptr);
  if (!context_) {
    av_free(buffer);
    throw AudioError(BASS_ERROR_MEM);
  }
  context_->seekable = 0;
}

AvioInput::~AvioInput() {
  if (context_) av_freep(&context_->buffer);
  avio_context_free(&context_);
}

int AvioInput::ReadPacket(void* self, uint8_t* buffer, int size) {
  return static_cast<AvioInput*>(self)->Read(buffer, size);
}

int AvioInput::Read(uint8_t* buffer, int size) {
  if (size <= 0) return 0;
  size_t got = 0;
  bool waited = false;
  const ByteRing::ReadStatus status =
      ring_.Read(buffer, static_cast<size_t>(size), readTimeoutMs_.load(), got, [&] {
        waited = true;
        if (onWaiting_) onWaiting_(true);
      });
  if (waited && onWaiting_) onWaiting_(false);
  switch (status) {
    case ByteRing::ReadStatus::Data: return static_cast<int>(got);
    case ByteRing::ReadStatus::End: return AVERROR_EOF;
    case ByteRing::ReadStatus::TimedOut:
      timedOut_ = true;
      return AVERROR(ETIMEDOUT);
    case ByteRing::ReadStatus::Aborted: return AVERROR_EXIT;
  }
  return AVERROR_EXIT;
}

}  // namespace audiolib
