#include "audiolib/streams/FileStream.h"

#include "audiolib/api/ErrorState.h"

namespace audiolib {

std::shared_ptr<FileStream> FileStream::Open(const std::string& path, DWORD flags, int device) {
  auto decoder = std::make_unique<FileDecoder>(path, SampleFormat::TypeFromFlags(flags));
  return std::make_shared<FileStream>(std::move(decoder), path, flags, device);
}

FileStream::FileStream(std::unique_ptr<FileDecoder> decoder, std::string path, DWORD flags,
                       int device)
    : Channel(decoder->format(), flags, decoder->ctype(), device),
      decoder_(std::move(decoder)),
      path_(std::move(path)) {}

QWORD FileStream::LengthBytes() const {
  if (decoder_->lengthFrames() < 0) throw AudioError(BASS_ERROR_NOTAVAIL);
  return static_cast<QWORD>(decoder_->lengthFrames()) * format().BytesPerFrame();
}

ReadResult FileStream::Produce(void* buffer, size_t bytes) {
  bool ended = false;
  size_t got = decoder_->Read(buffer, bytes, ended);
  if (!(flags() & BASS_SAMPLE_LOOP)) return ReadResult{got, ended};
  ReadResult result;
  auto* out = static_cast<BYTE*>(buffer);
  while (ended && got < bytes) {
    decoder_->Seek(0);
    ended = false;
    const size_t more = decoder_->Read(out + got, bytes - got, ended);
    // A file that gives nothing from its start cannot loop: it ends.
    if (more == 0) return ReadResult{got, true, false, result.restartAtBytes};
    result.restartAtBytes = got;
    got += more;
  }
  // Reaching the end exactly at the end of the block: the next block starts from the top.
  if (ended) {
    decoder_->Seek(0);
    result.restartAtBytes = got;
  }
  result.bytes = got;
  return result;
}

void FileStream::Seek(QWORD bytes) {
  const int64_t length = decoder_->lengthFrames();
  const auto frame = static_cast<int64_t>(bytes / format().BytesPerFrame());
  if (length >= 0 && frame > length) throw AudioError(BASS_ERROR_POSITION);
  decoder_->Seek(frame);
}

}  // namespace audiolib
