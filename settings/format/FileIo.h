// Whole-file reads and crash-safe replacement of a file's contents.
#pragma once

#include <string>
#include <string_view>

// The file's bytes. Throws EFOpenError when it cannot be opened (missing, no permission, a
// folder) and EReadError when reading fails.
std::string ReadFileBytes(const std::string& fileName);

// Replaces the file's contents so that a crash or failure at any point leaves either the old or
// the new contents: writes a temporary file in the same folder, flushes it to disk and renames
// it over fileName (a symbolic link is followed and its target replaced). A new file gets the
// usual permissions (0666 less the umask), an existing file keeps its permission bits. Throws
// EFCreateError when the temporary file cannot be created, EWriteError when writing, flushing
// or renaming fails; the temporary file is removed on failure.
void WriteFileAtomically(const std::string& fileName, std::string_view contents);

// The operating system's text for an errno value.
std::string ErrorText(int errorCode);
