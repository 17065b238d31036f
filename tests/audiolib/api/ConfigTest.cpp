#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "audiolib/audiolib.h"

namespace {

TEST(Config, KeepsValuesAndTheUserAgentText) {
  EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_DEV_DEFAULT, 1));
  EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_DEV_DEFAULT), 1u);
  EXPECT_TRUE(BASS_SetConfig(12345, 7)) << "any option is kept";
  EXPECT_EQ(BASS_GetConfig(12345), 7u);
  EXPECT_EQ(BASS_GetConfig(54321), static_cast<DWORD>(-1));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

  char agent[] = "ToneSentry/0.1";
  EXPECT_TRUE(BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, agent));
  agent[0] = 'X';  // the library keeps its own copy
  EXPECT_STREQ(static_cast<const char*>(BASS_GetConfigPtr(BASS_CONFIG_NET_AGENT)), "ToneSentry/0.1");
  EXPECT_FALSE(BASS_SetConfigPtr(BASS_CONFIG_BUFFER, agent));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST(Config, GivesEachKnownOptionItsDefaultUntilSet) {
  const std::pair<DWORD, DWORD> defaults[] = {
      {BASS_CONFIG_CURVE_VOL, 0},        {BASS_CONFIG_FLOATDSP, 0},
      {BASS_CONFIG_NET_TIMEOUT, 5000},   {BASS_CONFIG_NET_BUFFER, 5000},
      {BASS_CONFIG_NET_PREBUF, 75},      {BASS_CONFIG_NET_PLAYLIST, 0},
      {BASS_CONFIG_UPDATETHREADS, 1},    {BASS_CONFIG_NET_READTIMEOUT, 0},
      {BASS_CONFIG_MF_DISABLE, 0},       {BASS_CONFIG_UNICODE, 0},
      {BASS_CONFIG_ASYNCFILE_BUFFER, 65536}, {BASS_CONFIG_MF_VIDEO, 1},
      {BASS_CONFIG_REC_WASAPI, 0},       {BASS_CONFIG_UPDATEPERIOD, 100},
  };
  for (const auto& [option, value] : defaults) {
    EXPECT_EQ(BASS_GetConfig(option), value) << "option " << option;
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
  }
  ASSERT_TRUE(BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 3000));
  EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_NET_BUFFER), 3000u);
}

TEST(Config, ReportsTheEffectsAddOnAsPresent) {
  EXPECT_NE(BASS_FX_GetVersion(), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
}

}  // namespace
