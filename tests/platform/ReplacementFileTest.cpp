#include "platform/ReplacementFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

class ReplacementFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("tonesentry-replace-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void Write(int descriptor, const std::string& text) {
    ASSERT_EQ(write(descriptor, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  fs::path dir;
};

TEST_F(ReplacementFileTest, TheTargetChangesOnlyAtACommit) {
  std::ofstream(dir / "out.wav") << "old";
  {
    TReplacementFile file((dir / "out.wav").string());
    Write(file.Descriptor(), "abandoned");
  }
  EXPECT_EQ(Read(dir / "out.wav"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  TReplacementFile file((dir / "out.wav").string());
  Write(file.Descriptor(), "new");
  EXPECT_EQ(Read(dir / "out.wav"), "old");
  EXPECT_EQ(file.Commit(), 0);
  EXPECT_EQ(Read(dir / "out.wav"), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// Renaming over a device (through a link, say player.ini -> /dev/null) would replace the device
// node itself; such a target is written directly, and a FIFO without a reader fails at once.
TEST_F(ReplacementFileTest, DevicesAreWrittenDirectlyAndAFifoWithoutReaderFailsAtOnce) {
  fs::create_symlink("/dev/null", dir / "null.ini");
  {
    TReplacementFile file((dir / "null.ini").string());
    Write(file.Descriptor(), "into the void");
    EXPECT_EQ(file.Commit(), 0);
  }
  EXPECT_TRUE(fs::is_symlink(dir / "null.ini"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  ASSERT_EQ(mkfifo((dir / "fifo.wav").c_str(), 0600), 0);
  try {
    TReplacementFile file((dir / "fifo.wav").string());
    ADD_FAILURE() << "a FIFO without a reader was opened";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), ENXIO);
  }
}

TEST_F(ReplacementFileTest, AMissingFolderFailsWithItsErrno) {
  try {
    TReplacementFile file((dir / "missing" / "out.wav").string());
    ADD_FAILURE() << "created a file in a missing folder";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), ENOENT);
  }
}

}  // namespace
