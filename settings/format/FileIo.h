// Whole-file reads and crash-safe replacement of a file's contents.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Settings files are a few hundred lines; anything larger is not one (and /dev/zero never ends).
inline constexpr size_t kMaxSettingsFileBytes = 16 * 1024 * 1024;

// The file's bytes. Never blocks: a FIFO or a device is refused before it is opened. Throws
// EFOpenError when it cannot be opened (missing, no permission, a folder), is not a regular file
// or is larger than kMaxSettingsFileBytes, and EReadError when reading fails.
std::string ReadFileBytes(const std::string& fileName);

// Throws EFOpenError, with the text ReadFileBytes would use, when fileName exists but is not a
// regular file or is larger than kMaxSettingsFileBytes. Never opens the file.
void CheckSettingsFileKind(const std::string& fileName);

// Replaces the file's contents so that a crash or failure at any point leaves either the old or
// the new contents: writes a temporary file in the same folder, flushes it to disk and renames
// it over fileName (a symbolic link is followed and its target replaced; a FIFO or a device is
// written directly, see platform/ReplacementFile.h). A new file gets the
// usual permissions (0666 less the umask), an existing file keeps its permission bits. Throws
// EFCreateError when the temporary file cannot be created, EWriteError when writing, flushing
// or renaming fails; the temporary file is removed on failure.
void WriteFileAtomically(const std::string& fileName, std::string_view contents);

// The operating system's text for an errno value.
std::string ErrorText(int errorCode);
