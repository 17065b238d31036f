// An add-on of the audio library that is a separate shared library on this system, opened at run
// time (dlopen) when it is there.
#pragma once

#include <memory>
#include <string>

namespace audiolib {

// Any thread. Opening never shows a message; an absent library or function is a result.
class AddOnLibrary {
 public:
  // The Linux library for an add-on's Windows name: "bass_vst.dll" -> "libbass_vst.so"
  // (a name without ".dll" gets "lib" and ".so" as well; a name with a '/' or ending in ".so" is
  // taken as it is).
  static std::string LinuxName(const std::string& windowsName);
  // Null when the library cannot be opened (absent, or not loadable on this system).
  static std::unique_ptr<AddOnLibrary> Open(const std::string& windowsName);
  ~AddOnLibrary();
  AddOnLibrary(const AddOnLibrary&) = delete;
  AddOnLibrary& operator=(const AddOnLibrary&) = delete;

  // Null when the library has no such function.
  void* Symbol(const char* function) const;

 private:
  explicit AddOnLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace audiolib
