#include "settings/system/SoundDevice.h"

#include <gtest/gtest.h>

#include <string>

#include "audiolib/VirtualDeviceList.h"
#include "settings/system/InputDevice.h"
#include "settings/system/OutputDevice.h"

namespace {

using enum TOutputDevType;

struct Item {
  bool isInput;
  TOutputDevType devType;
  int32_t method;
  std::string deviceID;
  std::string deviceName2 = "";
};

int32_t DeviceIdxOf(const Item& item) {
  TOutputDevicesList outputs;
  TInputDevicesList inputs;
  TSoundDevice& device = item.isInput ? static_cast<TSoundDevice&>(inputs.Add()) : outputs.Add();
  device.SetDevType(item.devType);
  device.SetMethod(item.method);
  device.SetDeviceID(item.deviceID);
  device.SetDeviceName2(item.deviceName2);
  return device.DeviceIdx();
}

constexpr bool kOutput = false;
constexpr bool kInput = true;

TEST(SoundDevice, IsDefaultOnlyForTheExactDefaultIdentifier) {
  TOutputDevicesList outputs;
  TOutputDevice& device = outputs.Add();
  for (const char* id : {"", ":Default", ":default ", "default"}) {
    device.SetDeviceID(id);
    EXPECT_FALSE(device.IsDefault()) << id;
  }
  device.SetIsDefault(true);
  EXPECT_EQ(device.DeviceID(), ":default");
  EXPECT_TRUE(device.IsDefault());
  device.SetIsDefault(false);
  EXPECT_EQ(device.DeviceID(), "");
  device.SetDeviceID("spk");
  device.SetIsDefault(false);
  EXPECT_EQ(device.DeviceID(), "spk") << "only a default identifier is cleared";
}

TEST(SoundDevice, IsNoSoundWithoutAMethodOrWhenTheLibraryOnlyDecodes) {
  const struct {
    int32_t method;
    const char* deviceID;
    bool noSound;
  } cases[] = {
      {kMethodNone, "spk", true},     {kMethodLibrary, ":decode", true}, {kMethodLibrary, ":Decode", false},
      {kMethodWasapi, ":decode", false}, {kMethodLibrary, "", false},     {-2, ":decode", false},
  };
  TOutputDevicesList outputs;
  TOutputDevice& device = outputs.Add();
  for (const auto& c : cases) {
    device.SetMethod(c.method);
    device.SetDeviceID(c.deviceID);
    EXPECT_EQ(device.IsNoSound(), c.noSound) << c.method << " " << c.deviceID;
  }
}

// Each layer has its own devices, so an index tells which list was walked.
const char* const kLayers =
    "output|Speakers|spk|default; output|Phones|ph; output|HDMI|hdmi;"
    "input|Mic|mic|default; input|Line|line;"
    "wasapi-output|W Speakers|w-spk; wasapi-output|W Phones|w-ph;"
    "wasapi-input|W Mic|w-mic; wasapi-input|W Line|w-line;"
    "asio|Card A|card-a; asio|Card B|card-b";

TEST(SoundDevice, DeviceIdxWalksTheListItsMethodAndKindSelect) {
  VirtualDeviceList devices(kLayers);
  const struct {
    const char* what;
    Item item;
    int32_t index;
  } cases[] = {
      {"library output", {kOutput, odMixer, kMethodLibrary, "hdmi"}, 3},
      {"library input", {kInput, odMixer, kMethodLibrary, "line"}, 1},
      {"WASAPI main-mixer output", {kOutput, odMixer, kMethodWasapi, "w-ph"}, 1},
      {"WASAPI input", {kInput, odMixer, kMethodWasapi, "w-line"}, 3},
      {"WASAPI method, own mixer: library list", {kOutput, odRegular, kMethodWasapi, "ph"}, 2},
      {"WASAPI method, unused slot: library list", {kOutput, odNotUsed, kMethodWasapi, "ph"}, 2},
      {"WASAPI method, default device: library", {kOutput, odMixer, kMethodWasapi, ":default"}, 1},
      {"ASIO", {kOutput, odMixer, kMethodAsio, "card-b"}, 1},
      {"ASIO input", {kInput, odMixer, kMethodAsio, "card-b"}, 1},
      {"no method", {kOutput, odMixer, kMethodNone, "spk"}, -1},
      {"microphone role", {kInput, odMixer, -2, "mic"}, -1},
      {"unknown method", {kOutput, odMixer, 3, "spk"}, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(DeviceIdxOf(c.item), c.index) << c.what;
}

TEST(SoundDevice, DeviceIdxGivesTheSpecialIdentifiersTheirDevices) {
  VirtualDeviceList devices(kLayers);
  const struct {
    const char* what;
    Item item;
    int32_t index;
  } cases[] = {
      {"default output", {kOutput, odMixer, kMethodLibrary, ":default"}, 1},
      {"default output of the WASAPI method", {kOutput, odMixer, kMethodWasapi, ":default"}, 1},
      {"default input", {kInput, odMixer, kMethodLibrary, ":default"}, 0},
      {"decode-only output", {kOutput, odNotUsed, kMethodWasapi, ":decode"}, 0},
      {"decode-only input: no such device", {kInput, odMixer, kMethodLibrary, ":decode"}, -2},
      {"default input of the WASAPI method", {kInput, odMixer, kMethodWasapi, ":default"}, 0},
      {"default among ASIO drivers: no such driver", {kOutput, odMixer, kMethodAsio, ":default"}, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(DeviceIdxOf(c.item), c.index) << c.what;
}

TEST(SoundDevice, DeviceIdxPrefersAFullMatchThenTheLastNameMatchThenTheFirstIdentifierMatch) {
  const struct {
    const char* what;
    const char* devices;  // outputs; the no-sound device comes first
    const char* deviceID;
    const char* deviceName2;
    int32_t index;
  } cases[] = {
      {"full match", "output|A|a; output|B|b", "b", "B", 2},
      {"letter case is ignored", "output|Speakers|SPK-1", "spk-1", "speakers", 1},
      {"two name matches: the later", "output|Mic|x; output|Mic|y", "z", "Mic", 2},
      {"full match after a name match", "output|Mic|x; output|Mic|z; output|Mic|y", "z", "Mic", 2},
      {"full match before a name match stops the walk", "output|Mic|z; output|Mic|y", "z", "Mic", 1},
      {"name match replaces an identifier match", "output|Old|a; output|New|b", "a", "New", 2},
      {"identifier match after a name match does not", "output|New|b; output|Old|a", "a", "New", 1},
      {"two identifier matches: the first", "output|X|a; output|Y|a", "a", "Z", 1},
      {"nothing matches", "output|X|x; output|Y|y", "a", "Z", -1},
      {"an empty identifier matches the no-sound device's", "output|X|x", "", "", 0},
  };
  for (const auto& c : cases) {
    VirtualDeviceList devices(c.devices);
    EXPECT_EQ(DeviceIdxOf({kOutput, odMixer, kMethodLibrary, c.deviceID, c.deviceName2}), c.index) << c.what;
  }
}

TEST(SoundDevice, DeviceIdxSkipsWasapiEndpointsThatCannotServeTheItem) {
  VirtualDeviceList devices(
      "wasapi-output|Out|same|disabled; wasapi-output|Out|same|loopback; wasapi-input|Out|same;"
      "wasapi-output|Out|same; wasapi-input|In|in|loopback");
  EXPECT_EQ(DeviceIdxOf({kOutput, odMixer, kMethodWasapi, "same", "Out"}), 2)
      << "the disabled and the loopback output are skipped";
  EXPECT_EQ(DeviceIdxOf({kInput, odMixer, kMethodWasapi, "same", "Out"}), 3);
  EXPECT_EQ(DeviceIdxOf({kInput, odMixer, kMethodWasapi, "in", "In"}), -3) << "a loopback input";
}

TEST(SoundDevice, DeviceIdxFindsNothingWhenTheListsAreEmpty) {
  VirtualDeviceList devices("");
  EXPECT_EQ(DeviceIdxOf({kOutput, odMixer, kMethodLibrary, "spk", "Speakers"}), -1);
  EXPECT_EQ(DeviceIdxOf({kInput, odMixer, kMethodLibrary, "mic", "Mic"}), -2);
  EXPECT_EQ(DeviceIdxOf({kOutput, odMixer, kMethodWasapi, "spk", "Speakers"}), -1);
  EXPECT_EQ(DeviceIdxOf({kInput, odMixer, kMethodWasapi, "mic", "Mic"}), -3);
  EXPECT_EQ(DeviceIdxOf({kOutput, odMixer, kMethodAsio, "card", "Card"}), -1);
}

TEST(SoundDevice, OutputsAndInputsStartFromTheirConstructorValues) {
  TOutputDevicesList outputs;
  const TOutputDevice& output = outputs.Add();
  EXPECT_EQ(output.DevType(), odMixer);
  EXPECT_EQ(output.Method(), kMethodLibrary);
  EXPECT_EQ(output.SampleFreq(), 48000);
  EXPECT_EQ(output.BufSize(), 500);
  EXPECT_EQ(output.PrvMethod, -1);
  EXPECT_EQ(output.PrvDeviceIdx, -1);
  EXPECT_EQ(output.PrvChan1, -1);
  EXPECT_EQ(output.PrvChan2, -1);
  EXPECT_FALSE(output.IsInput());
  TInputDevicesList inputs;
  const TInputDevice& input = inputs.Add();
  EXPECT_EQ(input.Method(), kMethodNone);
  EXPECT_TRUE(input.IsInput());
}

}  // namespace
