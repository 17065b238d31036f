#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

[[noreturn]] void ThrowErrno() { throw std::system_error(errno, std::generic_category()); }

// The file a symbolic link points to, so that replacing it keeps the link.
std::string LinkTarget(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(path, ec)) return path;
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : target.string();
}

bool IsWrittenDirectly(const struct stat& status) {
  return S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) ||
         S_ISSOCK(status.st_mode);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

std::string TemplateBeside(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + "." + name + ".XXXXXX";
}

mode_t UsualPermissions() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Makes a rename durable; a folder that cannot be synced changes nothing for the caller.
void SyncFolder(const std::string& folder) {
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

}  // namespace

TReplacementFile::TReplacementFile(const std::string& path) : FTarget(LinkTarget(path)) {
  struct stat existing {};
  const bool exists = stat(FTarget.c_str(), &existing) == 0;
  if (exists && IsWrittenDirectly(existing)) {
    FDescriptor = open(FTarget.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (FDescriptor < 0) ThrowErrno();
    fcntl(FDescriptor, F_SETFL, fcntl(FDescriptor, F_GETFL) & ~O_NONBLOCK);  // a pipe's reader sets the pace
    return;
  }
  const std::string name = TemplateBeside(FTarget);
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  FDescriptor = mkostemp(buffer.data(), O_CLOEXEC);
  if (FDescriptor < 0) ThrowErrno();
  FTemporaryPath = buffer.data();
  if (fchmod(FDescriptor, exists ? existing.st_mode & 07777 : UsualPermissions()) != 0) {
    const int error = errno;
    close(FDescriptor);
    unlink(FTemporaryPath.c_str());
    throw std::system_error(error, std::generic_category());
  }
}

TReplacementFile::~TReplacementFile() {
  if (FDescriptor >= 0) close(FDescriptor);
  if (!FCommitted && !FTemporaryPath.empty()) unlink(FTemporaryPath.c_str());
}

int TReplacementFile::Commit() {
  int error = 0;
  if (!FTemporaryPath.empty() && fsync(FDescriptor) != 0) error = errno;
  if (close(FDescriptor) != 0 && error == 0) error = errno;
  FDescriptor = -1;
  if (error == 0 && !FTemporaryPath.empty()) {
    if (rename(FTemporaryPath.c_str(), FTarget.c_str()) != 0) {
      error = errno;
    } else {
      SyncFolder(FolderOf(FTarget));
    }
  }
  FCommitted = error == 0;
  return error;
}
