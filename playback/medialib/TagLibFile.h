#pragma once
// An audio file opened by TagLib without ever blocking: the file's kind is checked and the file is
// opened non-blocking before TagLib sees it (a FIFO or device is refused), and TagLib reads through
// a stream that keeps the file's name, so the format is chosen by the extension first and by the
// content after. Used by the tag reader and the play-statistics writer of this folder.
//
// Any thread; one object per thread. TagLib keeps no shared state for reading and saving.
#include <cstdint>
#include <memory>
#include <string>

#include <taglib/fileref.h>
#include <taglib/tbytevector.h>
#include <taglib/tiostream.h>

class TTagLibFile {
 public:
  // Opens fileName read-only, in place. Problem() says why when it could not be opened as audio.
  static TTagLibFile OpenForReading(const std::string& fileName);
  // Reads the whole of fileName (at most maxBytes) into memory; changes are made there and only
  // TakeBytes() hands them out, so the file on disk is never written by TagLib.
  static TTagLibFile OpenInMemory(const std::string& fileName, uint64_t maxBytes);

  TTagLibFile(TTagLibFile&&) = default;
  TTagLibFile& operator=(TTagLibFile&&) = default;
  ~TTagLibFile();

  // Empty when the file is open as audio; otherwise a few lower-case words: "no such file", "is a
  // folder", "not a regular file (a FIFO)", "not an audio file with a format TagLib reads", ...
  const std::string& Problem() const { return FProblem; }
  // Valid only when Problem() is empty.
  TagLib::File& File() const { return *FRef->file(); }
  TagLib::AudioProperties* Audio() const { return FRef->audioProperties(); }
  // Bytes of the file when it was opened.
  int64_t SizeBytes() const { return FSizeBytes; }
  // The in-memory file's bytes as they are now (OpenInMemory only).
  TagLib::ByteVector TakeBytes();

 private:
  TTagLibFile() = default;
  void OpenAsAudio();

  std::string FName;
  std::unique_ptr<TagLib::IOStream> FStream;
  std::unique_ptr<TagLib::FileRef> FRef;  // reads FStream; released first
  std::string FProblem;
  int64_t FSizeBytes = 0;
};
