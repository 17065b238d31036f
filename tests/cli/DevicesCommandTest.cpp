// `tonesentry devices` run as a program over virtual device lists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "ToolRunner.h"

namespace {

using namespace clitest;
namespace fs = std::filesystem;

class DevicesCommand : public testing::Test {
 protected:
  DevicesCommand() : dir_(fs::temp_directory_path() / ("tonesentry-devices-" + std::to_string(getpid()))) {
    fs::create_directories(dir_);
  }
  ~DevicesCommand() override { fs::remove_all(dir_); }

  TToolRun Devices(const std::string& list, const std::string& args = "") {
    return RunShell(dir_, "TONESENTRY_VIRTUAL_DEVICES='" + list + "' '" + TONESENTRY_BIN + "' devices " + args);
  }

  fs::path dir_;
};

const std::string kList =
    "output|Speakers|spk; output|USB headset|usb-hs|default; input|Desk mic|mic;"
    "input|Line in|line|default,disabled; wasapi-output|Monitors|mon|rate=44100,channels=6;"
    "wasapi-input|Monitors loop|mon-loop|loopback; asio|Studio card|studio";

TEST_F(DevicesCommand, ListsEveryLayerWithNumbersNamesIdsAndFlagsDefaultsFirst) {
  const TToolRun run = Devices(kList);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Output devices:\n"
            "  0: No sound [enabled]\n"
            "  1: USB headset (usb-hs) [default, enabled]\n"
            "  2: Speakers (spk) [enabled]\n"
            "Input devices:\n"
            "  0: Line in (line) [input, default, disabled]\n"
            "  1: Desk mic (mic) [input, enabled]\n"
            "WASAPI-style endpoints (ALSA):\n"
            "  0: Monitors (mon), 44100 Hz, 6 ch [enabled]\n"
            "  1: Monitors loop (mon-loop), 48000 Hz, 2 ch [input, enabled, loopback]\n"
            "ASIO-style drivers (JACK):\n"
            "  0: Studio card (studio)\n");
}

TEST_F(DevicesCommand, JsonGivesTheSameListsAsData) {
  const TToolRun run = Devices(kList, "--format json");
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json lists = nlohmann::json::parse(run.out);
  ASSERT_EQ(lists["outputs"].size(), 3u);
  EXPECT_EQ(lists["outputs"][1]["name"], "USB headset");
  EXPECT_EQ(lists["outputs"][1]["id"], "usb-hs");
  EXPECT_EQ(lists["outputs"][1]["default"], true);
  EXPECT_EQ(lists["inputs"][0]["enabled"], false);
  EXPECT_EQ(lists["inputs"][1]["number"], 1);
  EXPECT_EQ(lists["wasapi"][0]["rate"], 44100);
  EXPECT_EQ(lists["wasapi"][0]["channels"], 6);
  EXPECT_EQ(lists["wasapi"][1]["loopback"], true);
  EXPECT_EQ(lists["wasapi"][1]["input"], true);
  EXPECT_EQ(lists["asio"][0]["id"], "studio");
}

TEST_F(DevicesCommand, EmptyLayersAreShownAsNoneAndBadOptionsAreUsageErrors) {
  const TToolRun run = Devices("");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Output devices:\n  0: No sound [enabled]\nInput devices:\n  (none)\n"
            "WASAPI-style endpoints (ALSA):\n  (none)\nASIO-style drivers (JACK):\n  (none)\n");
  EXPECT_EQ(Devices("", "--format xml").status, 2);
  EXPECT_EQ(Devices("", "extra").status, 2);
}

}  // namespace
