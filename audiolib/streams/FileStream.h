// A stream decoding a file.
#pragma once

#include <memory>
#include <string>

#include "audiolib/channels/Channel.h"
#include "audiolib/streams/FileDecoder.h"

namespace audiolib {

// With BASS_SAMPLE_LOOP the stream goes back to its start when it reaches the end and never
// ends; its position starts from 0 again (position syncs fire on every pass, END syncs never).
class FileStream : public Channel {
 public:
  // Throws AudioError as FileDecoder does.
  static std::shared_ptr<FileStream> Open(const std::string& path, DWORD flags, int device);

  FileStream(std::unique_ptr<FileDecoder> decoder, std::string path, DWORD flags, int device);

  DWORD origres() const override { return decoder_->origres(); }
  const char* filename() const override { return path_.c_str(); }
  QWORD LengthBytes() const override;

 protected:
  ReadResult Produce(void* buffer, size_t bytes) override;
  void Seek(QWORD bytes) override;
  DWORD ChangeableFlags() const override { return BASS_SAMPLE_LOOP; }

 private:
  const std::unique_ptr<FileDecoder> decoder_;  // used under the read lock
  const std::string path_;
};

}  // namespace audiolib
