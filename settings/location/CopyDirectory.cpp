#include "settings/location/CopyDirectory.h"

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Symbolic links are followed like Windows junctions; a loop stops at this depth.
constexpr int kMaxFolderDepth = 64;

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// Returns 0 or the errno of the failed copy.
int CopyOver(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (fs::exists(to, ec)) fs::permissions(to, fs::perms::owner_write, fs::perm_options::add, ec);
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (!ec) return 0;
  return ec.value() != 0 ? ec.value() : EIO;
}

bool CopyTree(const std::string& sourceFolder, const std::string& destFolder, bool overwrite, bool raiseOnError,
              int depth) {
  std::string source = WithTrailingSlash(sourceFolder);
  std::string dest = WithTrailingSlash(destFolder);
  bool result = true;
  std::error_code ec;
  if (!fs::is_directory(source, ec)) return result;
  fs::create_directories(dest, ec);
  if (!fs::is_directory(dest, ec)) return result;

  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::error_code typeError;
    if (it->is_directory(typeError) && depth < kMaxFolderDepth) {
      result = CopyTree(source + name, dest + name, overwrite, raiseOnError, depth + 1);
      continue;
    }
    int errorCode = 0;
    if (!overwrite && fs::exists(dest + name, typeError)) {
      result = true;
    } else {
      errorCode = it->is_directory(typeError) ? ELOOP : CopyOver(source + name, dest + name);
      result = errorCode == 0;
    }
    if (!result && raiseOnError) {
      throw EDirCopyException("Code " + std::to_string(errorCode) + ". Cannot copy \"" + source + name + "\" to \"" +
                              dest + name + "\"");
    }
  }
  return result;
}

}  // namespace

bool CopyDirectory(const std::string& source, const std::string& dest, bool overwrite, bool raiseOnError) {
  return CopyTree(source, dest, overwrite, raiseOnError, 0);
}
