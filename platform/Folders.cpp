#include "platform/Folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string HomeFolder()
{
    std::string home = EnvironmentValue("HOME");
    if (!home.empty())
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result)
        return result->pw_dir;
    return "";
}

std::string UserConfigFolder()
{
    const std::string configured = EnvironmentValue("XDG_CONFIG_HOME");
    if (!configured.empty() && configured.front() == '/')
        return configured;
    const std::string home = HomeFolder();
    return home.empty() ? "" : WithoutTrailingSlashes(home) + "/.config";
}

std::string SystemConfigFolder()
{
    const std::string dirs = EnvironmentValue("XDG_CONFIG_DIRS");
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string entry = dirs.substr(start, end - start);
        if (!entry.empty() && entry.front() == '/')
            return entry;
        start = end + 1;
    }
    return "/etc/xdg";
}

}  // namespace

std::string SHGetFolderPath(int csidl)
{
    switch (csidl) {
    case CSIDL_APPDATA:
        return WithoutTrailingSlashes(UserConfigFolder());
    case CSIDL_COMMON_APPDATA:
        return WithoutTrailingSlashes(SystemConfigFolder());
    case CSIDL_PROGRAM_FILES:
        return "/usr/lib";
    default:
        return "";
    }
}

std::string ExecutablePath()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return "";
        if (static_cast<size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}
