#include <gtest/gtest.h>

#include <cstring>

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

TEST(Config, ReportsTheEffectsAddOnAsPresent) {
  EXPECT_NE(BASS_FX_GetVersion(), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
}

}  // namespace
