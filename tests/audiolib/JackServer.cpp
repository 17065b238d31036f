#include "JackServer.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>


#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace audiofixtures {

namespace {

constexpr const char* kServerVariable = "JACK_DEFAULT_SERVER";
constexpr int kStartTimeoutSeconds = 10;
constexpr auto kStopTimeout = std::chrono::seconds(5);

std::string UniqueServerName() {
  static std::atomic<int> counter{0};
  return "tonesentry-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, unsigned timeoutMs, unsigned pollMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
  return true;
}

JackServer::JackServer() : name_(UniqueServerName()) {
  if (const char* old = std::getenv(kServerVariable)) oldServer_ = old;
  ::setenv(kServerVariable, name_.c_str(), 1);
  const std::string log = (folder_ / "jackd.log").string();
  // -t: clients get 5 s instead of 0.5 s to answer the server, as a loaded test machine needs.
  pid_ = SpawnLogged({"jackd", "--no-realtime", "-t", "5000", "-n", name_, "-d", "dummy", "-r", std::to_string(kRate), "-p",
                std::to_string(kPeriodFrames)},
               log);
  if (pid_ < 0) return;
  const pid_t waiter = SpawnLogged({"jack_wait", "-s", name_, "-w", "-t", std::to_string(kStartTimeoutSeconds)}, log);
  if (waiter < 0) return;
  int status = 0;
  if (!WaitForExit(waiter, std::chrono::seconds(kStartTimeoutSeconds + 5))) {
    ::kill(waiter, SIGKILL);
    ::waitpid(waiter, &status, 0);
    return;
  }
  // jack_wait says "running" and exits 0 once the server answers; make sure ours is still alive.
  running_ = ::waitpid(pid_, &status, WNOHANG) == 0;
  // A server that already ended has been reaped here: its process id may soon be someone else's.
  if (!running_) pid_ = -1;
}

JackServer::~JackServer() {
  Stop();
  if (oldServer_) {
    ::setenv(kServerVariable, oldServer_->c_str(), 1);
  } else {
    ::unsetenv(kServerVariable);
  }
}

void JackServer::Stop() {
  if (pid_ < 0) return;
  StopProcess(pid_, kStopTimeout);
  pid_ = -1;
  running_ = false;
}

std::string JackServer::Log() const { return ReadBytes(folder_ / "jackd.log"); }

JackClient::JackClient(const std::string& name, size_t inputs, size_t outputs)
    : received_(inputs), playing_(outputs), playedFrames_(outputs, 0) {
  jack_status_t status;
  client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
  if (client_ == nullptr) return;
  for (size_t i = 0; i < inputs; ++i) {
    inputs_.push_back(jack_port_register(client_, ("in_" + std::to_string(i + 1)).c_str(),
                                         JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
  }
  for (size_t i = 0; i < outputs; ++i) {
    outputs_.push_back(jack_port_register(client_, ("out_" + std::to_string(i + 1)).c_str(),
                                          JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
  }
  jack_set_process_callback(client_, &JackClient::Process, this);
  if (jack_activate(client_) != 0) {
    jack_client_close(client_);
    client_ = nullptr;
  }
}

JackClient::~JackClient() {
  if (client_ == nullptr) return;
  jack_deactivate(client_);
  jack_client_close(client_);
}

std::vector<std::string> JackClient::Ports(const std::string& pattern, unsigned long flags) const {
  std::vector<std::string> names;
  if (client_ == nullptr) return names;
  const char** ports = jack_get_ports(client_, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags);
  for (const char** port = ports; port != nullptr && *port != nullptr; ++port) names.emplace_back(*port);
  jack_free(ports);
  return names;
}

bool JackClient::Connect(const std::string& source, const std::string& destination) const {
  return client_ != nullptr && jack_connect(client_, source.c_str(), destination.c_str()) == 0;
}

std::string JackClient::InputPortName(size_t port) const { return jack_port_name(inputs_.at(port)); }
std::string JackClient::OutputPortName(size_t port) const { return jack_port_name(outputs_.at(port)); }

void JackClient::Play(std::vector<std::vector<float>> samples) {
  std::lock_guard lock(mutex_);
  for (size_t port = 0; port < samples.size(); ++port) {
    playing_.at(port) = std::move(samples[port]);
    playedFrames_.at(port) = 0;
  }
}

size_t JackClient::PlayedFrames(size_t port) const {
  std::lock_guard lock(mutex_);
  return std::min(playedFrames_.at(port), playing_.at(port).size());
}

std::vector<float> JackClient::Received(size_t port) const {
  std::lock_guard lock(mutex_);
  return received_.at(port);
}

// JACK orders the process callbacks of the clients in one process with futexes that
// ThreadSanitizer cannot see, so it would take the port buffers shared with another client (the
// library's own) for a race. The port buffers are therefore copied element by element through
// volatile pointers (no memcpy for it to intercept) in an uninstrumented function.
__attribute__((no_sanitize("thread"))) int JackClient::Process(unsigned frames, void* self) {
  auto* client = static_cast<JackClient*>(self);
  std::lock_guard lock(client->mutex_);
  for (size_t i = 0; i < client->inputs_.size(); ++i) {
    const volatile float* in = static_cast<const float*>(jack_port_get_buffer(client->inputs_[i], frames));
    std::vector<float>& kept = client->received_[i];
    const size_t room = kKeptFrames - std::min(kKeptFrames, kept.size());
    for (size_t f = 0; f < std::min<size_t>(frames, room); ++f) {
      const float sample = in[f];
      kept.push_back(sample);
    }
  }
  for (size_t i = 0; i < client->outputs_.size(); ++i) {
    volatile float* out = static_cast<float*>(jack_port_get_buffer(client->outputs_[i], frames));
    const std::vector<float>& samples = client->playing_[i];
    size_t& played = client->playedFrames_[i];
    for (size_t f = 0; f < frames; ++f) out[f] = played < samples.size() ? samples[played++] : 0.0f;
  }
  return 0;
}

float Ramp(size_t i) { return static_cast<float>(i % 4096 + 1) / 4096.0f; }

size_t RampIndex(float sample) { return static_cast<size_t>(sample * 4096.0f + 0.5f) - 1; }

bool PlayStereoRampIntoPortAudio(JackClient& writer, size_t frames, unsigned timeoutMs, const std::string& what) {
  const std::vector<std::string> ours = writer.Ports("^PortAudio.*", JackPortIsInput);
  EXPECT_EQ(ours.size(), 2u) << "the input ports of " << what;
  if (ours.size() != 2 || !writer.Connect(writer.OutputPortName(0), ours[0]) ||
      !writer.Connect(writer.OutputPortName(1), ours[1])) {
    ADD_FAILURE() << "cannot connect the writer to " << what;
    return false;
  }
  std::vector<float> left(frames), right(frames);
  for (size_t f = 0; f < frames; ++f) {
    left[f] = Ramp(2 * f);
    right[f] = Ramp(2 * f + 1);
  }
  writer.Play({std::move(left), std::move(right)});
  const bool played = WaitUntil([&] { return writer.PlayedFrames(1) == frames; }, timeoutMs);
  EXPECT_TRUE(played) << "the writer did not play its ramp into " << what;
  return played;
}

}  // namespace audiofixtures
