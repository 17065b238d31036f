#include "audiolib/devices/VirtualDeviceBackend.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "AudioFixtures.h"

using audiolib::DeviceDescription;
using audiolib::DeviceInventory;
using audiolib::ParseVirtualDevices;
using audiolib::VirtualDeviceBackend;

namespace {

DeviceDescription Device(std::string name, std::string id, bool isInput) {
  DeviceDescription device;
  device.name = std::move(name);
  device.id = std::move(id);
  device.isInput = isInput;
  return device;
}

TEST(VirtualDeviceBackend, PutsEachEntryIntoItsLayerInListOrder) {
  const DeviceInventory inventory = ParseVirtualDevices(
      "output|Speakers|spk-1;input|Desk mic|mic-1\n"
      "wasapi-input|Line in|{in}; wasapi-output|Monitors|{out}\n"
      "asio|Card A|card-a;asio|Card B|card-b;output|Phones|ph");

  EXPECT_EQ(inventory.regular, (std::vector{Device("Speakers", "spk-1", false),
                                            Device("Desk mic", "mic-1", true),
                                            Device("Phones", "ph", false)}));
  EXPECT_EQ(inventory.wasapi,
            (std::vector{Device("Line in", "{in}", true), Device("Monitors", "{out}", false)}));
  EXPECT_EQ(inventory.asio,
            (std::vector{Device("Card A", "card-a", false), Device("Card B", "card-b", false)}));
}

TEST(VirtualDeviceBackend, AppliesOptionsAndTrimsBlanks) {
  const DeviceInventory inventory = ParseVirtualDevices(
      "  wasapi-output | Living room | lr-7 | default, loopback , disabled,rate=44100,channels=6 ;"
      "# a comment; ;output|Plain|p|");

  ASSERT_EQ(inventory.wasapi.size(), 1u);
  DeviceDescription expected = Device("Living room", "lr-7", false);
  expected.isDefault = true;
  expected.isLoopback = true;
  expected.isEnabled = false;
  expected.mixRate = 44100;
  expected.mixChannels = 6;
  EXPECT_EQ(inventory.wasapi[0], expected);
  EXPECT_EQ(inventory.regular, (std::vector{Device("Plain", "p", false)}));
}

TEST(VirtualDeviceBackend, RejectsEntriesItCannotUnderstandNamingTheProblem) {
  const struct {
    const char* list;
    const char* says;
  } cases[] = {
      {"speaker|A|a", "unknown layer 'speaker'"},
      {"output|A", "expected <layer>|<name>|<id>"},
      {"output|A|a|default|extra", "expected <layer>|<name>|<id>"},
      {"output|A|a|dflt", "unknown option 'dflt'"},
      {"output|A|a|rate=fast", "'rate=fast' needs a positive whole number"},
      {"output|A|a|channels=0", "'channels=0' needs a positive whole number"},
      {"output|A|a|rate=48000x", "'rate=48000x' needs a positive whole number"},
  };
  for (const auto& c : cases) {
    try {
      ParseVirtualDevices(c.list);
      ADD_FAILURE() << c.list << " was accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos)
          << c.list << " gave: " << error.what();
    }
  }
}

TEST(VirtualDeviceBackend, ReadsTheListFromAFileWhenTheSettingIsAPath) {
  audiofixtures::TempDir folder;
  const std::string path = (folder / "devices.txt").string();
  std::ofstream(path) << "# test rig\noutput|Speakers|spk|default\ninput|Mic|mic\n";

  const DeviceInventory inventory = VirtualDeviceBackend(path).Enumerate();

  ASSERT_EQ(inventory.regular.size(), 2u);
  EXPECT_EQ(inventory.regular[0].name, "Speakers");
  EXPECT_EQ(inventory.regular[1].id, "mic");
}

TEST(VirtualDeviceBackend, AnUnreadableFileOrABadListGivesNoDevicesAndSaysWhy) {
  audiofixtures::TempDir folder;
  const struct {
    std::string setting;
    const char* says;
  } cases[] = {
      {(folder / "missing.txt").string(), "cannot read the device list file"},
      {"output|A|a|bogus", "unknown option 'bogus'"},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    const DeviceInventory inventory = VirtualDeviceBackend(c.setting).Enumerate();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(inventory, DeviceInventory{}) << c.setting;
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
  }
}

TEST(VirtualDeviceBackend, AnEmptySettingGivesNoDevices) {
  EXPECT_EQ(VirtualDeviceBackend("").Enumerate(), DeviceInventory{});
  EXPECT_EQ(VirtualDeviceBackend(" ").Enumerate(), DeviceInventory{});
}

}  // namespace
