// Files in the place of a settings file that are not regular files, or too large to be one: the
// reads must refuse them at once instead of waiting or filling memory.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

// A FIFO at path. Code that opens it for reading would wait for a writer for ever; after a few
// seconds the guard plays that writer (opens and closes at once), so such code reads an empty
// file and the test fails instead of hanging.
class TFifo {
 public:
  explicit TFifo(std::string path) : FPath(std::move(path)) {
    ::mkfifo(FPath.c_str(), 0600);
    FGuard = std::thread([this] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (!FDone) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (std::chrono::steady_clock::now() < deadline) continue;
        int fd = ::open(FPath.c_str(), O_WRONLY | O_NONBLOCK);  // succeeds only with a waiting reader
        if (fd >= 0) ::close(fd);
      }
    });
  }
  ~TFifo() {
    FDone = true;
    FGuard.join();
  }
  TFifo(const TFifo&) = delete;
  TFifo& operator=(const TFifo&) = delete;

 private:
  std::string FPath;
  std::atomic<bool> FDone{false};
  std::thread FGuard;
};

// A symbolic link at path to /dev/zero, a device whose reads never end.
inline void MakeEndlessDeviceLink(const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); }

// A regular file of the given size that takes no disk space (a hole).
inline void MakeSparseFile(const std::string& path, std::uintmax_t size) {
  std::ofstream(path, std::ios::binary).close();
  std::filesystem::resize_file(path, size);
}
