#include "netstream/ConnectThrd.h"

#include <algorithm>
#include <cctype>

#include "audiolib/audiolib.h"
#include "netstream/PodcastFeed.h"
#include "netstream/StreamTitle.h"
#include "netstream/audio_netstream.h"
#include "platform/MessageWindow.h"
#include "platform/TickCount.h"

namespace {

constexpr QWORD kNoPosition = ~QWORD{0};
// Bits of the caller's flags that the URL stream itself must not get.
constexpr DWORD kClearedFlags = 0x07020000;

// The library passes the server's response header text (length 0) to the internal window.
void DownloadStatusProc(const void* buffer, DWORD length, void* user) {
  if (buffer && length == 0 && user) {
    SendMessage(reinterpret_cast<HWND>(user), WM_NETSTREAM_INTERNAL,
                NETSTREAM_INTERNAL_STATUS_ANSI, reinterpret_cast<LPARAM>(buffer));
  }
}

void MetaSyncProc(HSYNC, DWORD, DWORD, void* user) {
  PostMessage(reinterpret_cast<HWND>(user), WM_NETSTREAM_INTERNAL,
              NETSTREAM_INTERNAL_UPDATE_TITLE, 0);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

TConnectThrd::TConnectThrd(const std::string& AUrl, int32_t AAttempts, int32_t AAttemptTimeout,
                           uint32_t AFlags, HWND AWnd, uint32_t AMixer)
    : TPxThread(true),
      FUrl(AUrl),
      FAttempts(AAttempts),
      FAttemptTimeout(AAttemptTimeout),
      FFlags(AFlags),
      FWnd(AWnd),
      FMixer(AMixer) {}

TConnectThrd::~TConnectThrd() { StopAndWait(); }

void TConnectThrd::Execute() {
  NameThreadForDebugging("NSConnect");
  BASS_SetDevice(0);
  try {
    Connect();
  } catch (...) {
    // The thread ends with the exception; the channel must not outlive it.
    if (FChan != 0) BASS_StreamFree(FChan);
    FChan = 0;
    throw;
  }
}

void TConnectThrd::Connect() {
  const TStreamAddress address = SplitStreamAddress(FUrl);
  FOpenedUrl = address.Url;
  FPodcast = address.Podcast;
  if (FPodcast) ResolvePodcast();

  if (!OpenURL() || Terminated()) return FailConnection(0);
  switch (WaitForBuffer()) {
    case TBufferWait::TimedOut: return FailConnection(BASS_ERROR_TIMEOUT);
    case TBufferWait::Terminated: return FailConnection(0);
    case TBufferWait::Ready: break;
  }
  if (Terminated()) return FailConnection(0);
  BASS_Mixer_StreamAddChannel(FMixer, FChan, BASS_STREAM_AUTOFREE);
  if (BASS_ErrorGetCode() != BASS_OK) return FailConnection(0);

  ReadStreamName();
  SetMetaSyncs();
  // Nobody took the channel (the stream went meanwhile): free it here, or it would play on
  // unowned in the mixer.
  if (SendInternal(NETSTREAM_INTERNAL_CONNECTED, static_cast<LPARAM>(FChan)) == 0) {
    BASS_StreamFree(FChan);
    FChan = 0;
  }
}

void TConnectThrd::ResolvePodcast() {
  const TPodcastEpisode episode = ParsePodcastFeed(FOpenedUrl, false);
  FOpenedUrl = episode.EpisodeUrl;
  FPodcastTitle = episode.FeedTitle;
  if (!Terminated()) {
    SendInternal(NETSTREAM_INTERNAL_PODCAST_TITLE, reinterpret_cast<LPARAM>(&episode.EpisodeTitle));
  }
}

bool TConnectThrd::OpenURL() {
  const DWORD flags = (FFlags & ~kClearedFlags) | BASS_STREAM_STATUS | BASS_STREAM_BLOCK |
                      BASS_UNICODE | BASS_STREAM_DECODE;
  for (int32_t attempt = 0; attempt < FAttempts && !Terminated(); ++attempt) {
    FChan = BASS_StreamCreateURL(FOpenedUrl.c_str(), 0, flags, DownloadStatusProc,
                                 reinterpret_cast<void*>(FWnd));
    if (FChan != 0) return true;
    // The pause makes no library call: the failure's code stays the thread's last error.
    if (!Pause(static_cast<uint32_t>(std::max(FAttemptTimeout, 0)))) break;
  }
  return false;
}

TConnectThrd::TBufferWait TConnectThrd::WaitForBuffer() {
  // A read time-out of 0 means the library never gives up; wait as long as it waits to connect.
  DWORD readTimeoutMs = BASS_GetConfig(BASS_CONFIG_NET_READTIMEOUT);
  if (readTimeoutMs == 0) readTimeoutMs = BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT);
  const uint64_t limitMs = 2 * uint64_t{readTimeoutMs};
  const uint64_t startMs = GetTickCount64();
  for (;;) {
    const int percent = BufferPercent();
    if (percent < 0) return TBufferWait::Ready;
    const std::string status = "Buffering: " + std::to_string(percent) + "%";
    SendInternal(NETSTREAM_INTERNAL_STATUS, reinterpret_cast<LPARAM>(&status));
    if (percent > kBufferReadyPercent) return TBufferWait::Ready;
    if (!Pause(kBufferPollMs)) return TBufferWait::Terminated;
    if (GetTickCount64() - startMs > limitMs) return TBufferWait::TimedOut;
  }
}

// The fill of the download buffer in percent; -1 when the stream does not tell (the wait is over).
int TConnectThrd::BufferPercent() const {
  if (IsWindowsMediaStream(FChan, FOpenedUrl)) {
    const QWORD percent = BASS_StreamGetFilePosition(FChan, BASS_FILEPOS_WMA_BUFFER);
    return percent == kNoPosition ? -1 : static_cast<int>(percent);
  }
  const QWORD total = BASS_StreamGetFilePosition(FChan, BASS_FILEPOS_END);
  const QWORD download = BASS_StreamGetFilePosition(FChan, BASS_FILEPOS_DOWNLOAD);
  const QWORD current = BASS_StreamGetFilePosition(FChan, BASS_FILEPOS_CURRENT);
  if (total == kNoPosition || download == kNoPosition || current == kNoPosition) return -1;
  if (total == 0) return 1;
  const QWORD buffered = download > current ? download - current : 0;
  return static_cast<int>(buffered * 100 / total);
}

bool TConnectThrd::IsWindowsMediaStream(uint32_t chan, const std::string& url) {
  BASS_CHANNELINFO info{};
  if (BASS_ChannelGetInfo(chan, &info) && info.ctype == BASS_CTYPE_STREAM_WMA) return true;
  return Lower(url).rfind("mms:", 0) == 0;
}

void TConnectThrd::ReadStreamName() {
  std::string name;
  if (IsWindowsMediaStream(FChan, FOpenedUrl)) {
    name = StationNameFromWmaTags(TagStrings(BASS_ChannelGetTags(FChan, BASS_TAG_WMA)));
  } else {
    const char* headers = BASS_ChannelGetTags(FChan, BASS_TAG_ICY);
    if (!headers) headers = BASS_ChannelGetTags(FChan, BASS_TAG_HTTP);
    name = StationNameFromHeaders(TagStrings(headers), FPodcast, FPodcastTitle);
  }
  if (Terminated()) return;
  SendInternal(NETSTREAM_INTERNAL_STATION_NAME, reinterpret_cast<LPARAM>(&name));
}

void TConnectThrd::SetMetaSyncs() {
  void* window = reinterpret_cast<void*>(FWnd);
  if (IsWindowsMediaStream(FChan, FOpenedUrl)) {
    BASS_ChannelSetSync(FChan, BASS_SYNC_WMA_META, 0, MetaSyncProc, window);
    return;
  }
  BASS_ChannelSetSync(FChan, BASS_SYNC_META, 0, MetaSyncProc, window);
  BASS_ChannelSetSync(FChan, BASS_SYNC_OGG_CHANGE, 0, MetaSyncProc, window);
}

void TConnectThrd::FailConnection(int32_t noted) {
  const int32_t code = noted != 0 ? noted : BASS_ErrorGetCode();
  if (FChan != 0) BASS_StreamFree(FChan);
  FChan = 0;
  if (Terminated()) return;
  SendInternal(NETSTREAM_INTERNAL_ERROR, code != 0 ? code : NETSTREAM_ERROR_UNKNOWN);
}

bool TConnectThrd::Pause(uint32_t durationMs) {
  if (durationMs > 0) FWake.WaitFor(durationMs);
  return !Terminated();
}

LRESULT TConnectThrd::SendInternal(WPARAM code, LPARAM lParam) {
  return SendMessage(FWnd, WM_NETSTREAM_INTERNAL, code, lParam);
}
