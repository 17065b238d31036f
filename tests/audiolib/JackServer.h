// A private JACK server for tests (the dummy driver: no hardware, a clock of its own), and a small
// JACK client that reads what reaches its input ports and plays samples into its output ports.
//
// JackServer starts `jackd --no-realtime -d dummy -r RATE -p PERIOD` under a server name of its
// own, points JACK_DEFAULT_SERVER at that name (so PortAudio's JACK host API and JackClient find
// it), waits for it with `jack_wait -w` (bounded) and, when it goes, stops it by its process id
// (SIGTERM, then SIGKILL after a bounded wait) and restores the variable. A server that does not
// come up fails the test at construction (ASSERT in the test on Running()). Main test thread only:
// the environment is not thread-safe; create it before the first device call of the test.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "AudioFixtures.h"

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace audiofixtures {

class JackServer {
 public:
  static constexpr unsigned kRate = 48000;
  static constexpr unsigned kPeriodFrames = 256;

  JackServer();
  ~JackServer();
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  bool Running() const { return running_; }
  const std::string& Name() const { return name_; }
  // The server's output, for a failure message.
  std::string Log() const;

 private:
  void Stop();

  TempDir folder_;
  std::string name_;
  pid_t pid_ = -1;
  bool running_ = false;
  std::optional<std::string> oldServer_;
};

// A JACK client with `inputs` input ports ("in_1", ...) and `outputs` output ports ("out_1", ...).
// What reaches an input port is kept (up to kKeptFrames per port); what an output port plays is
// set with Play (then silence). The JACK callback runs on JACK's thread; the other members are for
// the test's thread. The destructor closes the client.
class JackClient {
 public:
  static constexpr size_t kKeptFrames = 48000 * 10;

  JackClient(const std::string& name, size_t inputs, size_t outputs);
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  bool Active() const { return client_ != nullptr; }
  // Full port names ("client:port") of every port matching the regular expression `pattern` with
  // the given direction flags (JackPortIsInput / JackPortIsOutput).
  std::vector<std::string> Ports(const std::string& pattern, unsigned long flags) const;
  // Connects two ports by full name; false when JACK refuses.
  bool Connect(const std::string& source, const std::string& destination) const;
  std::string InputPortName(size_t port) const;
  std::string OutputPortName(size_t port) const;

  // From the next JACK period on, output port i plays samples[i] once, then silence; all ports
  // given start in the same period (set one by one, a period could fall between them).
  void Play(std::vector<std::vector<float>> samples);
  // Frames of what Play gave output port `port` that it has played so far.
  size_t PlayedFrames(size_t port) const;
  // What input port `port` has received so far.
  std::vector<float> Received(size_t port) const;

 private:
  static int Process(unsigned frames, void* self);

  jack_client_t* client_ = nullptr;
  std::vector<jack_port_t*> inputs_;
  std::vector<jack_port_t*> outputs_;
  mutable std::mutex mutex_;  // guards the vectors below (a test helper: a short lock on JACK's thread)
  std::vector<std::vector<float>> received_;
  std::vector<std::vector<float>> playing_;
  std::vector<size_t> playedFrames_;
};

// Waits (bounded by `timeoutMs`) until `done` is true, asking every `pollMs`; returns its last value.
bool WaitUntil(const std::function<bool()>& done, unsigned timeoutMs, unsigned pollMs = 5);

// Sample i of a test stream that says where it came from: never 0, so silence (before a
// connection, after an underrun) stands out; RampIndex gives i back (mod 4096).
float Ramp(size_t i);
size_t RampIndex(float sample);

// Connects `writer`'s two output ports to the two input ports PortAudio opened on the JACK server
// (`what` names them in a failure) and plays `frames` stereo ramp frames on them (left sample f is
// Ramp(2f), right Ramp(2f + 1)), waiting at most timeoutMs until they are played. Adds a
// test failure and returns false when the ports are missing, JACK refuses or the time runs out.
bool PlayStereoRampIntoPortAudio(JackClient& writer, size_t frames, unsigned timeoutMs, const std::string& what);

}  // namespace audiofixtures
