// A private Icecast server for tests on 127.0.0.1 (a free port), fed by ffmpeg sources.
//
// The constructor writes a configuration into a temporary folder (a log folder the server's user
// can write; since Icecast refuses to run as root, it changes to nobody/nogroup), starts
// `icecast2 -c FILE` and waits (bounded) until it answers. Sources are `ffmpeg -re` processes that
// send an audio file to a mount as MP3 or Ogg Vorbis. Every process is stopped by its process id
// (SIGTERM, then SIGKILL after a bounded wait) when the test stops it or the object goes, also on
// failure. Main test thread only.
//
// Debian's icecast2 2.4.4 now and then dies of a segmentation fault while it answers status
// requests (about one server in a hundred on a loaded machine). The fixture asks for the status
// at a modest pace, and when the server is found dead as a source starts, it is started again on
// the same port (so addresses handed out stay valid) and the source is tried once more; the death
// is kept in Log().
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AudioFixtures.h"

namespace audiofixtures {

class IcecastServer {
 public:
  enum class Format { Mp3, OggVorbis };

  // False when icecast2 or ffmpeg is not installed.
  static bool Installed();

  IcecastServer();
  ~IcecastServer();
  IcecastServer(const IcecastServer&) = delete;
  IcecastServer& operator=(const IcecastServer&) = delete;

  bool Running() const { return pid_ > 0; }
  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" + mount ("/name.mp3").
  std::string Url(const std::string& mount) const;

  // Starts a source sending `input` (looped when `loop`) in real time to `mount` with `title` as
  // its first title; waits (bounded) until the mount is listed. Returns a source id, -1 on failure.
  int StartSource(const std::string& mount, const std::filesystem::path& input, Format format,
                  const std::string& title, bool loop);
  void StopSource(int source);
  // Sets the mount's title through the admin interface; false when the server refuses.
  bool SetTitle(const std::string& mount, const std::string& title);
  // The mount is listed as live (a source is connected).
  bool MountLive(const std::string& mount) const;
  // The server's error log and the sources' output, for a failure message.
  std::string Log() const;

 private:
  // One try on `port`; leaves pid_ -1 when the server did not come up (or died at once).
  void Start(int port);
  // True when the server process is still there; otherwise notes how it ended and clears pid_.
  bool Alive();
  // Restarts a server that died on its own on the same port; false when it cannot come back.
  bool Revive();
  // Spawns one ffmpeg source and waits (bounded) until the mount is live; false otherwise.
  bool TrySource(const std::vector<std::string>& argv, const std::string& mount);
  void Stop();

  TempDir folder_;
  int port_ = 0;
  pid_t pid_ = -1;
  std::vector<pid_t> sources_;
  std::string deaths_;  // how earlier server processes ended on their own
};

}  // namespace audiofixtures
