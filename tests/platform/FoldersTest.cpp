#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Sets or clears environment variables for one test and restores them afterwards.
class EnvironmentOverride {
public:
    void Set(const char* name, const char* value)
    {
        const char* old = std::getenv(name);
        FSaved.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvironmentOverride()
    {
        for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};

TEST(FoldersTest, FoldersFollowTheXdgVariables)
{
    struct Case {
        const char* configHome;
        const char* configDirs;
        std::string appData;
        std::string commonAppData;
    };
    const Case cases[] = {
        {"/tmp/cfg", "/opt/xdg:/etc/xdg", "/tmp/cfg", "/opt/xdg"},
        {"/tmp/cfg/", "/opt/xdg/", "/tmp/cfg", "/opt/xdg"},           // no trailing slash
        {nullptr, nullptr, "/home/tester/.config", "/etc/xdg"},        // defaults
        {"", "", "/home/tester/.config", "/etc/xdg"},                  // empty means unset
        {"relative/cfg", "rel:/srv/xdg", "/home/tester/.config", "/srv/xdg"},  // relative ignored
    };
    for (const Case& c : cases) {
        EnvironmentOverride environment;
        environment.Set("HOME", "/home/tester");
        environment.Set("XDG_CONFIG_HOME", c.configHome);
        environment.Set("XDG_CONFIG_DIRS", c.configDirs);
        EXPECT_EQ(SHGetFolderPath(CSIDL_APPDATA), c.appData);
        EXPECT_EQ(SHGetFolderPath(CSIDL_COMMON_APPDATA), c.commonAppData);
    }
}

TEST(FoldersTest, ProgramFilesIsUsrLibAndUnknownFoldersAreEmpty)
{
    EXPECT_EQ(SHGetFolderPath(CSIDL_PROGRAM_FILES), "/usr/lib");
    EXPECT_EQ(SHGetFolderPath(0x7fff), "");
}

TEST(FoldersTest, ExecutablePathNamesThisTestProgram)
{
    const std::filesystem::path path = ExecutablePath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "platform_Folders_test");
}

}  // namespace
