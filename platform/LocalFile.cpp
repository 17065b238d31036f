#include "platform/LocalFile.h"

#include <sys/stat.h>
#include <unistd.h>

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

std::string KindProblem(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder";
  if (S_ISFIFO(mode)) return "not a regular file (a FIFO)";
  if (S_ISSOCK(mode)) return "not a regular file (a socket)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "not a regular file (a device)";
  return "not a regular file";
}

}  // namespace

std::string ReadableFileProblem(const std::string& path) {
  if (path.empty()) return "no such file";
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return StatProblem(errno);
  if (!S_ISREG(status.st_mode)) return KindProblem(status.st_mode);
  if (access(path.c_str(), R_OK) != 0) return StatProblem(errno);
  return "";
}
