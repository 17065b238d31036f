// A fresh folder under the system temporary folder, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <stdlib.h>

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tonesentry-settings-XXXXXX").string();
    FPath = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, with a trailing slash.
  std::string Path() const { return FPath.string() + "/"; }
  std::string operator/(const std::string& name) const { return Path() + name; }

 private:
  std::filesystem::path FPath;
};

inline void WriteTextFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
