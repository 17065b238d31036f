#include "settings/format/FileIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/LocalFile.h"
#include "settings/format/StreamErrors.h"

namespace {

// Closes the descriptor when it goes out of scope.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : FFd(fd) {}
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  ~TFileDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  int Get() const { return FFd; }
  // Closes now, so that a failing close (delayed write errors) can be reported; returns errno or 0.
  int Close() {
    int result = ::close(FFd);
    FFd = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int FFd;
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

[[noreturn]] void ThrowOpenError(const std::string& fileName, const std::string& reason) {
  throw EFOpenError("Cannot open file " + Quoted(fileName) + ". " + reason);
}

std::filesystem::path ResolveLink(const std::string& fileName) {
  std::error_code ec;
  std::filesystem::path path(fileName);
  if (std::filesystem::is_symlink(path, ec)) {
    std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    if (!ec) return target;
  }
  return path;
}

// Creates a new, hidden file next to target; returns its descriptor and fills tempPath.
int CreateTempBeside(const std::filesystem::path& target, std::filesystem::path& tempPath) {
  std::random_device random;
  std::filesystem::path folder = target.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "." + target.filename().string() + ".tmp" + std::to_string(random() % 1000000);
    tempPath = folder / name;
    int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
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

// Gives the temporary file the target's permission bits and contents, flushes it to disk and
// renames it over the target. Returns 0, or the errno of the first failing step.
int FillAndPublish(TFileDescriptor& temp, const std::filesystem::path& tempPath,
                   const std::filesystem::path& target, std::string_view contents) {
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && ::fchmod(temp.Get(), existing.st_mode & 07777) != 0) return errno;
  if (int error = WriteAll(temp.Get(), contents)) return error;
  if (::fsync(temp.Get()) != 0) return errno;
  if (int error = temp.Close()) return error;
  if (::rename(tempPath.c_str(), target.c_str()) != 0) return errno;
  return 0;
}

// Makes the rename itself durable; a folder that cannot be synced changes nothing for the caller.
void SyncFolder(const std::filesystem::path& folder) {
  TFileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
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
  std::filesystem::path target = ResolveLink(fileName);
  std::filesystem::path tempPath;
  TFileDescriptor temp(CreateTempBeside(target, tempPath));
  if (temp.Get() < 0) {
    int error = errno;
    throw EFCreateError("Cannot create file " + Quoted(fileName) + ". " + ErrorText(error));
  }
  if (int error = FillAndPublish(temp, tempPath, target, contents)) {
    ::unlink(tempPath.c_str());
    throw EWriteError("Error writing file " + Quoted(fileName) + ". " + ErrorText(error));
  }
  SyncFolder(target.parent_path());
}
