#include "playback/medialib/TagLibFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <taglib/tbytevectorstream.h>
#include <taglib/tfilestream.h>

#include "platform/LocalFile.h"

namespace {

// TagLib picks the format from the stream's name; a stream over a descriptor or over memory has
// none of its own.
class TNamedFileStream : public TagLib::FileStream {
 public:
  TNamedFileStream(int descriptor, std::string name) : FileStream(descriptor, true), FName(std::move(name)) {}
  TagLib::FileName name() const override { return FName.c_str(); }

 private:
  std::string FName;
};

class TNamedByteVectorStream : public TagLib::ByteVectorStream {
 public:
  TNamedByteVectorStream(const TagLib::ByteVector& data, std::string name)
      : ByteVectorStream(data), FName(std::move(name)) {}
  TagLib::FileName name() const override { return FName.c_str(); }

 private:
  std::string FName;
};

}  // namespace

TTagLibFile::~TTagLibFile() { FRef.reset(); }

TTagLibFile TTagLibFile::OpenForReading(const std::string& fileName) {
  TTagLibFile file;
  file.FName = fileName;
  file.FProblem = ReadableFileProblem(fileName);
  if (!file.FProblem.empty()) return file;
  const int descriptor = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    file.FProblem = std::strerror(errno);
    return file;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    file.FProblem = std::strerror(errno);
  } else {
    file.FProblem = RegularFileProblem(status);
  }
  if (!file.FProblem.empty()) {
    ::close(descriptor);
    return file;
  }
  file.FSizeBytes = static_cast<int64_t>(status.st_size);
  auto stream = std::make_unique<TNamedFileStream>(descriptor, fileName);
  if (!stream->isOpen()) {
    ::close(descriptor);  // the stream did not take it
    file.FProblem = "cannot be opened";
    return file;
  }
  file.FStream = std::move(stream);
  file.OpenAsAudio();
  return file;
}

TTagLibFile TTagLibFile::OpenInMemory(const std::string& fileName, uint64_t maxBytes) {
  TTagLibFile file;
  file.FName = fileName;
  file.FProblem = ReadableFileProblem(fileName);
  if (!file.FProblem.empty()) return file;
  TFileContents contents = ReadRegularFile(fileName, maxBytes);
  if (!contents.problem.empty()) {
    file.FProblem = contents.problem;
    return file;
  }
  file.FSizeBytes = static_cast<int64_t>(contents.bytes.size());
  file.FStream = std::make_unique<TNamedByteVectorStream>(
      TagLib::ByteVector(contents.bytes.data(), static_cast<unsigned>(contents.bytes.size())), fileName);
  file.OpenAsAudio();
  return file;
}

void TTagLibFile::OpenAsAudio() {
  FRef = std::make_unique<TagLib::FileRef>(FStream.get(), true, TagLib::AudioProperties::Average);
  // TagLib takes some files of other content for MPEG audio without any frame; no sample rate
  // tells them apart.
  if (FRef->isNull() || !FRef->file()->isValid() || FRef->audioProperties() == nullptr ||
      FRef->audioProperties()->sampleRate() <= 0) {
    FRef.reset();
    FProblem = "not an audio file with a format TagLib reads";
  }
}

TagLib::ByteVector TTagLibFile::TakeBytes() {
  auto* memory = dynamic_cast<TagLib::ByteVectorStream*>(FStream.get());
  return memory != nullptr ? *memory->data() : TagLib::ByteVector();
}
