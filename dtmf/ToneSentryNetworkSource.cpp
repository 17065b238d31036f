// The network side of TToneSentry: connecting the reader's stream, pulling it into the source
// push stream, and reconnecting a lost stream.
#include <algorithm>

#include "dtmf/qv_dtmf.h"

namespace {

constexpr DWORD AnalysisFlags = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;
constexpr DWORD QueryFailed = 0xFFFFFFFF;
constexpr double PullSeconds = 0.1;            // a network pull reads up to four times this at once
constexpr uint32_t LostSourcePauseSteps = 10;  // of 100 ms, before a lost source is reconnected
constexpr uint32_t LostSourcePauseStepMs = 100;
// A pull stops once the source queue holds this much: a stream that comes faster than real time
// (a server sending a file at full speed) would otherwise keep the worker pulling, never analysing,
// with the queue growing without end.
constexpr double MaxQueuedSeconds = 2.0;

}  // namespace

void TToneSentry::ReconnectSource() {
  BASS_StreamFree(FSrcChan);
  FSrcChan = 0;
  FNetReader->Connect();
  const HSTREAM readerMixer = FNetReader->Mixer();
  if (readerMixer == 0) return;
  BASS_CHANNELINFO info{};
  BASS_ChannelGetInfo(readerMixer, &info);
  FSrcChan = BASS_StreamCreate(info.freq, info.chans, AnalysisFlags, STREAMPROC_PUSH, nullptr);
}

// Moves what the reader's mixer has of the network stream into the source push stream. The mixer
// pads a dry source with silence, so only the part of each read that the stream filled (known from
// the stream's position in the mixer) is taken, and a read the stream did not fill ends the pull.
// A pull also ends once MaxQueuedSeconds wait in the source queue.
bool TToneSentry::PullNetworkSource() {
  const HSTREAM readerMixer = FNetReader->Mixer();
  const DWORD floats = static_cast<DWORD>(BASS_ChannelSeconds2Bytes(readerMixer, PullSeconds));
  if (floats > 0 && FPullBuffer.size() != floats) FPullBuffer.resize(floats);
  if (readerMixer == 0 || FPullBuffer.empty() || !FNetReader->StreamIsAlive()) return false;
  const HSTREAM stream = FNetReader->StreamChannel();
  const DWORD bufferBytes = static_cast<DWORD>(FPullBuffer.size() * sizeof(float));
  const QWORD maxQueuedBytes = BASS_ChannelSeconds2Bytes(FSrcChan, MaxQueuedSeconds);
  DWORD got = 0;
  DWORD filled = bufferBytes;
  while (filled == bufferBytes && !FNetReader->Terminated() &&
         BASS_StreamPutData(FSrcChan, nullptr, 0) < maxQueuedBytes) {
    const QWORD before = BASS_Mixer_ChannelGetPosition(stream, BASS_POS_BYTE);
    got = BASS_ChannelGetData(readerMixer, FPullBuffer.data(), bufferBytes);
    if (got == QueryFailed) break;
    filled = std::min(got, MixerBytesOf(stream, readerMixer, BASS_Mixer_ChannelGetPosition(stream, BASS_POS_BYTE) - before));
    if (filled > 0) BASS_StreamPutData(FSrcChan, FPullBuffer.data(), filled);
  }
  if (got == QueryFailed) return false;
  return BASS_ChannelGetDevice(readerMixer) == 0;
}

// The bytes of the mixer's output that streamBytes of the stream (in its own format) make.
DWORD TToneSentry::MixerBytesOf(HSTREAM stream, HSTREAM mixer, QWORD streamBytes) {
  BASS_CHANNELINFO streamInfo{};
  BASS_CHANNELINFO mixerInfo{};
  const uint32_t streamFrameBytes = FrameBytes(stream);
  const uint32_t mixerFrameBytes = FrameBytes(mixer);
  if (streamFrameBytes == 0 || mixerFrameBytes == 0 || !BASS_ChannelGetInfo(stream, &streamInfo) ||
      !BASS_ChannelGetInfo(mixer, &mixerInfo) || streamInfo.freq == 0 || streamBytes > UINT32_MAX)
    return 0;
  const QWORD mixerFrames = streamBytes / streamFrameBytes * mixerInfo.freq / streamInfo.freq;
  return static_cast<DWORD>(std::min<QWORD>(mixerFrames * mixerFrameBytes, UINT32_MAX));
}

// The network stream is gone: a short pause (a server restarting needs a moment), then a new
// connection into a new source stream, for as long as the worker runs.
void TToneSentry::RecoverLostSource(HSTREAM mixer, uint32_t& frameBytes) {
  FNetReader->NoteSourceLost();
  for (uint32_t step = 0; step < LostSourcePauseSteps && !FNetReader->Terminated(); ++step) {
    FNetReader->WaitForStop(LostSourcePauseStepMs);
  }
  if (FNetReader->Terminated()) return;
  ReconnectSource();
  frameBytes = FrameBytes(FSrcChan);
  RouteSource(mixer);
}
