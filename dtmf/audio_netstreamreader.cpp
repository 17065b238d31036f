#include "dtmf/audio_netstreamreader.h"

#include <utility>

#include "audiolib/audiolib.h"
#include "netstream/audio_netstream.h"
#include "platform/Exception.h"
#include "platform/MainThread.h"
#include "platform/MessageWindow.h"
#include "platform/TickCount.h"
#include "runtime/qv_utils.h"
#include "settings/player/PlayerIni.h"

namespace {

constexpr DWORD ReaderMixerRate = 96000;
constexpr DWORD ReaderMixerChannels = 2;
constexpr DWORD ReaderStreamFlags = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;

}  // namespace

TNetStreamReader::TNetStreamReader(std::string sourceUrl, TNetStreamTitleNotifyEvent titleNotify,
                                   TPlayback* playback, std::string threadName,
                                   const TPlayerSettings* playerSettings)
    : TThread(true),
      FSourceURL(std::move(sourceUrl)),
      FPlayback(playback),
      FPlayerSettings(playerSettings),
      FTitleNotify(titleNotify),
      FThreadName(std::move(threadName)) {
  FWnd = AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ReaderWndProc(wnd, msg, wParam, lParam);
  });
  BASS_SetDevice(0);
  FMixer = BASS_Mixer_StreamCreate(ReaderMixerRate, ReaderMixerChannels, ReaderStreamFlags);
}

TNetStreamReader::~TNetStreamReader() {
  if (!FStopped.load()) StopThread();
  StopAndWait();
  FNetworkStream.reset();
  DeallocateHWnd(FWnd);
  BASS_StreamFree(FMixer);
}

void TNetStreamReader::StopThread() {
  Terminate();
  FStopped.store(true);
  FTerminateEvent.SetEvent();
}

void TNetStreamReader::CheckStopped() const {
  if (!FStopped.load()) throw Exception("Thread was not properly stopped.");
}

void TNetStreamReader::WakeUp() { FTerminateEvent.SetEvent(); }

bool TNetStreamReader::WaitForStop(uint32_t timeoutMs) {
  FTerminateEvent.WaitFor(timeoutMs);
  return Terminated();
}

void TNetStreamReader::Execute() {
  NameThreadForDebugging(FThreadName);
  if (!FOnExecute) throw Exception("Execute method not defined.");
  FOnExecute();
}

void TNetStreamReader::Connect() {
  FStreamReady.store(false);
  FStreamError.store(false);
  if (IsMainThread()) throw Exception("NetStreamReader connect from main thread");
  Synchronize([this] { CreateStreamInMainThread(); });
  const uint64_t startMs = GetTickCount64();
  while (!FStreamReady.load() && !FStreamError.load() && !Terminated()) {
    if (GetTickCount64() - startMs >= ConnectLimitMs) return;
    FTerminateEvent.WaitFor(ConnectPollMs);
  }
}

bool TNetStreamReader::StreamIsAlive() { return FNetworkStream && FNetworkStream->CheckStream(); }

HSTREAM TNetStreamReader::StreamChannel() const { return FNetworkStream ? FNetworkStream->Chan() : 0; }

void TNetStreamReader::NoteSourceLost() {
  Queue([this] { SetCaption(TNetSourceState::Reconnecting, "reconnecting"); });
}

const TPlayerSettings& TNetStreamReader::NetSettings() const {
  return FPlayerSettings ? *FPlayerSettings : *PlayerIni;
}

void TNetStreamReader::CreateStreamInMainThread() {
  FNetworkStream.reset();
  SetCaption(TNetSourceState::Connecting, "connecting");
  const TPlayerSettings& settings = NetSettings();
  FNetworkStream = std::make_unique<TNetworkStream>(FSourceURL, 0, FWnd, settings.NetBuffer(),
                                                    settings.NetReadTimeout());
  FNetworkStream->SetDisableTitleSync(settings.DisableTitleSync());
  FNetworkStream->StreamCreate(ReaderStreamFlags, 1, 0, FMixer);
  FNetworkStream->SetStallTimeout(settings.StreamStallTimeout());
}

LRESULT TNetStreamReader::ReaderWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    if (msg == WM_NETSTREAM_NOTIFY) {
      HandleStreamNotice(wParam);
      return 0;
    }
    return DefWindowProc(wnd, msg, wParam, lParam);
  } catch (const std::exception& error) {
    // The window procedure runs inside the main loop: report, never let it unwind the loop.
    ReportErrorText(std::string("DtmfReader: ") + error.what());
  } catch (...) {
    ReportErrorText("DtmfReader: unknown error");
  }
  return 0;
}

void TNetStreamReader::HandleStreamNotice(WPARAM code) {
  if (!FNetworkStream) return;
  switch (code) {
    case NETSTREAM_NOTIFY_STATUS: {
      const std::string& status = FNetworkStream->Status();
      SetCaption(TNetSourceState::Buffering, status.empty() ? "buffering" : "[" + status + "]");
      break;
    }
    case NETSTREAM_NOTIFY_READY:
      FStreamReady.store(true);
      SetCaption(TNetSourceState::Ready, "stream ready");
      // The empty-buffer test stays off: the decoder takes the download buffer's bytes as soon
      // as they arrive, so it reads empty at nearly every look at a healthy live stream and the
      // test would drop it every StreamStallTimeout. A stream without data still shows as
      // stalled, which CheckStream times out the same way.
      break;
    case NETSTREAM_NOTIFY_TITLE:
      SetCaption(TNetSourceState::Title, FNetworkStream->SongTitle());
      if (FTitleNotify) FTitleNotify(FNetworkStream->SongTitle());
      break;
    case NETSTREAM_NOTIFY_ERROR:
      FStreamError.store(true);
      SetCaption(TNetSourceState::Error, "Error code = " + std::to_string(FNetworkStream->ErrCode()));
      break;
    default:
      break;
  }
}

void TNetStreamReader::SetCaption(TNetSourceState state, std::string caption) {
  FCaption = std::move(caption);
  if (OnSourceStatus) OnSourceStatus(TNetSourceStatus{state, FCaption});
}
