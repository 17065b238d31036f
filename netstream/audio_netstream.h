// The network stream client: opens an internet audio stream (Icecast/SHOUTcast with in-band
// titles, Ogg with comments, podcast feeds) on a background connect thread, adds it to a mixer and
// tells a notify window about status, readiness, titles and errors.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "platform/TimerQueue.h"
#include "platform/WinTypes.h"

// Notices to the notify window: wParam = code, lParam = the stream id given to the constructor.
inline constexpr UINT WM_NETSTREAM_NOTIFY = WM_APP + 130;
inline constexpr WPARAM NETSTREAM_NOTIFY_STATUS = 0;  // Status() changed (posted)
inline constexpr WPARAM NETSTREAM_NOTIFY_READY = 1;   // connected, Chan() set (posted)
inline constexpr WPARAM NETSTREAM_NOTIFY_TITLE = 3;   // SongTitle() changed (posted)
inline constexpr WPARAM NETSTREAM_NOTIFY_ERROR = 4;   // ErrCode() set (sent, not posted)

// Messages of the connect thread and the library's callbacks to the stream's internal window:
// wParam = one of the codes below.
inline constexpr UINT WM_NETSTREAM_INTERNAL = WM_APP;
inline constexpr WPARAM NETSTREAM_INTERNAL_STATUS_ANSI = 0;    // lParam: const char*, 8-bit text
inline constexpr WPARAM NETSTREAM_INTERNAL_ERROR = 1;          // lParam: error code
inline constexpr WPARAM NETSTREAM_INTERNAL_STATUS = 2;         // lParam: const std::string* (UTF-8)
inline constexpr WPARAM NETSTREAM_INTERNAL_CONNECTED = 4;      // lParam: the channel
inline constexpr WPARAM NETSTREAM_INTERNAL_STATION_NAME = 5;   // lParam: const std::string*
inline constexpr WPARAM NETSTREAM_INTERNAL_UPDATE_TITLE = 6;   // lParam: unused
inline constexpr WPARAM NETSTREAM_INTERNAL_PODCAST_TITLE = 7;  // lParam: const std::string*

// Error code of a buffering time-out is BASS_ERROR_TIMEOUT (40); when no code is known:
inline constexpr int32_t NETSTREAM_ERROR_UNKNOWN = 3999;

class ENetworkStream : public Exception {
 public:
  using Exception::Exception;
};

class TConnectThrd;

// One network stream. Create, configure, destroy and every notice run on the main thread (the
// internal window lives there); CheckStream may be called from one other thread (the reader).
// Fields the main thread writes (Status, SongTitle, ...) are read on the main thread, e.g. in the
// notify window's handler of WM_NETSTREAM_NOTIFY.
class TNetworkStream {
 public:
  // Create. AUrl: the address, optionally followed by " podcast" (or ending in ".xml") for a
  // podcast feed. AStreamID: lParam of every notice. AHWnd: the notify window (0: no notices).
  // ABuffer: the library's network buffer in ms, ATimeout: its read time-out in ms (-1 leaves each
  // as it is; both are process-wide settings). Throws ENetworkStream "Unable to create handler
  // window (NS)." when the internal window cannot be made (e.g. not on the main thread).
  TNetworkStream(const std::string& AUrl, int32_t AStreamID, HWND AHWnd, int32_t ABuffer,
                 int32_t ATimeout);
  // Destroy: no more notices, frees the channel, abandons a running connect thread to a thread
  // terminator (returns at once; that thread sends nothing more and frees what it opened).
  ~TNetworkStream();
  TNetworkStream(const TNetworkStream&) = delete;
  TNetworkStream& operator=(const TNetworkStream&) = delete;

  // Starts connecting: AMixer 0 makes a 96000 Hz stereo mixer with AFlags (the caller owns it and
  // frees it). AAttempts connection attempts with AAttemptTimeout ms between them; AFlags are the
  // stream flags (the library's DECODE/STATUS/BLOCK bits are added). Returns the mixer used (0 when
  // one could not be made; the connect thread then reports the library's error). Call once; a
  // second call abandons the first connect thread. Main thread. Throws EThread when the connect
  // thread cannot be started.
  uint32_t StreamCreate(uint32_t AFlags, int32_t AAttempts, int32_t AAttemptTimeout,
                        uint32_t AMixer);

  // Whether the stream is still alive: connected, not stopped, not stalled (or, with
  // BufferStateCheckEnabled, not without buffered data) for more than StallTimeout ms. Any one
  // thread at a time (the reader).
  bool CheckStream();

  // The library's stream handle once connected; 0 before and after a failure. Any thread.
  uint32_t Chan() const { return FChan.load(); }
  const std::string& Url() const { return FUrl; }
  int32_t StreamID() const { return FStreamID; }
  uint32_t Mixer() const { return FMixer; }
  // Last status text (the server's header text or "Buffering: N%"); empty once connected.
  const std::string& Status() const { return FStatus; }
  // Last error code (the library's, 40 for a buffering time-out, 3999 when unknown).
  int32_t ErrCode() const { return FErrCode; }
  // Station name (icy-name, else icy-description; a podcast's feed title), UTF-8.
  const std::string& StreamName() const { return FStreamName; }
  // Current title, UTF-8.
  const std::string& SongTitle() const { return FSongTitle; }
  // Cover picture of the current song (SHOUTcast v2 servers only); empty when none.
  const std::vector<uint8_t>& Artwork() const { return FArtwork; }
  bool IsPodcast() const { return FIsPodcast; }
  const std::string& PodcastStreamTitle() const { return FPodcastStreamTitle; }

  // Send title notices at once instead of delaying them by the buffered time. Main thread.
  bool DisableTitleSync() const { return FDisableTitleSync; }
  void SetDisableTitleSync(bool value) { FDisableTitleSync = value; }
  // Count an empty download buffer as a stall in CheckStream. Any thread.
  bool BufferStateCheckEnabled() const { return FBufferStateCheckEnabled.load(); }
  void SetBufferStateCheckEnabled(bool value) { FBufferStateCheckEnabled.store(value); }
  // ms after which an empty buffer or a stall counts as dead. Any thread.
  int32_t StallTimeout() const { return FStallTimeout.load(); }
  void SetStallTimeout(int32_t timeoutMs) { FStallTimeout.store(timeoutMs); }

  // The millisecond tick source of CheckStream (GetTickCount64 unless replaced, e.g. by a test's
  // clock). Set it before CheckStream is first called.
  void SetTickSource(std::function<uint64_t()> ticksMs) { FTickSource = std::move(ticksMs); }

  // Fired on the main thread after an error notice.
  std::function<void(TNetworkStream& ASender)> OnError;

 private:
  LRESULT InternalWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleInternal(WPARAM code, LPARAM lParam);
  void SetStatusText(const std::string& text);
  void ReportStreamError(int32_t code);
  void UpdateMeta();
  std::string FindTitle();
  void FetchArtworkFor();
  void SetSongTitle(const std::string& title);
  void CancelTitleTimer();
  uint32_t TitleDelayMs() const;
  void PostNotice(WPARAM code);

  std::atomic<uint32_t> FChan{0};
  std::string FUrl;
  int32_t FStreamID;
  HWND FNotifyWnd;
  std::unique_ptr<TConnectThrd> FThrd;
  int32_t FAttempts = 0;
  int32_t FAttemptTimeout = 0;
  uint32_t FFlags = 0;
  std::string FStatus;
  HWND FIntWnd = 0;
  int32_t FErrCode = 0;
  uint32_t FMixer = 0;
  std::string FStreamName;
  std::string FSongTitle;
  std::vector<uint8_t> FArtwork;
  std::optional<uint64_t> FBufferEmptyStartTS;  // reader thread only
  std::optional<uint64_t> FStrmStallTime;       // reader thread only
  bool FIsPodcast = false;
  std::string FPodcastStreamTitle;
  TimerQueueTimer FTimerID = 0;
  bool FDisableTitleSync = false;
  std::atomic<bool> FBufferStateCheckEnabled{false};
  std::atomic<int32_t> FStallTimeout{0};
  std::function<uint64_t()> FTickSource;
  // False once the stream is gone: a notice handler may destroy the stream.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
