#include "platform/LocalFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace {

std::string StatProblem(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return "no such file";
    case EACCES: return "permission denied";
    case ENAMETOOLONG: return "file name too long";
    case ELOOP: return "too many levels of symbolic links";
    default: return std::strerror(error);
  }
}

std::string LargerThan(uint64_t maxBytes) {
  if (maxBytes % (1024 * 1024) == 0) return "larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MB";
  return "larger than " + std::to_string(maxBytes) + " bytes";
}

// Closes the descriptor when it goes out of scope.
class TReadDescriptor {
 public:
  explicit TReadDescriptor(const std::string& path) : FFd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
  ~TReadDescriptor() {
    if (FFd >= 0) close(FFd);
  }
  TReadDescriptor(const TReadDescriptor&) = delete;
  TReadDescriptor& operator=(const TReadDescriptor&) = delete;
  int Get() const { return FFd; }

 private:
  int FFd;
};

TFileContents Failed(int errorNumber, bool opened) {
  TFileContents contents;
  contents.errorNumber = errorNumber;
  contents.problem = std::strerror(errorNumber);
  contents.opened = opened;
  return contents;
}

TFileContents Refused(std::string problem, bool opened) {
  TFileContents contents;
  contents.problem = std::move(problem);
  contents.opened = opened;
  return contents;
}

}  // namespace

std::string RegularFileProblem(const struct stat& status, uint64_t maxBytes) {
  if (S_ISDIR(status.st_mode)) return "is a folder";
  if (S_ISFIFO(status.st_mode)) return "not a regular file (a FIFO)";
  if (S_ISSOCK(status.st_mode)) return "not a regular file (a socket)";
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "not a regular file (a device)";
  if (!S_ISREG(status.st_mode)) return "not a regular file";
  if (status.st_size > 0 && static_cast<uint64_t>(status.st_size) > maxBytes) return LargerThan(maxBytes);
  return "";
}

std::string ReadableFileProblem(const std::string& path) {
  if (path.empty()) return "no such file";
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return StatProblem(errno);
  if (std::string problem = RegularFileProblem(status); !problem.empty()) return problem;
  if (access(path.c_str(), R_OK) != 0) return StatProblem(errno);
  return "";
}

TFileContents ReadRegularFile(const std::string& path, uint64_t maxBytes) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return Failed(errno, false);
  if (std::string problem = RegularFileProblem(status, maxBytes); !problem.empty()) return Refused(problem, false);
  const TReadDescriptor file(path);
  if (file.Get() < 0) return Failed(errno, false);
  if (fstat(file.Get(), &status) != 0) return Failed(errno, true);
  if (std::string problem = RegularFileProblem(status, maxBytes); !problem.empty()) return Refused(problem, true);
  TFileContents contents;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(file.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Failed(errno, true);
    if (got == 0) return contents;
    contents.bytes.append(buffer, static_cast<size_t>(got));
    if (contents.bytes.size() > maxBytes) return Refused(LargerThan(maxBytes), true);
  }
}

std::string AsSentence(std::string problem) {
  if (!problem.empty()) problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
  return problem;
}
