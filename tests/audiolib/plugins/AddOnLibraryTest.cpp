#include <gtest/gtest.h>

#include <string>

#include "audiolib/audiolib.h"
#include "audiolib/plugins/AddOnLibrary.h"

namespace {

TEST(AddOnLibrary, MapsWindowsNamesToLinuxLibraries) {
  const std::pair<std::string, std::string> cases[] = {
      {"bass_vst.dll", "libbass_vst.so"},
      {"bass_wadsp.DLL", "libbass_wadsp.so"},
      {"bass_vst", "libbass_vst.so"},
      {"libfoo.so", "libfoo.so"},
      {"/opt/x/libbar.so.2", "/opt/x/libbar.so.2"},
  };
  for (const auto& [windowsName, linuxName] : cases) {
    EXPECT_EQ(audiolib::AddOnLibrary::LinuxName(windowsName), linuxName) << windowsName;
  }
}

TEST(AddOnLibrary, AnAbsentAddOnIsUnavailableWithoutFuss) {
  EXPECT_EQ(BASS_AddOnOpen("bass_vst.dll"), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
  EXPECT_EQ(BASS_AddOnOpen(nullptr), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST(AddOnLibrary, OpensAPresentLibraryAndFindsItsFunctions) {
  // Any shared library stands in for an add-on here: the FFT library the audio library uses.
  void* addOn = BASS_AddOnOpen("fftw3f.dll");
  ASSERT_NE(addOn, nullptr) << BASS_ErrorGetCode();
  EXPECT_NE(BASS_AddOnSymbol(addOn, "fftwf_malloc"), nullptr);
  EXPECT_EQ(BASS_AddOnSymbol(addOn, "BASS_VST_ChannelSetDSP"), nullptr);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_TRUE(BASS_AddOnClose(addOn));
}

TEST(WinampDspCalls, FailAsUnavailableWithoutTheAddOn) {
  EXPECT_FALSE(BASS_WADSP_Init(nullptr));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_EQ(BASS_WADSP_Load("/tmp/dsp_x.dll", 0, 0, 10, 10, nullptr), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
  EXPECT_EQ(BASS_WADSP_GetName(1), nullptr);
  EXPECT_EQ(BASS_WADSP_ChannelSetDSP(1, 2, 49), 0u);
  EXPECT_FALSE(BASS_WADSP_SetSongTitle(1, "title"));
  EXPECT_FALSE(BASS_WADSP_Free());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

}  // namespace
