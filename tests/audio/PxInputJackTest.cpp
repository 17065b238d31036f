// A live input on the ASIO-style layer of a real JACK server (dummy driver): a consumer channel
// receives what a JACK client writes into the input pair's ports.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "JackServer.h"
#include "audio/InputSrc.h"
#include "audio/PxInput.h"
#include "audiolib/audiolib.h"
#include "platform/MainThread.h"
#include "settings/system/InputDevice.h"
#include "settings/system/SystemIni.h"

namespace {

using audiofixtures::JackClient;
using audiofixtures::JackServer;
using audiofixtures::PlayStereoRampIntoPortAudio;
using audiofixtures::Ramp;
using audiofixtures::RampIndex;
using audiofixtures::WaitUntil;

constexpr unsigned kWaitMs = 10000;

TEST(PxInputJackTest, AConsumerOfAnAsioInputPairReceivesWhatAJackClientWrites) {
  InitMainThread();
  JackServer server;
  ASSERT_TRUE(server.Running()) << server.Log();
  SystemIni = std::make_unique<TSystemIni>();
  SystemIni->Inputs().Clear();
  SystemIni->SetMixerFreq(static_cast<int32_t>(JackServer::kRate));
  TInputDevice& entry = SystemIni->Inputs().Add();
  entry.SetMethod(kMethodAsio);
  entry.SetDeviceID("system");
  entry.SetChan1(0);
  entry.SetChan2(1);
  std::vector<std::string> errors;
  TPxInput::SetErrorReportCallback([&errors](const std::string& text) { errors.push_back(text); });
  std::vector<float> received;
  {
    TPxInput consumer;
    consumer.SetInputIdx(0);
    const HSTREAM chan = consumer.CreateChan(BASS_STREAM_DECODE);
    ASSERT_NE(chan, 0u) << (errors.empty() ? "" : errors[0]) << "; server log:\n" << server.Log();
    ASSERT_EQ(dynamic_cast<TInputSrc*>(consumer.Input())->Channels(), 2);

    JackClient writer("writer", 0, 2);
    ASSERT_TRUE(writer.Active());
    constexpr size_t kFrames = 12000;
    ASSERT_TRUE(PlayStereoRampIntoPortAudio(writer, kFrames, kWaitMs, "the live input"));
    // Read until the written frames (and the silence around them) have come through.
    std::vector<float> block(4096);
    WaitUntil([&] {
      const DWORD got = BASS_ChannelGetData(chan, block.data(), static_cast<DWORD>(block.size() * sizeof(float)));
      if (got != ~DWORD{0}) received.insert(received.end(), block.begin(), block.begin() + got / sizeof(float));
      return std::count_if(received.begin(), received.end(), [](float v) { return v != 0.0f; }) >=
             static_cast<long>(2 * kFrames);
    }, 2000);
    consumer.FreeChan(chan, false);
  }
  TPxInput::SetErrorReportCallback({});
  SystemIni.reset();
  for (DWORD device = 0; device < 4; ++device) {
    if (BASS_ASIO_SetDevice(device)) BASS_ASIO_Free();
  }

  // Every frame that carries data holds two consecutive ramp samples (left, right) and follows the
  // one before; a test client without real-time priority may lose a few JACK periods.
  std::vector<size_t> indices;
  for (size_t f = 0; f + 1 < received.size(); f += 2) {
    if (received[f] == 0.0f || received[f + 1] == 0.0f) continue;
    const size_t index = RampIndex(received[f]);
    ASSERT_EQ(received[f], Ramp(index)) << "frame " << f / 2;
    ASSERT_EQ(received[f + 1], Ramp(index + 1)) << "frame " << f / 2;
    indices.push_back(index);
  }
  EXPECT_GE(indices.size(), 12000u * 3 / 4);
  size_t jumps = 0;
  for (size_t i = 1; i < indices.size(); ++i) {
    if (indices[i] != (indices[i - 1] + 2) % 4096) ++jumps;
  }
  EXPECT_LE(jumps, 5u);
}

}  // namespace
