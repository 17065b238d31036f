#include "audio/InputSrc.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "audio/AudioErrorText.h"
#include "audio/PxInput.h"
#include "platform/MessageWindow.h"
#include "settings/system/InputDevice.h"

namespace {

constexpr DWORD kSyncFreeMixtime = BASS_SYNC_FREE | BASS_SYNC_MIXTIME;
constexpr int kAmpDspPriority = 8;
constexpr int kPrebufferRounds = 301;

// Gain of the source's Amp (dB, clamped to -50..50) on every float sample. Reading thread.
void AmpDSP(HDSP, DWORD, void* buffer, DWORD length, void* user) {
  const int32_t ampDb = std::clamp(static_cast<const TInputSrc*>(user)->Amp(), -50, 50);
  if (ampDb == 0) return;
  const float gain = static_cast<float>(std::pow(10.0, ampDb / 20.0));
  auto* samples = static_cast<float*>(buffer);
  for (DWORD i = 0; i < length / sizeof(float); ++i) samples[i] *= gain;
}

// A consumer freed its channel (any thread): the source forgets it on the main thread.
void FreeSyncProc(HSYNC, DWORD channel, DWORD, void* user) {
  PostMessage(reinterpret_cast<HWND>(user), WM_INPUTSRC_CHANFREED, channel, 0);
}

}  // namespace

TInputSrc::TInputSrc() {
  FWnd = AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return WndProc(wnd, msg, wParam, lParam);
  });
}

TInputSrc::~TInputSrc() {
  StopDevice();
  for (const TChan& chan : FChanList) {
    if (BASS_ChannelRemoveSync(chan.Chan, chan.Sync)) BASS_StreamFree(chan.Chan);
  }
  DeallocateHWnd(FWnd);
}

LRESULT TInputSrc::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_INPUTSRC_CHANFREED) return DefWindowProc(wnd, msg, wParam, lParam);
  StopChan(static_cast<DWORD>(wParam), true);
  return 0;
}

bool TInputSrc::KeepAlive() const {
  const TInputDevice* entry = InputEntry(FInputIdx);
  return entry && entry->Method() == kRecApiAsio && entry->KeepAlive();
}

DWORD TInputSrc::GetNewChan(TPxInput* S, DWORD Flags, bool Dummy) {
  Flags |= BASS_SAMPLE_FLOAT;
  if (!HasChannels()) InitDevice(Flags);
  if ((Flags & BASS_STREAM_DECODE) != 0) BASS_SetDevice(0);
  if (!FDeviceInitialized) return 0;
  const HSTREAM stream = BASS_StreamCreate(static_cast<DWORD>(FRate), static_cast<DWORD>(FChannels), Flags,
                                           Dummy ? STREAMPROC_DUMMY : STREAMPROC_PUSH, nullptr);
  if (stream == 0) {
    if (HasChannels()) ReportInputError("Input: Unable to init channel", BASS_ErrorGetCode());
    return 0;
  }
  BASS_ChannelSetDSP(stream, AmpDSP, this, kAmpDspPriority);
  TChan chan;
  chan.Chan = stream;
  chan.Sync = BASS_ChannelSetSync(stream, kSyncFreeMixtime, 0, FreeSyncProc, reinterpret_cast<void*>(FWnd));
  chan.Obj = S;
  chan.Dummy = Dummy;
  const TInputDevice* entry = InputEntry(FInputIdx);
  chan.Downmix = entry && !entry->Stereo() && entry->Method() == kRecApiWasapi && FChannels == 2;
  FChanList.push_back(chan);
  PublishChannels();
  Prebuffer(stream);
  return stream;
}

void TInputSrc::PublishChannels() {
  FData.L.BeginWrite();
  FData.Chan = FChanList;
  FData.L.EndWrite();
}

void TInputSrc::Prebuffer(HSTREAM stream) {
  const QWORD secondBytes = BASS_ChannelSeconds2Bytes(stream, 1.0);
  const int64_t limit = secondBytes == static_cast<QWORD>(-1) ? 0 : static_cast<int64_t>(secondBytes);
  FPrebufferBytes = std::clamp<int64_t>(FPrebufferBytes, 0, limit);
  for (int round = 0; round < kPrebufferRounds; ++round) {
    const DWORD queued = BASS_StreamPutData(stream, nullptr, 0);
    if (queued == static_cast<DWORD>(-1)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (static_cast<int64_t>(queued) > FPrebufferBytes) return;
  }
}

void TInputSrc::StopChan(DWORD C, bool DelOnly) {
  const auto found = std::find_if(FChanList.begin(), FChanList.end(), [C](const TChan& chan) { return chan.Chan == C; });
  if (found != FChanList.end()) {
    const TChan chan = *found;
    FChanList.erase(found);
    // Unpublished before it is freed, so the capture thread never writes to a freed stream.
    PublishChannels();
    BASS_ChannelRemoveSync(chan.Chan, chan.Sync);
    if (!DelOnly) BASS_StreamFree(chan.Chan);
  }
  if (!HasChannels() && !KeepAlive()) StopDevice();
}

void TInputSrc::StopChanDelayed(DWORD C) {
  for (TChan& chan : FChanList) {
    if (chan.Chan == C) chan.StopFlag = true;
  }
  PublishChannels();
}

void TInputSrc::StopAllChans(TPxInput* AInput) {
  std::vector<HSTREAM> streams;
  for (const TChan& chan : FChanList) {
    if (chan.Obj == AInput) streams.push_back(chan.Chan);
  }
  for (const HSTREAM stream : streams) StopChan(stream, false);
}

void TInputSrc::ReportInputError(const std::string& text, int code) {
  const TErrorReportCallback& callback = InputErrorCb();
  if (!callback) throw EInputAudioException("Error callback not set (input).");
  char number[16];
  std::snprintf(number, sizeof number, "%d", code);
  callback(text + ": " + number + " (" + AudioErrorText(code, true) + ")");
}
