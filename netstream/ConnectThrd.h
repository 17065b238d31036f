// The connect thread of a network stream: resolves a podcast feed, opens the address (with
// attempts), waits until the download buffer is full enough, adds the stream to the mixer, reads
// the station name and sets the title syncs. It reaches its TNetworkStream only through messages
// to the stream's internal window (WM_NETSTREAM_INTERNAL), so the stream may go at any time.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/Event.h"
#include "platform/WinTypes.h"
#include "runtime/px_thread.h"

class TConnectThrd : public TPxThread {
 public:
  // Created suspended; Start it. AUrl: the address as the caller gave it (see
  // SplitStreamAddress). AAttempts opens of the address with AAttemptTimeout ms between them;
  // AFlags: the caller's stream flags; AWnd: the stream's internal window; AMixer: the mixer the
  // stream joins.
  TConnectThrd(const std::string& AUrl, int32_t AAttempts, int32_t AAttemptTimeout,
               uint32_t AFlags, HWND AWnd, uint32_t AMixer);
  ~TConnectThrd() override;

  // What the thread found; read them once it has finished.
  bool Podcast() const { return FPodcast; }
  const std::string& PodcastTitle() const { return FPodcastTitle; }
  const std::string& Url() const { return FOpenedUrl; }

  // A Windows Media stream: the channel's type says so, or the address starts with "mms:" (any
  // case). Any thread.
  static bool IsWindowsMediaStream(uint32_t chan, const std::string& url);

  // How often the buffer fill is reported while waiting for it.
  static constexpr uint32_t kBufferPollMs = 50;
  // The buffer counts as filled above this percentage.
  static constexpr int kBufferReadyPercent = 90;

 protected:
  void Execute() override;
  // Wakes a pause between attempts or buffer polls.
  void TerminationRequested() override { FWake.SetEvent(); }

 private:
  enum class TBufferWait { Ready, Terminated, TimedOut };

  void Connect();
  void ResolvePodcast();
  bool OpenURL();
  TBufferWait WaitForBuffer();
  int BufferPercent() const;
  void ReadStreamName();
  void SetMetaSyncs();
  void FailConnection(int32_t noted);
  // Waits durationMs; false when terminated meanwhile.
  bool Pause(uint32_t durationMs);
  LRESULT SendInternal(WPARAM code, LPARAM lParam);

  const std::string FUrl;
  const int32_t FAttempts;
  const int32_t FAttemptTimeout;
  const uint32_t FFlags;
  const HWND FWnd;
  const uint32_t FMixer;
  bool FPodcast = false;
  std::string FPodcastTitle;
  uint32_t FChan = 0;
  std::string FOpenedUrl;
  TEvent FWake{true, false};
};
