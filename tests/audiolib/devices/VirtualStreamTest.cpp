#include "audiolib/devices/VirtualStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <mutex>
#include <vector>

#include "AudioFixtures.h"
#include "VirtualDeviceList.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/devices/DeviceStream.h"
#include "audiolib/devices/VirtualDevices.h"

using namespace audiolib;

namespace {

class VirtualStreamTest : public ::testing::Test {
 protected:
  VirtualStreamTest()
      : list_("output|Speakers|spk|default,channels=2; input|Mic|mic|channels=1;"
              "wasapi-output|Monitors|mon; asio|Card|card|channels=4") {
    VirtualDevices::Instance().Reset();
    VirtualDevices::Instance().SetManualClock(true);
  }
  ~VirtualStreamTest() override { VirtualDevices::Instance().Reset(); }

  static DeviceStreamRequest Request(DeviceLayer layer, StreamDirection direction, std::string id,
                                     DWORD rate, DWORD channels) {
    DeviceStreamRequest request;
    request.layer = layer;
    request.direction = direction;
    request.deviceId = std::move(id);
    request.sampleRate = rate;
    request.channels = channels;
    return request;
  }

  static int OpenError(const DeviceStreamRequest& request) {
    try {
      OpenDeviceStream(request, {[](float*, size_t) {}, {}});
    } catch (const AudioError& error) {
      return error.code();
    }
    return BASS_OK;
  }

  VirtualDeviceList list_;
};

// An output consumes exactly the frames of the time advanced, fractions carried to the next step.
TEST_F(VirtualStreamTest, AHandDrivenOutputConsumesExactlyTheFramesOfTheTimeAdvanced) {
  struct Case {
    DWORD rate;
    std::vector<DWORD> stepsMs;
    size_t frames;
  };
  for (const Case& c : {Case{48000, {1000}, 48000}, Case{44100, {1, 1, 1}, 132},
                        Case{44100, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10}, 4410},
                        Case{22050, {7, 0, 13}, 441}}) {
    size_t consumed = 0;
    auto stream = OpenDeviceStream(Request(DeviceLayer::Regular, StreamDirection::Output, "spk", c.rate, 2),
                                   {[&](float* samples, size_t frames) {
                                      std::fill_n(samples, frames * 2, 0.5f);
                                      consumed += frames;
                                    },
                                    {}});
    VirtualDevices::Instance().AdvanceMs(50);  // not started: nothing moves
    stream->Start();
    for (DWORD ms : c.stepsMs) VirtualDevices::Instance().AdvanceMs(ms);
    stream->Stop();
    VirtualDevices::Instance().AdvanceMs(50);
    EXPECT_EQ(consumed, c.frames) << c.rate << " Hz";
  }
}

TEST_F(VirtualStreamTest, OutputSamplesReachTheDeviceTapAndInputsCaptureTheirGenerator) {
  std::vector<float> tapped;
  VirtualDevices::Instance().SetOutputTap("card", [&](const float* samples, size_t frames, DWORD channels, DWORD) {
    tapped.insert(tapped.end(), samples, samples + frames * channels);
  });
  float next = 0;
  VirtualDevices::Instance().SetInputGenerator("mic", [&](float* samples, size_t frames, DWORD channels, DWORD) {
    for (size_t i = 0; i < frames * channels; ++i) samples[i] = next++;
  });
  float written = 0;
  auto output = OpenDeviceStream(Request(DeviceLayer::AsioStyle, StreamDirection::Output, "card", 1000, 4),
                                 {[&](float* samples, size_t frames) {
                                    for (size_t i = 0; i < frames * 4; ++i) samples[i] = written++;
                                  },
                                  {}});
  std::vector<float> captured;
  auto input = OpenDeviceStream(Request(DeviceLayer::Regular, StreamDirection::Input, "", 1000, 1),
                                {[&](float* samples, size_t frames) {
                                   captured.insert(captured.end(), samples, samples + frames);
                                 },
                                 {}});
  output->Start();
  input->Start();
  VirtualDevices::Instance().AdvanceMs(25);

  ASSERT_EQ(tapped.size(), 100u);
  ASSERT_EQ(captured.size(), 25u);
  for (size_t i = 0; i < tapped.size(); ++i) EXPECT_EQ(tapped[i], static_cast<float>(i));
  for (size_t i = 0; i < captured.size(); ++i) EXPECT_EQ(captured[i], static_cast<float>(i));
}

TEST_F(VirtualStreamTest, AnInputCapturesAFileFromItsStartThenSilence) {
  audiofixtures::TempDir folder;
  const std::vector<float> stereo{0.25f, -0.25f, 0.5f, -0.5f, 0.75f, -0.75f};
  audiofixtures::WriteWav(folder / "in.wav", stereo, 8000, 2, 32);
  VirtualDevices::Instance().SetInputFile("mic", (folder / "in.wav").string());
  std::vector<float> captured;
  auto input = OpenDeviceStream(Request(DeviceLayer::Regular, StreamDirection::Input, "mic", 8000, 1),
                                {[&](float* samples, size_t frames) {
                                   captured.insert(captured.end(), samples, samples + frames);
                                 },
                                 {}});
  input->Start();
  VirtualDevices::Instance().AdvanceMs(1);
  EXPECT_EQ(captured, (std::vector<float>{0.25f, 0.5f, 0.75f, 0, 0, 0, 0, 0}));
}

TEST_F(VirtualStreamTest, ALostDeviceStopsItsStreamsTellsThemAndRefusesUntilBack) {
  std::vector<DeviceStreamEvent> events;
  size_t consumed = 0;
  auto stream = OpenDeviceStream(Request(DeviceLayer::Regular, StreamDirection::Output, "spk", 1000, 2),
                                 {[&](float* samples, size_t frames) {
                                    std::fill_n(samples, frames * 2, 0.0f);
                                    consumed += frames;
                                  },
                                  [&](DeviceStreamEvent event) { events.push_back(event); }});
  stream->Start();
  VirtualDevices::Instance().SetLost("spk", true);
  EXPECT_EQ(events, std::vector{DeviceStreamEvent::Lost});
  EXPECT_FALSE(stream->IsStarted());
  EXPECT_TRUE(stream->IsLost());
  VirtualDevices::Instance().AdvanceMs(100);
  EXPECT_EQ(consumed, 0u);
  EXPECT_THROW(stream->Start(), AudioError);
  EXPECT_EQ(OpenError(Request(DeviceLayer::Regular, StreamDirection::Output, "spk", 1000, 2)), BASS_ERROR_DEVICE);

  VirtualDevices::Instance().SetLost("spk", false);
  EXPECT_EQ(events, (std::vector{DeviceStreamEvent::Lost, DeviceStreamEvent::Back}));
  stream->Start();
  VirtualDevices::Instance().AdvanceMs(100);
  EXPECT_EQ(consumed, 100u);

  VirtualDevices::Instance().FailStreams("spk");
  EXPECT_EQ(events.back(), DeviceStreamEvent::Failed);
  EXPECT_FALSE(stream->IsStarted());
  EXPECT_FALSE(stream->IsLost());
}

TEST_F(VirtualStreamTest, RefusesWhatTheDeviceCannotDo) {
  struct Case {
    DeviceStreamRequest request;
    int error;
  };
  const std::vector<Case> cases{
      {Request(DeviceLayer::Regular, StreamDirection::Output, "nothing", 48000, 2), BASS_ERROR_DEVICE},
      {Request(DeviceLayer::Regular, StreamDirection::Output, "mic", 48000, 2), BASS_ERROR_DEVICE},
      {Request(DeviceLayer::WasapiStyle, StreamDirection::Input, "mon", 48000, 2), BASS_ERROR_DEVICE},
      {Request(DeviceLayer::Regular, StreamDirection::Output, "spk", 48000, 3), BASS_ERROR_FORMAT},
      {Request(DeviceLayer::Regular, StreamDirection::Output, "spk", 48000, 0), BASS_ERROR_FORMAT},
      {Request(DeviceLayer::Regular, StreamDirection::Output, "spk", 999, 2), BASS_ERROR_FREQ},
      {Request(DeviceLayer::AsioStyle, StreamDirection::Input, "card", 48000, 4), BASS_OK},
  };
  for (const Case& c : cases) EXPECT_EQ(OpenError(c.request), c.error) << c.request.deviceId;

  VirtualDevices::Instance().SetBusy("mon", true);
  EXPECT_EQ(OpenError(Request(DeviceLayer::WasapiStyle, StreamDirection::Output, "mon", 48000, 2)), BASS_ERROR_BUSY);
  VirtualDevices::Instance().SetBusy("mon", false);

  DeviceStreamRequest exclusive = Request(DeviceLayer::WasapiStyle, StreamDirection::Output, "mon", 48000, 2);
  exclusive.exclusive = true;
  auto held = OpenDeviceStream(exclusive, {[](float*, size_t) {}, {}});
  EXPECT_EQ(OpenError(Request(DeviceLayer::WasapiStyle, StreamDirection::Output, "mon", 48000, 2)), BASS_ERROR_BUSY);
  held.reset();
  EXPECT_EQ(OpenError(exclusive), BASS_OK);
}

// Real-time clock: the clock thread calls the stream; Stop and the destructor return only when no
// call runs any more (ThreadSanitizer watches the counter).
TEST_F(VirtualStreamTest, ARealTimeStreamIsCalledByTheClockThreadUntilStopped) {
  VirtualDevices::Instance().SetManualClock(false);
  std::atomic<size_t> consumed{0};
  size_t plainCount = 0;  // touched by the clock thread only until Stop returns
  auto stream = OpenDeviceStream(Request(DeviceLayer::Regular, StreamDirection::Output, "spk", 48000, 2),
                                 {[&](float* samples, size_t frames) {
                                    std::fill_n(samples, frames * 2, 0.0f);
                                    plainCount += frames;
                                    consumed += frames;
                                  },
                                  {}});
  stream->Start();
  for (int i = 0; i < 2000 && consumed.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  stream->Stop();
  EXPECT_GT(plainCount, 0u);
  EXPECT_EQ(plainCount, consumed.load());
}

}  // namespace
