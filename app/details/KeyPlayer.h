// TKeyPlayer: plays a stretch of a file on the default output device, so the details window can
// let the user hear a key with a second before and after it. The stretch is decoded into memory
// when Play is called (a few seconds at most for a key) and handed to the device as one push
// stream, which ends by itself. One stretch at a time: Play stops the one playing. Main thread only;
// the stream is freed with the player.
#pragma once

#include <cstdint>
#include <string>

class TKeyPlayer {
 public:
  TKeyPlayer() = default;
  ~TKeyPlayer();
  TKeyPlayer(const TKeyPlayer&) = delete;
  TKeyPlayer& operator=(const TKeyPlayer&) = delete;

  // Why nothing can be played ("" when the system has a default output device that is enabled).
  static std::string UnavailableReason();

  // Plays `path` (UTF-8) from fromSeconds to toSeconds, both clamped to the file, on the default
  // output device (initialised here when nobody has done it yet). False with `error` set when the
  // device cannot be opened or the file cannot be read; nothing plays then.
  bool Play(const std::string& path, double fromSeconds, double toSeconds, std::string& error);
  void Stop();
  // True until the stretch has been heard to its end (or Stop).
  bool Playing() const;

 private:
  uint32_t FStream = 0;
};
