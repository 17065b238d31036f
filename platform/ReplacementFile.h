// Writing a file so that it is either complete or not changed at all: the data goes to a
// temporary file in the same folder, which replaces the target only once every byte is on disk. A
// full disk, a failed write or a crash leaves the target as it was.
#pragma once

#include <string>

class TReplacementFile {
 public:
  // Creates the temporary file beside `path` (beside the target of a symbolic link, so the link
  // stays). It gets the permission bits of the file it will replace, or 0666 less the umask for a
  // new one. A target that is a FIFO or a device cannot be replaced and is written directly (a
  // FIFO without a reader fails at once instead of waiting). Throws std::system_error with the
  // errno when neither can be opened.
  explicit TReplacementFile(const std::string& path);
  // Without a successful Commit, removes the temporary file; the target is untouched.
  ~TReplacementFile();
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  // The descriptor to write to; owned by this object.
  int Descriptor() const { return FDescriptor; }
  // Flushes the data to disk, renames the temporary file over the target and makes the rename
  // durable. Returns 0, or the errno of the step that failed (the temporary file is then removed).
  int Commit();

 private:
  std::string FTarget;
  std::string FTemporaryPath;  // empty when writing the target directly
  int FDescriptor = -1;
  bool FCommitted = false;
};
