// Writing a file so that it is either complete or not there: the data goes to a temporary file in
// the same folder, which replaces the target only once every byte is on disk. A full disk or a
// failed write leaves the target as it was.
#pragma once

#include <string>

class TReplacementFile {
 public:
  // Creates the temporary file beside `path`. A target that exists and is not a regular file (a
  // device, a pipe) cannot be replaced and is written directly. Throws std::runtime_error with
  // "PATH: reason" when neither can be opened.
  explicit TReplacementFile(std::string path);
  // Without a successful Commit, removes the temporary file; the target is untouched.
  ~TReplacementFile();
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  // The descriptor to write to; owned by this object.
  int Descriptor() const { return FDescriptor; }
  // Flushes the data to disk and renames the temporary file over the target. Returns an empty
  // string, or why it failed (the temporary file is then removed).
  std::string Commit();

 private:
  std::string FPath;
  std::string FTemporaryPath;  // empty when writing the target directly
  int FDescriptor = -1;
  bool FCommitted = false;
};
