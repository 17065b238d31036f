// The DSP manager on a decode stream as its work channel: built-in effects measured on the
// rendered samples, their order, switching, the saved list, and plug-in discovery on a system
// without plug-in hosts.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "AudioFixtures.h"
#include "audio/qv_dspmanager.h"
#include "audio/qv_plugins.h"
#include "audiolib/audiolib.h"
#include "platform/MessageBox.h"
#include "settings/system/BaseType.h"

using namespace audiofixtures;

namespace {

constexpr int kRate = 44100;

class DSPManager : public ::testing::Test {
 protected:
  void SetUp() override {
    PluginSettings = &settings;
    previousPresenter = SetMessageBoxPresenter([this](HWND, const std::string& text, const std::string&, UINT) {
      messages.push_back(text);
      return IDOK;
    });
    stream = BASS_StreamCreate(kRate, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
    ASSERT_NE(stream, 0u);
    manager.SetWorkChannel(stream);
  }
  void TearDown() override {
    manager.StopAllDSPs();
    BASS_StreamFree(stream);
    SetMessageBoxPresenter(previousPresenter);
    PluginSettings = nullptr;
  }

  // Level in dB, relative to the input, of a `freq` Hz sine at `amplitude` on both channels after
  // the work channel's DSP chain; measured on the second half of a second, once effects settled.
  double ChannelLevelDb(DWORD channel, double freq, double amplitude = 0.25) {
    const std::vector<float> input = Sines({freq, freq}, amplitude, kRate, kRate);
    BASS_StreamPutData(channel, input.data(), static_cast<DWORD>(input.size() * sizeof(float)));
    const std::vector<float> output = ReadFloats(channel, 2, kRate);
    EXPECT_EQ(output.size(), input.size());
    const std::vector<float> settled(output.begin() + static_cast<long>(output.size() / 2), output.end());
    return 20 * std::log10(ToneAmplitude(settled, 2, 0, freq, kRate) / amplitude);
  }
  double LevelDb(double freq, double amplitude = 0.25) { return ChannelLevelDb(stream, freq, amplitude); }

  TDSPItemC& AddIntegrated(TIntDSPKind kind, const std::vector<std::string>& params,
                           TPluginState state = TPluginState::psActive) {
    TDSPItemC& item = manager.DSPList().Add();
    item.SetT(TDSPType::dspIntegrated);
    item.SetIntDSPKind(kind);
    item.SetState(state);
    SetParams(item, params);
    return item;
  }
  static void SetParams(TDSPItemC& item, const std::vector<std::string>& params) {
    item.Params().Clear();
    for (const std::string& line : params) item.Params().Add(line);
  }

  TSystemIniBase settings;  // twelve bands from 31 Hz, ten in use, 2.5 octaves wide
  MessageBoxPresenter previousPresenter;
  std::vector<std::string> messages;
  int changes = 0;  // OnChange calls
  HSTREAM stream = 0;
  TDSPManager manager{"Main"};
};

// Ten equaliser lines, `gainDb` on band `band`, 0 elsewhere.
std::vector<std::string> EqParams(int band, int gainDb, int lines = 10) {
  std::vector<std::string> params(static_cast<size_t>(lines), "0");
  params[static_cast<size_t>(band)] = std::to_string(gainDb);
  return params;
}

}  // namespace

TEST_F(DSPManager, EqualiserSetsEachBandsGainAtItsCentre) {
  TDSPItemC& eq = AddIntegrated(TIntDSPKind::dspEqualizer, {});
  manager.StartAllDSPs();
  EXPECT_NEAR(LevelDb(1000), 0.0, 0.2);  // no gains yet: flat

  const struct {
    int band;
    double centreHz;
    int gainDb;
  } cases[] = {{5, 1000, 6}, {2, 125, -9}, {8, 8000, 4}, {0, 31, -3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.centreHz) + " Hz");
    SetParams(eq, EqParams(c.band, c.gainDb));
    manager.StartDSP(0);
    EXPECT_NEAR(LevelDb(c.centreHz), c.gainDb, 0.2);
  }

  // Fewer lines than bands in use: every band stays at 0 dB.
  SetParams(eq, EqParams(5, 6, 9));
  manager.StartDSP(0);
  EXPECT_NEAR(LevelDb(1000), 0.0, 0.2);
  // A line that is no whole number counts as 0 dB.
  SetParams(eq, EqParams(5, 0));
  eq.Params().Clear();
  for (const char* line : {"0", "0", "0", "0", "0", "6.5", "0", "0", "0", "0"}) eq.Params().Add(line);
  manager.StartDSP(0);
  EXPECT_NEAR(LevelDb(1000), 0.0, 0.2);
}

TEST_F(DSPManager, GainChangesTheLevelWithinItsRange) {
  TDSPItemC& gain = AddIntegrated(TIntDSPKind::dspGain, {"6"});
  manager.StartAllDSPs();
  ASSERT_NE(manager.IntegratedDSP(0), nullptr);

  const struct {
    const char* param;
    double expectedDb;
    double amplitude;
  } cases[] = {{"6", 6, 0.25}, {"-12.5", -12.5, 0.25}, {"-80", -60, 0.5}, {"60", 50, 0.001}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.param);
    SetParams(gain, {c.param});
    manager.StartDSP(0);
    EXPECT_NEAR(LevelDb(440, c.amplitude), c.expectedDb, 0.2);
  }

  // 0 dB leaves every sample as it was.
  SetParams(gain, {"0"});
  manager.StartDSP(0);
  const std::vector<float> input = Sines({440, 660}, 0.3, kRate, 4096);
  BASS_StreamPutData(stream, input.data(), static_cast<DWORD>(input.size() * sizeof(float)));
  EXPECT_EQ(ReadFloats(stream, 2, 4096), input);
}

TEST_F(DSPManager, CompressorReducesOnlyALoudSignal) {
  AddIntegrated(TIntDSPKind::dspCompressor, {"0", "-20", "4", "1", "100"});
  manager.StartAllDSPs();

  const double quietDb = LevelDb(440, 0.01);  // -40 dBFS: below the threshold
  EXPECT_NEAR(quietDb, 0.0, 0.2);
  // A -1 dBFS sine, 19 dB over the threshold, comes out about 14 dB lower (19 * 3/4).
  const double loudDb = LevelDb(440, 0.89);
  EXPECT_LT(loudDb, -10.0);
  EXPECT_GT(loudDb, -18.0);
}

TEST_F(DSPManager, EffectsRunInListOrderAndCanBeSwitched) {
  // +20 dB, then a compressor with a hard knee at -20 dBFS: a -30 dBFS sine is pushed over it.
  AddIntegrated(TIntDSPKind::dspGain, {"20"});
  AddIntegrated(TIntDSPKind::dspCompressor, {"0", "-20", "20", "1", "100"});
  manager.StartAllDSPs();
  const double gainFirstDb = LevelDb(440, 0.0316);
  EXPECT_LT(gainFirstDb, 12.0);

  // The same two in the other order: the compressor sees -30 dBFS and does nothing.
  auto reversed = std::make_unique<TDSPManager>("Reversed");
  const HSTREAM other = BASS_StreamCreate(kRate, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  reversed->SetWorkChannel(other);
  for (int from : {1, 0}) {
    TDSPItemC& item = reversed->DSPList().Add();
    item.SetT(TDSPType::dspIntegrated);
    item.SetIntDSPKind(manager.DSPList().Items(from).IntDSPKind());
    item.SetState(TPluginState::psActive);
    item.Params() = manager.DSPList().Items(from).Params();
  }
  reversed->StartAllDSPs();
  EXPECT_NEAR(ChannelLevelDb(other, 440, 0.0316), 20.0, 0.2);

  // Switching the gain off leaves the compressor alone on the chain; its State stays.
  manager.OnChange = [this](TDSPManager&) { ++changes; };
  manager.StopDSP(0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(manager.IntegratedDSP(0), nullptr);
  EXPECT_EQ(manager.DSPList().Items(0).State(), TPluginState::psActive);
  EXPECT_NEAR(LevelDb(440, 0.0316), 0.0, 0.2);
  // Started again it comes after the compressor (the order it was set in), so nothing compresses.
  manager.StartDSP(0);
  EXPECT_NEAR(LevelDb(440, 0.0316), 20.0, 0.2);
  // StartAllDSPs restores the list order.
  manager.StartAllDSPs();
  EXPECT_NEAR(LevelDb(440, 0.0316), gainFirstDb, 0.5);

  // An item that is off is not started; freeing the manager takes its effects off the channel.
  manager.DSPList().Items(1).SetState(TPluginState::psOff);
  manager.StartAllDSPs();
  EXPECT_NEAR(LevelDb(440, 0.0316), 20.0, 0.2);
  EXPECT_EQ(DSPManagers, (std::vector<TDSPManager*>{&manager, reversed.get()}));
  reversed.reset();
  EXPECT_EQ(DSPManagers, std::vector<TDSPManager*>{&manager});
  EXPECT_NEAR(ChannelLevelDb(other, 440, 0.25), 0.0, 0.01);
  BASS_StreamFree(other);
}

TEST_F(DSPManager, SavedListLoadsIntoAnotherManagerAndRuns) {
  AddIntegrated(TIntDSPKind::dspEqualizer, EqParams(5, 6));
  TDSPItemC& gain = AddIntegrated(TIntDSPKind::dspGain, {"-6"});
  gain.SetDispName("Gain 'studio' \xC3\xA9");
  gain.SetPresetName("Quiet");
  AddIntegrated(TIntDSPKind::dspCompressor, {"0", "-20", "4", "1", "100"}, TPluginState::psOff);
  TempDir dir;
  const std::string fileName = (dir / "dsp.ini").string();
  manager.SaveDSPList(fileName);

  TDSPManager loaded("Loaded");
  const HSTREAM other = BASS_StreamCreate(kRate, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT, STREAMPROC_PUSH, nullptr);
  loaded.SetWorkChannel(other);
  loaded.LoadDSPList(fileName);
  ASSERT_EQ(loaded.DSPList().Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const TDSPItemC& a = manager.DSPList().Items(i);
    const TDSPItemC& b = loaded.DSPList().Items(i);
    SCOPED_TRACE(i);
    EXPECT_EQ(b.T(), a.T());
    EXPECT_EQ(b.IntDSPKind(), a.IntDSPKind());
    EXPECT_EQ(b.State(), a.State());
    EXPECT_EQ(b.Params(), a.Params());
    EXPECT_EQ(b.DispName(), a.DispName());
    EXPECT_EQ(b.PresetName(), a.PresetName());
  }
  // Equaliser +6 dB at 1 kHz, gain -6 dB, compressor off.
  EXPECT_NEAR(ChannelLevelDb(other, 1000, 0.5), 0.0, 0.2);
  EXPECT_NE(loaded.IntegratedDSP(1), nullptr);
  EXPECT_EQ(loaded.IntegratedDSP(2), nullptr);
  loaded.StopAllDSPs();
  BASS_StreamFree(other);
}

TEST_F(DSPManager, DamagedOrMissingSavedListIsReportedAndChangesNothing) {
  AddIntegrated(TIntDSPKind::dspGain, {"6"});
  manager.StartAllDSPs();
  TempDir dir;
  const std::string fileName = (dir / "dsp.ini").string();
  manager.SaveDSPList(fileName);
  const std::string saved = ReadBytes(fileName);
  const std::string damaged = (dir / "damaged.ini").string();
  WriteBytes(damaged, saved.substr(0, saved.size() / 2));

  for (const std::string& bad : {damaged, (dir / "missing.ini").string(), dir.path().string()}) {
    SCOPED_TRACE(bad);
    try {
      manager.LoadDSPList(bad);
      ADD_FAILURE() << "a bad list was loaded";
    } catch (const EDSPListError& error) {
      EXPECT_NE(std::string(error.what()).find("Unable to read the DSP list (" + bad + "): "), std::string::npos)
          << error.what();
      if (bad == damaged) {
        EXPECT_NE(std::string(error.what()).find(": line "), std::string::npos) << error.what();
      }
    }
    ASSERT_EQ(manager.DSPList().Count(), 1);
    EXPECT_EQ(manager.DSPList().Items(0).Params().Strings(0), "6");
    EXPECT_NEAR(LevelDb(440), 6.0, 0.2);  // still running
  }
  EXPECT_EQ(ReadBytes(fileName), saved);

  // Saving into a folder that does not exist fails clearly and leaves the saved list alone.
  EXPECT_THROW(manager.SaveDSPList((dir / "no" / "dsp.ini").string()), EDSPListError);
}

TEST_F(DSPManager, PluginDiscoveryFindsNoneAndSaysNothing) {
  settings.SetAllowWinampPlugins(true);
  settings.SetAllowVstPlugins(true);
  TempDir dir;
  WriteBytes(dir / "dsp_stereo.dll", "MZ not a plug-in for this system");
  PluginFolder = dir.path().string() + "/";

  TDSPItemC& winamp = manager.DSPList().Add();
  winamp.SetT(TDSPType::dspPlugin);
  winamp.SetPluginType(TPluginType::ptDSP);
  winamp.SetPluginPath("dsp_stereo.dll");
  winamp.SetState(TPluginState::psActive);
  TDSPItemC& vst = manager.DSPList().Add();
  vst.SetT(TDSPType::dspPlugin);
  vst.SetPluginType(TPluginType::ptVST);
  vst.SetPluginPath("/usr/lib/vst/reverb.so");
  vst.SetState(TPluginState::psActive);
  vst.Params().Add("0.5");
  AddIntegrated(TIntDSPKind::dspGain, {"6"});

  manager.StartAllDSPs();
  manager.SetSongTitle("Morning news");
  manager.SaveAllVSTParams();
  manager.StopVST();

  EXPECT_TRUE(PluginList.empty());
  EXPECT_EQ(VSTAddOn(), nullptr);
  EXPECT_TRUE(messages.empty());
  // The plug-in items keep what was saved for them, and the built-in effect runs.
  EXPECT_EQ(winamp.State(), TPluginState::psActive);
  EXPECT_EQ(vst.State(), TPluginState::psActive);
  EXPECT_EQ(vst.Params().Strings(0), "0.5");
  EXPECT_NEAR(LevelDb(440), 6.0, 0.2);
  EXPECT_EQ(manager.SongTitle(), "Morning news");

  settings.SetAllowWinampPlugins(false);
  manager.StartAllDSPs();
  EXPECT_TRUE(PluginList.empty());
  PluginFolder.clear();
}
