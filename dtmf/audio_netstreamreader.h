// TNetStreamReader: the DTMF worker's thread ("DtmfReader"). It runs a body supplied by its owner
// and, for a network source, connects a TNetworkStream (netstream/audio_netstream.h) into a mixer
// of its own, which the body pulls from.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audiolib/audiolib.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/WinTypes.h"

class TPlayback;        // the playback controller; opaque here (it sits above this folder)
class TPlayerSettings;  // settings/player/PlayerSettings.h
class TNetworkStream;

// Called with a stream's new title; a plain procedure or none.
using TNetStreamTitleNotifyEvent = void (*)(const std::string& title);
using TNetReaderExecuteProc = std::function<void()>;

// What a network source is doing, for whoever shows it (the CLI prints it).
enum class TNetSourceState { Connecting, Buffering, Ready, Title, Error, Reconnecting };
struct TNetSourceStatus {
  TNetSourceState state;
  std::string caption;  // "connecting", "buffering", "[status]", "stream ready", a title, "Error code = N", ...
};
using TNetSourceStatusEvent = std::function<void(const TNetSourceStatus& status)>;

class TNetStreamReader : public TThread {
 public:
  // Longest wait of Connect for the stream to report ready or failed, ms.
  static constexpr uint64_t ConnectLimitMs = 20000;
  // Step in which Connect looks at the stream's flags and at StopThread, ms.
  static constexpr uint32_t ConnectPollMs = 100;

  // Main thread: created suspended; its hidden window belongs to the main thread, and the
  // no-sound device becomes the calling thread's current device. playerSettings (not owned, must
  // outlive the reader) supplies NetBuffer, NetReadTimeout, DisableTitleSync and
  // StreamStallTimeout for a network source; null means the process-wide PlayerIni.
  TNetStreamReader(std::string sourceUrl, TNetStreamTitleNotifyEvent titleNotify,
                   TPlayback* playback, std::string threadName,
                   const TPlayerSettings* playerSettings = nullptr);
  // Main thread. Stops and waits for a body still running. Owners call StopThread and WaitFor
  // first, and CheckStopped before freeing, which reports the misuse as an exception.
  ~TNetStreamReader() override;

  // Any thread: marks the thread terminated and wakes its waits (also a waiting Connect) at once.
  void StopThread();
  // Throws Exception("Thread was not properly stopped.") unless StopThread was called.
  void CheckStopped() const;

  // Any thread: ends the thread's current wait early without stopping it (new data has come).
  void WakeUp();
  // On the thread: waits up to timeoutMs for StopThread or WakeUp; true when stopped.
  bool WaitForStop(uint32_t timeoutMs);

  // On the thread (throws Exception("NetStreamReader connect from main thread") on the main
  // thread): replaces the network stream by a new one connecting into Mixer() (made on the main
  // thread, which must be serving its queue), then waits until it reports ready or an error, the
  // thread is stopped, or ConnectLimitMs has passed. Which of them it was is not returned: the
  // caller finds a dead stream through StreamIsAlive.
  void Connect();
  // On the thread: a network stream exists and is still alive (connected, not stalled too long).
  bool StreamIsAlive();
  // On the thread: the network stream's channel in Mixer(); 0 before it has connected.
  HSTREAM StreamChannel() const;

  const std::string& SourceURL() const { return FSourceURL; }
  TPlayback* Playback() const { return FPlayback; }
  // The reader's own mixer (96000 Hz stereo float, decode only) that a network stream feeds;
  // owned; 0 when it could not be made.
  HSTREAM Mixer() const { return FMixer; }
  // Main thread: the last status text (see TNetSourceStatus::caption).
  const std::string& Caption() const { return FCaption; }

  // The body; assign before Start.
  TNetReaderExecuteProc FOnExecute;
  // Every status change of the network source, on the main thread; assign before Start.
  TNetSourceStatusEvent OnSourceStatus;

  // On the thread: tells OnSourceStatus (on the main thread, soon) that the source was lost and
  // is being reconnected.
  void NoteSourceLost();

 protected:
  // Names the thread, then runs FOnExecute; throws Exception("Execute method not defined.")
  // without one.
  void Execute() override;

 private:
  void CreateStreamInMainThread();
  LRESULT ReaderWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void HandleStreamNotice(WPARAM code);
  void SetCaption(TNetSourceState state, std::string caption);
  const TPlayerSettings& NetSettings() const;

  HWND FWnd = 0;
  std::unique_ptr<TNetworkStream> FNetworkStream;  // main thread writes it, while the thread waits
  std::string FCaption;                            // main thread
  std::string FSourceURL;
  TPlayback* FPlayback;
  const TPlayerSettings* FPlayerSettings;
  TEvent FTerminateEvent{false, false};
  TNetStreamTitleNotifyEvent FTitleNotify;
  std::atomic<bool> FStopped{false};
  HSTREAM FMixer = 0;
  std::atomic<bool> FStreamReady{false};
  std::atomic<bool> FStreamError{false};
  std::string FThreadName;
};
