#include "cli/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

std::string Reason(const std::string& path) { return path + ": " + std::strerror(errno); }

bool IsReplaceable(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode);
}

std::string TemplateBeside(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + ".XXXXXX";
}

// mkstemp makes the file private; the finished file gets the usual permissions.
void GiveUsualPermissions(int descriptor) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
}

}  // namespace

TReplacementFile::TReplacementFile(std::string path) : FPath(std::move(path)) {
  if (!IsReplaceable(FPath)) {
    FDescriptor = open(FPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (FDescriptor < 0) throw std::runtime_error(Reason(FPath));
    return;
  }
  std::string name = TemplateBeside(FPath);
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  FDescriptor = mkostemp(buffer.data(), O_CLOEXEC);
  if (FDescriptor < 0) throw std::runtime_error(Reason(FPath));
  FTemporaryPath = buffer.data();
  GiveUsualPermissions(FDescriptor);
}

TReplacementFile::~TReplacementFile() {
  if (FDescriptor >= 0) close(FDescriptor);
  if (!FCommitted && !FTemporaryPath.empty()) unlink(FTemporaryPath.c_str());
}

std::string TReplacementFile::Commit() {
  std::string failure;
  if (!FTemporaryPath.empty() && fsync(FDescriptor) != 0) failure = Reason(FPath);
  if (close(FDescriptor) != 0 && failure.empty()) failure = Reason(FPath);
  FDescriptor = -1;
  if (failure.empty() && !FTemporaryPath.empty() && rename(FTemporaryPath.c_str(), FPath.c_str()) != 0)
    failure = Reason(FPath);
  FCommitted = failure.empty();
  return failure;
}
