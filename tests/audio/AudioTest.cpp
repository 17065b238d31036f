// The audio engine on the virtual sound system: outputs brought up from the system settings on the
// regular, WASAPI-style and ASIO-style layers, their volumes, the mixers' DSP and filters, a
// machine without devices, and what destruction releases.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AudioEngineFixture.h"
#include "AudioFixtures.h"
#include "VirtualDeviceList.h"
#include "audio/Audio.h"
#include "audio/AudioErrorText.h"
#include "audio/AudioOutputCallbacks.h"
#include "audio/PxInput.h"
#include "audiolib/devices/Devices.h"
#include "platform/MainThread.h"
#include "settings/player/PlayerIni.h"

using namespace audioengine;
using audiolib::Devices;
using audiolib::VirtualDevices;

namespace {

constexpr DWORD kMainOut = 1;  // regular devices as BASS_GetDeviceInfo numbers them
constexpr DWORD kMonitorOut = 2;
constexpr double kLevelTolerance = 0.002;

class EngineTest : public testing::Test {
 protected:
  EngineTest()
      : list_("output|Main out|main-out|default; output|Monitor out|mon-out; wasapi-output|Studio|studio;"
              "asio|Card|card") {
    InitMainThread();
    VirtualDevices::Instance().Reset();
    VirtualDevices::Instance().SetManualClock(true);
    for (const char* id : {"main-out", "mon-out", "studio", "card"}) taps_.Listen(id);
  }
  ~EngineTest() override {
    Audio = nullptr;
    engine_.reset();
    VirtualDevices::Instance().Reset();
  }

  void MakeEngine(TSystemIni* ini) {
    engine_ = std::make_unique<TAudio>(ini, [this](const std::string& text) { reports_.push_back(text); });
    Audio = engine_.get();
    engine_->InitMixer();
  }

  // Main on main-out, Monitor on mon-out (regular), Prelisten on the WASAPI-style studio, Jingles on
  // the ASIO-style card's first channel pair.
  void ConfigureFourOutputs() {
    SetSlot(ini_, 0, TOutputDevType::odMixer, kMethodLibrary, "main-out");
    SetSlot(ini_, 1, TOutputDevType::odMixer, kMethodLibrary, "mon-out");
    SetSlot(ini_, 2, TOutputDevType::odMixer, kMethodWasapi, "studio");
    SetSlot(ini_, 3, TOutputDevType::odMixer, kMethodAsio, "card");
  }

  // Moves the clock on by `ms`, letting the devices' feeders and update threads keep up.
  static void Play(int ms) {
    for (int t = 0; t < ms; t += 10) {
      for (DWORD device : {kMainOut, kMonitorOut}) {
        BASS_DEVICEINFO info;
        if (BASS_GetDeviceInfo(device, &info) && (info.flags & BASS_DEVICE_INIT) != 0) {
          Devices::Instance().Output(static_cast<int>(device))->Update();
        }
      }
      VirtualDevices::Instance().AdvanceMs(10);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Each output's level after the volumes (percent) of its slot took effect.
  void ExpectLevels(const std::vector<int>& volumes) {
    const char* ids[] = {"main-out", "mon-out", "studio", "card"};
    for (size_t i = 0; i < volumes.size(); ++i) {
      EXPECT_NEAR(taps_.RecentPeak(ids[i], 100), kToneAmplitude * volumes[i] / 100.0, kLevelTolerance)
          << TAudio::OutputName(static_cast<int>(i)) << " on " << ids[i];
    }
  }

  VirtualDeviceList list_;
  Taps taps_;
  TSystemIni ini_;
  std::unique_ptr<TAudio> engine_;
  std::vector<std::string> reports_;
};

TEST_F(EngineTest, EveryOutputPlaysTheMusicMixerAtItsVolumeAndSetVolumeTakesEffect) {
  ConfigureFourOutputs();
  MakeEngine(&ini_);
  ToneSource tone;
  ASSERT_TRUE(tone.AddTo(engine_->MusicMixer())) << BASS_ErrorGetCode();
  engine_->InitMainOutputs(-1);

  const TSplitterArray outputs = engine_->GetOutputs();
  ASSERT_EQ(outputs.size(), 5u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(outputs[i].InitResult, 0u) << TAudio::OutputName(i) << ": " << AudioErrorText(outputs[i].InitResult, true);
    EXPECT_NE(outputs[i].Handle, 0u) << TAudio::OutputName(i);
  }
  EXPECT_NE(outputs[2].Splitter, 0u) << "the WASAPI-style slot mixes a splitter";
  EXPECT_NE(outputs[3].VolFX, 0u) << "the ASIO-style slot has a volume effect";
  EXPECT_EQ(outputs[4].Handle, 0u) << "a slot without a device stays empty";
  EXPECT_EQ(ini_.OutputDevice().Items(2).PrvMethod, kMethodWasapi);

  const std::vector<int> first = {100, 50, 25, 80};
  for (int i = 0; i < 4; ++i) engine_->SetVolume(i, first[i]);
  Play(600);
  ExpectLevels(first);

  const std::vector<int> second = {20, 100, 60, 10};
  for (int i = 0; i < 4; ++i) engine_->SetVolume(i, second[i]);
  Play(600);
  ExpectLevels(second);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(engine_->GetOutputs()[i].Volume, second[i]);
  EXPECT_TRUE(reports_.empty());
}

// Which slots InitMainOutputs(-1) brings up, and InitOutput for the slots it leaves alone.
TEST_F(EngineTest, MainOutputsAreTheMixerSlotsWithADeviceAndInitOutputFeedsAnyMixer) {
  struct Slot {
    TOutputDevType type;
    int32_t method;
    const char* id;
    bool broughtUp;
  };
  const Slot slots[] = {
      {TOutputDevType::odRegular, kMethodLibrary, "main-out", false},  // the caller's own mixer
      {TOutputDevType::odNotUsed, kMethodWasapi, "studio", false},
      {TOutputDevType::odMixer, kMethodNone, "mon-out", false},
      {TOutputDevType::odMixer, kMethodLibrary, kDecodeDeviceID, false},  // the no-sound device
      {TOutputDevType::odMixer, kMethodLibrary, "mon-out", true},
  };
  for (int i = 0; i < 5; ++i) SetSlot(ini_, i, slots[i].type, slots[i].method, slots[i].id);
  MakeEngine(&ini_);
  engine_->InitMainOutputs(-1);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ini_.OutputDevice().Items(i).PrvMethod, slots[i].broughtUp ? slots[i].method : -1) << "slot " << i;
    EXPECT_EQ(engine_->GetOutputs()[i].Handle != 0, slots[i].broughtUp) << "slot " << i;
  }

  // A slot on the no-sound device is set up but plays nothing.
  engine_->InitOutput(3, 0);
  EXPECT_EQ(engine_->GetOutputs()[3].InitResult, 0u);
  EXPECT_EQ(engine_->GetOutputs()[3].Handle, 0u);
  EXPECT_EQ(ini_.OutputDevice().Items(3).PrvDeviceIdx, 0);

  // A slot fed by the caller's mixer plays that mixer, not the (silent) main mixer.
  const HSTREAM own = BASS_Mixer_StreamCreate(kRate, 2, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
  ToneSource tone;
  ASSERT_TRUE(tone.AddTo(own));
  engine_->InitOutput(0, own);
  ASSERT_EQ(engine_->GetOutputs()[0].InitResult, 0u) << AudioErrorText(engine_->GetOutputs()[0].InitResult, true);
  Play(400);
  EXPECT_NEAR(taps_.RecentPeak("main-out", 100), kToneAmplitude, kLevelTolerance);
  EXPECT_EQ(taps_.RecentPeak("mon-out", 100), 0.0);
  engine_->FreeOutput(0);
  EXPECT_EQ(engine_->GetOutputs()[0].Handle, 0u);
  BASS_StreamFree(own);
}

// Monitor wants the studio endpoint exclusively while Main plays on it through the regular layer.
TEST_F(EngineTest, AnExclusiveOutputRefusedIsReportedAndOpenedShared) {
  VirtualDeviceList shared("output|Studio speakers|studio|default; wasapi-output|Studio|studio");
  SetSlot(ini_, 0, TOutputDevType::odMixer, kMethodLibrary, "studio");
  SetSlot(ini_, 1, TOutputDevType::odMixer, kMethodWasapi, "studio");
  ini_.OutputDevice().Items(1).SetExclusive(true);
  MakeEngine(&ini_);
  engine_->InitMainOutputs(-1);
  EXPECT_EQ(reports_, std::vector<std::string>{"'Monitor' Unable to init device in exclusive mode, using shared."});
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(engine_->GetOutputs()[i].InitResult, 0u) << AudioErrorText(engine_->GetOutputs()[i].InitResult, true);
  }
  BASS_WASAPI_INFO info;
  ASSERT_TRUE(BASS_WASAPI_SetDevice(0));
  ASSERT_TRUE(BASS_WASAPI_GetInfo(&info));
  EXPECT_EQ(info.initflags & BASS_WASAPI_EXCLUSIVE, 0u);
}

// An eight-channel 44.1 kHz endpoint opened for two channels: the slot mixer runs in the format
// the device was opened with, so the 48 kHz tone arrives resampled, in stereo, at its level.
TEST_F(EngineTest, AWasapiStyleOutputPlaysInTheFormatItsEndpointWasOpenedWith) {
  VirtualDeviceList wide("wasapi-output|Surround|surround|rate=44100,channels=8");
  taps_.Listen("surround");
  SetSlot(ini_, 0, TOutputDevType::odMixer, kMethodWasapi, "surround");
  MakeEngine(&ini_);
  ToneSource tone;
  ASSERT_TRUE(tone.AddTo(engine_->MusicMixer()));
  engine_->InitMainOutputs(-1);
  ASSERT_EQ(engine_->GetOutputs()[0].InitResult, 0u) << AudioErrorText(engine_->GetOutputs()[0].InitResult, true);
  engine_->SetVolume(0, 50);
  Play(600);
  const std::vector<float> recent = taps_.Recent("surround", 8820);  // 200 ms
  ASSERT_EQ(recent.size(), 2u * 8820);
  for (int chan : {0, 1}) {
    EXPECT_NEAR(audiofixtures::ToneAmplitude(recent, 2, chan, kToneHz, 44100), kToneAmplitude / 2, 0.005) << chan;
  }
}

TEST_F(EngineTest, WithoutAnyDeviceTheEngineComesUpQuietlyAndKeepsTheErrorInTheSlot) {
  VirtualDeviceList none("");
  engine_ = std::make_unique<TAudio>(nullptr, [this](const std::string& text) { reports_.push_back(text); });
  Audio = engine_.get();
  EXPECT_EQ(engine_->SystemIni().MixerFreq(), 48000) << "its own default settings";
  engine_->InitMixer();
  EXPECT_NE(engine_->MainMixer(), 0u) << "mixing needs no device";
  engine_->InitMainOutputs(-1);
  const TSplitterArray outputs = engine_->GetOutputs();
  ASSERT_EQ(outputs.size(), 5u);
  EXPECT_EQ(outputs[0].InitResult, static_cast<DWORD>(BASS_ERROR_DEVICE)) << "Main on the missing default device";
  EXPECT_EQ(AudioErrorText(static_cast<int>(outputs[0].InitResult), false),
            "wrong device selected, please check settings");
  EXPECT_EQ(outputs[0].Handle, 0u);
  engine_->SetVolume(0, 30);
  EXPECT_EQ(engine_->GetOutputs()[0].Volume, 30);
  EXPECT_TRUE(reports_.empty()) << reports_.front();
  Audio = nullptr;
  engine_.reset();
}

TEST_F(EngineTest, DestructionReleasesEveryStreamAndDeviceAndSilencesTheCallbacks) {
  ConfigureFourOutputs();
  MakeEngine(&ini_);
  ToneSource tone;
  ASSERT_TRUE(tone.AddTo(engine_->MusicMixer()));
  engine_->InitMainOutputs(-1);
  Play(200);
  std::vector<HSTREAM> streams = {engine_->MainMixer(), engine_->MusicMixer(), engine_->MicMixer(),
                                  engine_->MicMixerSplit(), engine_->MainMixerDSPChan()};
  for (const TSplitter& slot : engine_->GetOutputs()) {
    for (HSTREAM handle : {slot.Handle, slot.Splitter}) {
      if (handle != 0) streams.push_back(handle);
    }
  }
  ASSERT_EQ(streams.size(), 5u + 5u);
  Audio = nullptr;
  engine_.reset();

  for (HSTREAM stream : streams) {
    BASS_CHANNELINFO info;
    EXPECT_FALSE(BASS_ChannelGetInfo(stream, &info)) << "stream " << stream << " still exists";
  }
  EXPECT_FALSE(BASS_SetDevice(kMainOut));
  EXPECT_FALSE(BASS_SetDevice(kMonitorOut));
  EXPECT_FALSE(BASS_WASAPI_SetDevice(0)) << "the studio endpoint is freed";
  EXPECT_FALSE(BASS_ASIO_SetDevice(0)) << "the card is freed";
  float buffer[64];
  EXPECT_EQ(WasapiOutputProc(buffer, sizeof buffer, nullptr), 0u);
  EXPECT_EQ(AsioOutputProc(0, 0, buffer, sizeof buffer, reinterpret_cast<void*>(3)), 0u);
  const size_t played = taps_.PlayedSamples("studio") + taps_.PlayedSamples("card");
  VirtualDevices::Instance().AdvanceMs(100);
  EXPECT_EQ(taps_.PlayedSamples("studio") + taps_.PlayedSamples("card"), played) << "nothing plays any more";
}

// A DSP installed on MainMixerDSPChan processes the main mix, wherever the main DSP sits; the
// filters follow the player settings.
TEST_F(EngineTest, TheMainDSPChainAndTheFiltersProcessTheMainMix) {
  PlayerIni = std::make_unique<TPlayerIni>();
  MakeEngine(&ini_);
  ToneSource tone;
  ASSERT_TRUE(tone.AddTo(engine_->MusicMixer()));
  const auto halve = [](HDSP, DWORD, void* buffer, DWORD length, void*) {
    auto* samples = static_cast<float*>(buffer);
    for (size_t i = 0; i < length / sizeof(float); ++i) samples[i] *= 0.5f;
  };
  ASSERT_NE(BASS_ChannelSetDSP(engine_->MainMixerDSPChan(), halve, nullptr, 0), 0u);
  const auto mainLevel = [&] {
    const std::vector<float> block = audiofixtures::ReadFloats(engine_->MainMixer(), 2, 9600);
    return audiofixtures::Peak({block.begin() + static_cast<long>(block.size() / 2), block.end()});
  };
  LastMainDSPTick = 0;
  EXPECT_NEAR(mainLevel(), kToneAmplitude / 2, 1e-5) << "DSP on the music mixer";
  EXPECT_NE(LastMainDSPTick.load(), 0u);
  ini_.SetSeparateMicAndMusicDSP(false);
  engine_->SetMainDSP();
  EXPECT_NEAR(mainLevel(), kToneAmplitude / 2, 1e-5) << "moved to the main mixer, and only there";

  struct Filter {
    const char* name;
    void (TPlayerIni::*use)(TPublishedValue<bool>);
    void (TPlayerIni::*cutOff)(TPublishedValue<int32_t>);
    void (TAudio::*apply)();
    int32_t cutOffHz;
  };
  for (const Filter& filter : {Filter{"low-pass", &TPlayerIni::SetUseLPF, &TPlayerIni::SetLPFCutOffFreq, &TAudio::AddLPF, 150},
                               Filter{"high-pass", &TPlayerIni::SetUseHPF, &TPlayerIni::SetHPFCutOffFreq, &TAudio::AddHPF, 7000}}) {
    (PlayerIni.get()->*filter.use)(true);
    (PlayerIni.get()->*filter.cutOff)(filter.cutOffHz);
    (engine_.get()->*filter.apply)();
    EXPECT_LT(mainLevel(), kToneAmplitude / 2 / 10) << filter.name << " on: 1 kHz is 20 dB down at least";
    (PlayerIni.get()->*filter.use)(false);
    (engine_.get()->*filter.apply)();
    mainLevel();  // the filter's tail
    EXPECT_NEAR(mainLevel(), kToneAmplitude / 2, 1e-5) << filter.name << " off again";
  }
  Audio = nullptr;
  engine_.reset();
  PlayerIni.reset();
}

TEST_F(EngineTest, InputsAreMadeOnDemandBoundToTheirEntriesAndFreedWithTheEngine) {
  SystemIni = std::make_unique<TSystemIni>();  // the inputs find their entries there
  MakeEngine(SystemIni.get());
  engine_->InitInputs();
  ASSERT_NE(engine_->GetMicInput(0), nullptr);
  EXPECT_EQ(engine_->GetMicInput(0)->InputIdx(), 0);
  for (int line = 0; line < 3; ++line) {
    ASSERT_NE(engine_->GetLineInput(line), nullptr);
    EXPECT_EQ(engine_->GetLineInput(line)->InputIdx(), line + 1);
  }
  EXPECT_EQ(engine_->GetLineInput(3), nullptr);
  EXPECT_EQ(engine_->GetMicInput(-1), nullptr);

  TPxInput* mic = engine_->GetMic(0);
  engine_->InitMic(0, 2);
  EXPECT_EQ(engine_->GetMic(0), mic) << "an existing input is bound again, not replaced";
  EXPECT_EQ(mic->InputIdx(), 2);
  engine_->InitMic(3, 1);
  EXPECT_EQ(engine_->GetMic(1), nullptr) << "entries in between stay empty";
  ASSERT_NE(engine_->GetMic(3), nullptr);
  engine_->FreeMic(0);
  engine_->FreeMic(9);
  EXPECT_EQ(engine_->GetMic(0), nullptr);
  EXPECT_EQ(engine_->GetMicInput(5), nullptr);
  EXPECT_EQ(InputConsumers().size(), 4u) << "microphone 3 and three lines";
  Audio = nullptr;
  engine_.reset();
  EXPECT_TRUE(InputConsumers().empty());
  SystemIni.reset();
}

TEST(OutputNameTest, NamesTheKnownSlotsAndNumbersTheRest) {
  const std::vector<std::string> names = {"Main", "Monitor", "Prelisten", "Jingles", "Cart", "Aux1", "Aux2"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(TAudio::OutputName(i), names[i]);
  EXPECT_EQ(TAudio::OutputName(7), "Device 7");
  EXPECT_EQ(TAudio::OutputName(-1), "Device -1");
}

}  // namespace
