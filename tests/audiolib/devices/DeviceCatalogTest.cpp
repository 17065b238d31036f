#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "VirtualDeviceList.h"
#include "audiolib/audiolib.h"

namespace {

struct Listed {
  std::string name;
  std::string id;
  DWORD flags;
  bool operator==(const Listed&) const = default;
};

void PrintTo(const Listed& d, std::ostream* out) {
  *out << "{'" << d.name << "', '" << d.id << "', " << d.flags << "}";
}

// Walks a list from index 0 until the call fails, as callers do, and checks how it failed.
template <class Info, class Call>
std::vector<Info> Walk(Call call) {
  std::vector<Info> seen;
  Info info{};
  for (DWORD i = 0; call(i, &info); ++i) seen.push_back(info);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE) << "after " << seen.size() << " devices";
  return seen;
}

std::vector<Listed> Outputs() {
  std::vector<Listed> out;
  for (const auto& d : Walk<BASS_DEVICEINFO>(BASS_GetDeviceInfo)) {
    out.push_back({d.name, d.driver, d.flags});
  }
  return out;
}

std::vector<Listed> Inputs() {
  std::vector<Listed> out;
  for (const auto& d : Walk<BASS_DEVICEINFO>(BASS_RecordGetDeviceInfo)) {
    out.push_back({d.name, d.driver, d.flags});
  }
  return out;
}

constexpr DWORD kEnabled = BASS_DEVICE_ENABLED;
constexpr DWORD kDefault = BASS_DEVICE_DEFAULT;
constexpr DWORD kInput = BASS_DEVICE_INPUT;

TEST(DeviceCatalog, NumbersOutputsFromTheNoSoundDeviceWithTheDefaultOutputAsDeviceOne) {
  VirtualDeviceList devices(
      "output|Speakers|spk; input|Mic|mic|default; output|Phones|ph|default; output|HDMI|hdmi|disabled");
  EXPECT_EQ(Outputs(), (std::vector<Listed>{{"No sound", "", kEnabled},
                                            {"Phones", "ph", kEnabled | kDefault},
                                            {"Speakers", "spk", kEnabled},
                                            {"HDMI", "hdmi", 0}}));
}

TEST(DeviceCatalog, NumbersInputsFromTheDefaultInput) {
  VirtualDeviceList devices("input|Line|line; output|Speakers|spk; input|Mic|mic|default; input|USB|usb");
  EXPECT_EQ(Inputs(), (std::vector<Listed>{{"Mic", "mic", kEnabled | kDefault | kInput},
                                           {"Line", "line", kEnabled | kInput},
                                           {"USB", "usb", kEnabled | kInput}}));
}

TEST(DeviceCatalog, TakesTheFirstDeviceAsDefaultWhenNoneIsMarked) {
  VirtualDeviceList devices("output|A|a; output|B|b; input|C|c; input|D|d");
  const std::vector<Listed> outputs = Outputs();
  ASSERT_EQ(outputs.size(), 3u);
  EXPECT_EQ(outputs[1], (Listed{"A", "a", kEnabled | kDefault}));
  EXPECT_EQ(outputs[2], (Listed{"B", "b", kEnabled}));
  const std::vector<Listed> inputs = Inputs();
  ASSERT_EQ(inputs.size(), 2u);
  EXPECT_EQ(inputs[0], (Listed{"C", "c", kEnabled | kDefault | kInput}));
}

TEST(DeviceCatalog, ListsWasapiOutputsBeforeInputsWithTheirFlagsAndFormat) {
  VirtualDeviceList devices(
      "wasapi-input|Mic|{m}|default,channels=1; wasapi-output|Speakers|{s}|default,rate=44100;"
      "wasapi-input|What you hear|{l}|loopback; wasapi-output|Old|{o}|disabled");
  const auto seen = Walk<BASS_WASAPI_DEVICEINFO>(BASS_WASAPI_GetDeviceInfo);
  ASSERT_EQ(seen.size(), 4u);
  const struct {
    const char* name;
    const char* id;
    DWORD flags;
    DWORD mixfreq;
    DWORD mixchans;
  } expected[] = {
      {"Speakers", "{s}", kEnabled | kDefault, 44100, 2},
      {"Old", "{o}", 0, 48000, 2},
      {"Mic", "{m}", kEnabled | kDefault | kInput, 48000, 1},
      {"What you hear", "{l}", kEnabled | BASS_DEVICE_LOOPBACK | kInput, 48000, 2},
  };
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_STREQ(seen[i].name, expected[i].name);
    EXPECT_STREQ(seen[i].id, expected[i].id);
    EXPECT_EQ(seen[i].flags, expected[i].flags) << i;
    EXPECT_EQ(seen[i].mixfreq, expected[i].mixfreq) << i;
    EXPECT_EQ(seen[i].mixchans, expected[i].mixchans) << i;
  }
}

TEST(DeviceCatalog, ListsAsioDriversInListOrder) {
  VirtualDeviceList devices("asio|Card B|b.drv; asio|Card A|a.drv");
  const auto seen = Walk<BASS_ASIO_DEVICEINFO>(BASS_ASIO_GetDeviceInfo);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_STREQ(seen[0].name, "Card B");
  EXPECT_STREQ(seen[0].driver, "b.drv");
  EXPECT_STREQ(seen[1].name, "Card A");
}

TEST(DeviceCatalog, WithNoDevicesOnlyTheNoSoundDeviceRemains) {
  VirtualDeviceList devices("");
  EXPECT_EQ(Outputs(), (std::vector<Listed>{{"No sound", "", kEnabled}}));
  EXPECT_TRUE(Inputs().empty());
  EXPECT_TRUE(Walk<BASS_WASAPI_DEVICEINFO>(BASS_WASAPI_GetDeviceInfo).empty());
  EXPECT_TRUE(Walk<BASS_ASIO_DEVICEINFO>(BASS_ASIO_GetDeviceInfo).empty());
}

TEST(DeviceCatalog, RefusesANullRecord) {
  VirtualDeviceList devices("output|A|a");
  EXPECT_FALSE(BASS_GetDeviceInfo(0, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
  EXPECT_FALSE(BASS_ASIO_GetDeviceInfo(0, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST(DeviceCatalog, MarksAnInitialisedOutputAsInitialised) {
  VirtualDeviceList devices("output|A|a");
  BASS_DEVICEINFO info{};
  ASSERT_TRUE(BASS_Init(0, 48000, 0, nullptr, nullptr));
  ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
  EXPECT_EQ(info.flags, kEnabled | BASS_DEVICE_INIT);
  ASSERT_TRUE(BASS_SetDevice(0));
  ASSERT_TRUE(BASS_Free());
  ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
  EXPECT_EQ(info.flags, kEnabled);
}

TEST(DeviceCatalog, ReadsTheListsAgainWhenTheSettingChangesAndKeepsEarlierTextValid) {
  BASS_DEVICEINFO before{};
  {
    VirtualDeviceList devices("output|First|one");
    ASSERT_TRUE(BASS_GetDeviceInfo(1, &before));
  }
  VirtualDeviceList devices("output|Second|two; output|Third|three");
  BASS_DEVICEINFO after{};
  ASSERT_TRUE(BASS_GetDeviceInfo(2, &after));
  EXPECT_STREQ(after.name, "Third");
  EXPECT_STREQ(before.name, "First");
  EXPECT_STREQ(before.driver, "one");
}

TEST(DeviceCatalog, ServesWalksFromSeveralThreadsAtOnce) {
  VirtualDeviceList devices("output|A|a|default; output|B|b; input|C|c; wasapi-output|D|d; asio|E|e");
  std::vector<std::thread> walkers;
  std::vector<size_t> counts(4);
  for (size_t t = 0; t < counts.size(); ++t) {
    walkers.emplace_back([&counts, t] {
      size_t seen = 0;
      for (int round = 0; round < 200; ++round) {
        BASS_DEVICEINFO info{};
        for (DWORD i = 0; BASS_GetDeviceInfo(i, &info); ++i) ++seen;
        BASS_WASAPI_DEVICEINFO endpoint{};
        for (DWORD i = 0; BASS_WASAPI_GetDeviceInfo(i, &endpoint); ++i) ++seen;
      }
      counts[t] = seen;
    });
  }
  for (int round = 0; round < 200; ++round) {
    BASS_Init(0, 48000, 0, nullptr, nullptr);
    BASS_Free();
  }
  for (std::thread& walker : walkers) walker.join();
  for (size_t seen : counts) EXPECT_EQ(seen, 200u * 4u);
}

// Whatever hardware the machine has, the PortAudio lists are well formed.
TEST(DeviceCatalog, ListsTheMachinesDevicesWithoutTheVirtualSetting) {
  if (std::getenv("TONESENTRY_VIRTUAL_DEVICES") != nullptr) GTEST_SKIP() << "virtual devices selected";
  const std::vector<Listed> outputs = Outputs();
  ASSERT_FALSE(outputs.empty());
  EXPECT_EQ(outputs[0], (Listed{"No sound", "", kEnabled}));
  if (outputs.size() > 1) {
    EXPECT_TRUE(outputs[1].flags & kDefault);
  }
  for (const Listed& input : Inputs()) EXPECT_TRUE(input.flags & kInput) << input.name;
}

}  // namespace
