#include <gtest/gtest.h>

#include <thread>

#include "VirtualDeviceList.h"
#include "audiolib/audiolib.h"

namespace {

TEST(Devices, TheNoSoundDeviceInitialisesOnceAndIsSelectable) {
  EXPECT_EQ(BASS_GetDevice(), 0u) << "a thread starts on the no-sound device";
  EXPECT_TRUE(BASS_SetDevice(0)) << "the no-sound device needs no initialisation";
  ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
  EXPECT_TRUE(BASS_Free());
  EXPECT_FALSE(BASS_Free());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

TEST(Devices, RefusesDevicesThatDoNotExistOrAreNotInitialised) {
  VirtualDeviceList devices("output|Speakers|spk|default");
  EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  EXPECT_FALSE(BASS_SetDevice(7));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  EXPECT_FALSE(BASS_SetDevice(1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

// The machine may or may not have a sound card: either the default output opens, or the call
// says there is no such device.
TEST(Devices, TheDefaultOutputOpensOrReportsNoDevice) {
  if (BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
    EXPECT_EQ(BASS_GetDevice(), 1u);
    EXPECT_TRUE(BASS_Free());
  } else {
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
  }
}

TEST(Devices, ChannelsRememberTheDeviceCurrentOnTheirThread) {
  ASSERT_TRUE(BASS_SetDevice(0));
  const HSTREAM mixer = BASS_Mixer_StreamCreate(16000, 1, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  DWORD seenElsewhere = 99;
  std::thread([&] { seenElsewhere = BASS_ChannelGetDevice(mixer); }).join();
  EXPECT_EQ(seenElsewhere, 0u);
  EXPECT_EQ(BASS_ChannelGetDevice(0), static_cast<DWORD>(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  BASS_StreamFree(mixer);
}

}  // namespace
