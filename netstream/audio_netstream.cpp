#include "netstream/audio_netstream.h"

#include <algorithm>

#include "audiolib/audiolib.h"
#include "netstream/Artwork.h"
#include "netstream/ConnectThrd.h"
#include "netstream/StreamTitle.h"
#include "platform/MessageWindow.h"
#include "platform/TextCodec.h"
#include "platform/TickCount.h"
#include "runtime/qv_utils.h"

namespace {

constexpr QWORD kNoPosition = ~QWORD{0};
constexpr DWORD kMixerRate = 96000;
constexpr DWORD kMixerChans = 2;

}  // namespace

TNetworkStream::TNetworkStream(const std::string& AUrl, int32_t AStreamID, HWND AHWnd,
                               int32_t ABuffer, int32_t ATimeout)
    : FUrl(AUrl), FStreamID(AStreamID), FNotifyWnd(AHWnd), FTickSource(GetTickCount64) {
  BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 1);
  BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
  if (ABuffer != -1) BASS_SetConfig(BASS_CONFIG_NET_BUFFER, static_cast<DWORD>(ABuffer));
  if (ATimeout != -1) BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, static_cast<DWORD>(ATimeout));
  try {
    FIntWnd = AllocateHWnd([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
      return InternalWndProc(wnd, msg, wParam, lParam);
    });
  } catch (const Exception&) {
    FIntWnd = 0;
  }
  if (FIntWnd == 0) throw ENetworkStream("Unable to create handler window (NS).");
}

TNetworkStream::~TNetworkStream() {
  *FAlive = false;
  FNotifyWnd = 0;
  CancelTitleTimer();
  BASS_StreamFree(FChan.exchange(0));
  // The connect thread may be inside a blocking call (connecting, a feed download): it is not
  // waited for. It sends nothing once terminated and frees a channel nobody took.
  if (FThrd) FreeThreadInBackground(std::move(FThrd), 0);
  DeallocateHWnd(FIntWnd);
}

uint32_t TNetworkStream::StreamCreate(uint32_t AFlags, int32_t AAttempts,
                                      int32_t AAttemptTimeout, uint32_t AMixer) {
  if (AMixer == 0) AMixer = BASS_Mixer_StreamCreate(kMixerRate, kMixerChans, AFlags);
  FMixer = AMixer;
  FAttempts = AAttempts;
  FFlags = AFlags;
  FAttemptTimeout = AAttemptTimeout;
  if (FThrd) FreeThreadInBackground(std::move(FThrd), 0);
  FThrd = std::make_unique<TConnectThrd>(FUrl, FAttempts, FAttemptTimeout, FFlags, FIntWnd,
                                         FMixer);
  FThrd->Start();
  return FMixer;
}

bool TNetworkStream::CheckStream() {
  const uint32_t chan = FChan.load();
  if (chan == 0) return false;
  const uint64_t nowMs = FTickSource();
  const uint64_t stallTimeoutMs = static_cast<uint64_t>(std::max(FStallTimeout.load(), 0));
  const auto stalledTooLong = [&](const std::optional<uint64_t>& sinceMs) {
    return sinceMs && nowMs - *sinceMs > stallTimeoutMs;
  };

  if (FBufferStateCheckEnabled.load() &&
      BASS_StreamGetFilePosition(chan, BASS_FILEPOS_BUFFER) == 0) {
    if (!FBufferEmptyStartTS) FBufferEmptyStartTS = nowMs;
  } else {
    FBufferEmptyStartTS.reset();
  }
  if (stalledTooLong(FBufferEmptyStartTS)) return false;

  const DWORD active = BASS_ChannelIsActive(chan);
  if (active == BASS_ACTIVE_STOPPED) return false;
  if (active == BASS_ACTIVE_STALLED) {
    if (!FStrmStallTime) FStrmStallTime = nowMs;
  } else {
    FStrmStallTime.reset();
  }
  if (stalledTooLong(FStrmStallTime)) return false;

  if (BASS_StreamGetFilePosition(chan, BASS_FILEPOS_CONNECTED) == 1) return true;
  return BASS_StreamGetFilePosition(chan, BASS_FILEPOS_BUFFER) != 0;
}

LRESULT TNetworkStream::InternalWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_NETSTREAM_INTERNAL) return DefWindowProc(wnd, msg, wParam, lParam);
  try {
    return HandleInternal(wParam, lParam);
  } catch (const std::exception& e) {
    ReportErrorText(e.what());
  }
  return 0;
}

LRESULT TNetworkStream::HandleInternal(WPARAM code, LPARAM lParam) {
  switch (code) {
    case NETSTREAM_INTERNAL_STATUS_ANSI:
      SetStatusText(Windows1252ToUtf8(reinterpret_cast<const char*>(lParam)));
      break;
    case NETSTREAM_INTERNAL_STATUS:
      SetStatusText(*reinterpret_cast<const std::string*>(lParam));
      break;
    case NETSTREAM_INTERNAL_ERROR:
      ReportStreamError(static_cast<int32_t>(lParam));
      break;
    case NETSTREAM_INTERNAL_CONNECTED:
      SetStatusText("");
      FChan.store(static_cast<uint32_t>(lParam));
      if (FNotifyWnd != 0) {
        PostNotice(NETSTREAM_NOTIFY_READY);
        PostMessage(FIntWnd, WM_NETSTREAM_INTERNAL, NETSTREAM_INTERNAL_UPDATE_TITLE, 0);
      }
      break;
    case NETSTREAM_INTERNAL_STATION_NAME:
      FStreamName = *reinterpret_cast<const std::string*>(lParam);
      break;
    case NETSTREAM_INTERNAL_UPDATE_TITLE:
      UpdateMeta();
      break;
    case NETSTREAM_INTERNAL_PODCAST_TITLE:
      FIsPodcast = true;
      FPodcastStreamTitle = *reinterpret_cast<const std::string*>(lParam);
      break;
    default:
      return 0;
  }
  return 1;
}

void TNetworkStream::SetStatusText(const std::string& text) {
  FStatus = text;
  PostNotice(NETSTREAM_NOTIFY_STATUS);
}

void TNetworkStream::ReportStreamError(int32_t code) {
  FErrCode = code;
  const std::shared_ptr<bool> alive = FAlive;
  if (FNotifyWnd != 0) {
    SendMessage(FNotifyWnd, WM_NETSTREAM_NOTIFY, NETSTREAM_NOTIFY_ERROR, FStreamID);
  }
  // The notice's handler may have destroyed the stream; so may OnError (hence the copy).
  if (!*alive || !OnError) return;
  const auto onError = OnError;
  onError(*this);
}

void TNetworkStream::UpdateMeta() { SetSongTitle(FindTitle()); }

std::string TNetworkStream::FindTitle() {
  const uint32_t chan = FChan.load();
  if (FIsPodcast) return FPodcastStreamTitle;
  if (TConnectThrd::IsWindowsMediaStream(chan, FUrl)) {
    const char* meta = BASS_ChannelGetTags(chan, BASS_TAG_WMA_META);
    return meta ? TitleFromWmaMeta(meta) : std::string();
  }
  if (const char* meta = BASS_ChannelGetTags(chan, BASS_TAG_META)) {
    const std::string title = TitleFromMeta(meta);
    if (std::string_view(meta).find("StreamTitle=") == std::string_view::npos) return title;
    if (IsShoutcastV2(TagStrings(BASS_ChannelGetTags(chan, BASS_TAG_HTTP)))) FetchArtworkFor();
    return title;
  }
  return TitleFromOggComments(TagStrings(BASS_ChannelGetTags(chan, BASS_TAG_OGG)));
}

// Blocks the main thread for the download (limits in Artwork.h); a failed fetch keeps the old
// picture.
void TNetworkStream::FetchArtworkFor() {
  const std::string address = ArtworkAddress(FUrl);
  if (address.empty()) return;
  std::vector<uint8_t> picture;
  if (FetchArtwork(address, picture)) FArtwork = std::move(picture);
}

void TNetworkStream::SetSongTitle(const std::string& title) {
  const bool wasEmpty = FSongTitle.empty();
  FSongTitle = title;
  if (FNotifyWnd == 0) return;
  const uint32_t delayMs = TitleDelayMs();
  CancelTitleTimer();
  if (wasEmpty || FDisableTitleSync) return PostNotice(NETSTREAM_NOTIFY_TITLE);
  const HWND notifyWnd = FNotifyWnd;
  const int32_t streamId = FStreamID;
  FTimerID = CreateTimerQueueTimer(
      [notifyWnd, streamId] {
        PostMessage(notifyWnd, WM_NETSTREAM_NOTIFY, NETSTREAM_NOTIFY_TITLE, streamId);
      },
      delayMs);
  if (FTimerID == 0) PostNotice(NETSTREAM_NOTIFY_TITLE);
}

void TNetworkStream::CancelTitleTimer() {
  if (FTimerID != 0) DeleteTimerQueueTimer(FTimerID);
  FTimerID = 0;
}

// The part of the network buffer the listener has not heard yet when a title arrives: the
// decoded share of the download times the buffer length, at most the buffer length.
uint32_t TNetworkStream::TitleDelayMs() const {
  const uint32_t chan = FChan.load();
  const QWORD current = BASS_StreamGetFilePosition(chan, BASS_FILEPOS_CURRENT);
  QWORD download = BASS_StreamGetFilePosition(chan, BASS_FILEPOS_DOWNLOAD);
  if (current == kNoPosition || download == kNoPosition) return 0;
  if (download == 0) download = 1;
  const uint64_t bufferMs = BASS_GetConfig(BASS_CONFIG_NET_BUFFER);
  const double delayMs = static_cast<double>(current) / static_cast<double>(download) *
                         static_cast<double>(bufferMs);
  return static_cast<uint32_t>(std::min<double>(delayMs, static_cast<double>(bufferMs)));
}

void TNetworkStream::PostNotice(WPARAM code) {
  if (FNotifyWnd != 0) PostMessage(FNotifyWnd, WM_NETSTREAM_NOTIFY, code, FStreamID);
}
