#include "settings/format/px_utils.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/MainThread.h"
#include "platform/MessageBox.h"
#include "settings/format/FileIo.h"
#include "settings/format/ObjectParser.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/StreamErrors.h"

namespace {

// Returns 0 or the errno of the failed copy.
int CopyFileReplacing(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  if (!ec) return 0;
  return ec.value() != 0 ? ec.value() : EIO;
}

// A FIFO, a device or a folder in the file's place is neither: it is left for the read to refuse,
// and a backup copy over it would fail anyway.
bool IsMissingOrEmpty(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return true;
  if (!S_ISREG(info.st_mode)) return false;
  int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return true;
  bool empty = ::fstat(fd, &info) != 0 || info.st_size == 0;
  ::close(fd);
  return empty;
}

// Failures of the file system itself, which a restore passes over in silence.
bool IsFileSystemError(int errorCode) {
  switch (errorCode) {
    case EIO:
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ENOTSUP:
      return true;
    default:
      return false;
  }
}

}  // namespace

void SaveComponentToFile(TComponent& instance, const std::string& fileName) {
  WriteFileAtomically(fileName, ComponentToText(instance));
}

void LoadComponentFromFile(TComponent& root, const std::string& fileName) {
  LoadComponentFromText(root, ReadFileBytes(fileName));
}

void LoadComponentFromText(TComponent& root, std::string_view bytes) {
  TTextObject text = ParseObjectText(bytes);
  TReader reader;
  reader.OnError = &TTemp::ReaderError;
  reader.ReadRootComponent(text, root);
}

void BackupFile(const std::string& fileName) {
  std::string backup = fileName + ".bak";
  if (int error = CopyFileReplacing(fileName, backup)) {
    MyMessageBox("Copy failed: " + backup + " (" + ErrorText(error) + ")", "", MB_ICONERROR);
  }
}

bool RestoreFromBackup(const std::string& fileName, bool raiseErrors) {
  std::string backup = fileName + ".bak";
  std::error_code ec;
  if (!IsMissingOrEmpty(fileName) || !std::filesystem::exists(backup, ec)) return false;
  CheckSettingsFileKind(backup);
  int error = CopyFileReplacing(backup, fileName);
  if (error == 0) return true;
  if (IsFileSystemError(error)) return false;
  if (raiseErrors) {
    throw EFileCopyError("Cannot copy \"" + backup + "\" to \"" + fileName + "\". " + ErrorText(error), error);
  }
  MyMessageBox("Unable to load file " + fileName + " (" + ErrorText(error) +
                   "). Failed to restore file from backup. Loading default settings.",
               "Error", MB_ICONERROR);
  return false;
}

void TTemp::ReaderError(TReader&, const std::string&, bool& handled) { handled = true; }

int MyMessageBox(const std::string& text, const std::string& caption, UINT flags) {
  if (IsMainThread()) return MessageBox(0, text, caption, flags);
  QueueInMainThreadQueue([text, caption, flags] { MessageBox(0, text, caption, flags); });
  return -1;
}
