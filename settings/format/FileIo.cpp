#include "settings/format/FileIo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "platform/LocalFile.h"
#include "platform/ReplacementFile.h"
#include "settings/format/StreamErrors.h"

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

[[noreturn]] void ThrowOpenError(const std::string& fileName, const std::string& reason) {
  throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + reason);
}

// Returns 0, or the errno of the failed write.
int WriteAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    ssize_t written = ::write(fd, contents.data(), contents.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    if (written == 0) return EIO;
    contents.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

}  // namespace

std::string ErrorText(int errorCode) { return std::strerror(errorCode); }

std::string ReadFileBytes(const std::string& fileName) {
  TFileContents contents = ReadRegularFile(fileName, kMaxSettingsFileBytes);
  if (contents.problem.empty()) return std::move(contents.bytes);
  if (contents.opened) throw EReadError("Error reading file " + Quoted(fileName) + ". " + AsSentence(contents.problem));
  ThrowOpenError(fileName, AsSentence(contents.problem));
}

void CheckSettingsFileKind(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return;  // missing: the caller's open says so
  if (std::string problem = RegularFileProblem(info, kMaxSettingsFileBytes); !problem.empty())
    ThrowOpenError(fileName, AsSentence(problem));
}

void WriteFileAtomically(const std::string& fileName, std::string_view contents) {
  std::optional<TReplacementFile> file;
  try {
    file.emplace(fileName);
  } catch (const std::system_error& error) {
    throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + ErrorText(error.code().value()));
  }
  int error = WriteAll(file->Descriptor(), contents);
  if (error == 0) error = file->Commit();
  if (error != 0) throw EWriteError("Error writing file " + Quoted(fileName) + ". " + ErrorText(error));
}
