// Checks on a local file before a reader opens it, so that a FIFO or a device never blocks the
// program in open() and a missing or unreadable file is named for what it is.
#pragma once

#include <string>

// Empty when path names a regular file this process may read; otherwise what is wrong, in a few
// words for the user: "no such file", "is a folder", "permission denied", "file name too long",
// "not a regular file (a FIFO)", ... Never opens the file; any thread.
std::string ReadableFileProblem(const std::string& path);
