// Local files as readers that must never wait see them: the kind of a file is checked before it
// is opened, so that a FIFO or a device never blocks the program in open() or read(), a file that
// never ends (/dev/zero) is not read at all, and a missing or unreadable file is named for what
// it is.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

// What keeps a file of this status from being read as a regular file of at most maxBytes, in a
// few lower-case words: "is a folder", "not a regular file (a FIFO)", "larger than 16 MB", ...;
// empty when it may be read.
std::string RegularFileProblem(const struct stat& status, uint64_t maxBytes = UINT64_MAX);

// Empty when path names a regular file this process may read; otherwise what is wrong, in a few
// words for the user: "no such file", "is a folder", "permission denied", "file name too long",
// "not a regular file (a FIFO)", ... Never opens the file; any thread.
std::string ReadableFileProblem(const std::string& path);

// A whole regular file of at most maxBytes. The kind is checked before open(), and the file is
// opened non-blocking and checked again, so a FIFO or a device that takes its place in between is
// refused too; a file that grows past maxBytes while it is read stops there. Any thread.
struct TFileContents {
  std::string bytes;
  std::string problem;   // empty when read; else errno's text or RegularFileProblem's
  int errorNumber = 0;   // errno when a call failed (ENOENT: no such file), else 0
  bool opened = false;   // the problem came after the file was opened (a read error, growth)
};
TFileContents ReadRegularFile(const std::string& path, uint64_t maxBytes);

// The problem text with a capital first letter, for messages that put it after a full stop.
std::string AsSentence(std::string problem);
