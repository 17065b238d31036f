#include "audiolib/plugins/AddOnLibrary.h"

#include <dlfcn.h>

namespace audiolib {

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string AddOnLibrary::LinuxName(const std::string& windowsName) {
  if (windowsName.find('/') != std::string::npos || EndsWith(windowsName, ".so")) return windowsName;
  std::string base = windowsName;
  if (EndsWith(base, ".dll") || EndsWith(base, ".DLL")) base.resize(base.size() - 4);
  return "lib" + base + ".so";
}

std::unique_ptr<AddOnLibrary> AddOnLibrary::Open(const std::string& windowsName) {
  if (windowsName.empty()) return nullptr;
  void* handle = dlopen(LinuxName(windowsName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  return std::unique_ptr<AddOnLibrary>(new AddOnLibrary(handle));
}

AddOnLibrary::~AddOnLibrary() { dlclose(handle_); }

void* AddOnLibrary::Symbol(const char* function) const {
  return function ? dlsym(handle_, function) : nullptr;
}

}  // namespace audiolib
