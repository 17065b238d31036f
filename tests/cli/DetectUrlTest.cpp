// `tonesentry detect URL` as a user runs it: the real program against a private Icecast server
// (and the loopback HTTP server) on 127.0.0.1, ended by SIGINT, SIGTERM or --duration.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "AudioFixtures.h"
#include "IcecastServer.h"
#include "LoopbackHttpServer.h"
#include "ToolRunner.h"

namespace {

namespace fs = std::filesystem;
using audiofixtures::IcecastServer;
using namespace std::chrono_literals;

constexpr int Rate = 44100;
constexpr auto WaitLimit = 40s;  // fail-safe bounds only

// The tool running in the background with its standard output and error in files; killed by its
// own pid if the test leaves it running.
class TMonitorProcess {
 public:
  TMonitorProcess(const fs::path& dir, const std::vector<std::string>& args) : dir_(dir) {
    pid_ = fork();
    if (pid_ == 0) {
      const int out = open((dir / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open((dir / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(err, 2);
      std::vector<char*> argv{const_cast<char*>(TONESENTRY_BIN)};
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(TONESENTRY_BIN, argv.data());
      _exit(127);
    }
  }
  ~TMonitorProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  TMonitorProcess(const TMonitorProcess&) = delete;
  TMonitorProcess& operator=(const TMonitorProcess&) = delete;

  std::string Out() const { return clitest::ReadText(dir_ / "stdout.txt"); }
  std::string Err() const { return clitest::ReadText(dir_ / "stderr.txt"); }
  void Signal(int signal) const { kill(pid_, signal); }

  // Waits (bounded) until `done` holds; false when it never did or the program ended first.
  template <class Done>
  bool WaitUntil(Done done) {
    for (auto end = std::chrono::steady_clock::now() + WaitLimit; std::chrono::steady_clock::now() < end;) {
      if (done()) return true;
      if (!exited_ && waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
      if (exited_) return done();
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }
  // The exit status once the program has ended (bounded wait); -1 when it did not end.
  int ExitStatus() {
    WaitUntil([this] { return exited_; });
    return exited_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
  }

 private:
  fs::path dir_;
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = 0;
};

std::vector<nlohmann::json> JsonLines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

std::string KeysIn(const std::vector<nlohmann::json>& events) {
  std::string keys;
  for (const auto& event : events) {
    if (event["event"] == "key") keys += event["key"].get<std::string>();
  }
  return keys;
}

class DetectUrlTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir / "settings"); }

  // Keys of both tones at 0.3 on both channels, then silence, as a WAV for a source.
  fs::path KeysWav(const std::string& name, const std::string& keys) {
    static const std::string Keypad = "123A456B789C*0#D";
    static const double Rows[] = {697, 770, 852, 941};
    static const double Cols[] = {1209, 1336, 1477, 1633};
    std::vector<float> samples(Rate * 2 * 3 / 10, 0.0f);
    for (const char key : keys) {
      const size_t index = Keypad.find(key);
      const std::vector<float> row = audiofixtures::Sine(Rows[index / 4], 0.3, Rate, Rate * 12 / 100);
      const std::vector<float> col = audiofixtures::Sine(Cols[index % 4], 0.3, Rate, Rate * 12 / 100);
      for (size_t i = 0; i < row.size(); ++i) samples.insert(samples.end(), {row[i] + col[i], row[i] + col[i]});
      samples.resize(samples.size() + Rate * 2 * 12 / 100, 0.0f);
    }
    samples.resize(samples.size() + Rate * 2 * 2, 0.0f);
    const fs::path path = dir / name;
    audiofixtures::WriteWav(path, samples, Rate, 2, 16);
    return path;
  }

  std::vector<std::string> Args(std::vector<std::string> detectArgs) const {
    std::vector<std::string> args{"--settings-dir", (dir / "settings").string(), "detect"};
    args.insert(args.end(), detectArgs.begin(), detectArgs.end());
    return args;
  }

  audiofixtures::TempDir dir;
};

// Keys in order and a title change as JSON lines, status on standard error, a clean end on SIGINT.
TEST_F(DetectUrlTest, PrintsKeysAndTitleEventsAsJsonLinesUntilInterrupted) {
  if (!IcecastServer::Installed()) GTEST_SKIP() << "icecast2 and ffmpeg are needed";
  IcecastServer server;
  ASSERT_TRUE(server.Running()) << server.Log();
  ASSERT_GE(server.StartSource("/keys.mp3", KeysWav("keys.wav", "159#"), IcecastServer::Format::Mp3, "First", true), 0)
      << server.Log();
  TMonitorProcess tool(dir.path(), Args({"--format", "json", "--events", server.Url("/keys.mp3")}));

  ASSERT_TRUE(tool.WaitUntil([&] { return KeysIn(JsonLines(tool.Out())).find("159#") != std::string::npos; }))
      << tool.Out() << tool.Err();
  ASSERT_TRUE(server.SetTitle("/keys.mp3", "Second title"));
  const auto titled = [&] {
    for (const auto& event : JsonLines(tool.Out())) {
      if (event["event"] == "title" && event["title"] == "Second title") return true;
    }
    return false;
  };
  ASSERT_TRUE(tool.WaitUntil(titled)) << tool.Out();
  tool.Signal(SIGINT);
  EXPECT_EQ(tool.ExitStatus(), 0) << tool.Err();

  double lastStreamSeconds = -1;
  bool sawReady = false;
  for (const auto& event : JsonLines(tool.Out())) {
    if (event["event"] == "status" && event["state"] == "ready") sawReady = true;
    if (event["event"] != "key") continue;
    EXPECT_TRUE(std::regex_match(event["time"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d{4})")))
        << event;
    EXPECT_GT(event["streamSeconds"].get<double>(), lastStreamSeconds);
    lastStreamSeconds = event["streamSeconds"].get<double>();
  }
  EXPECT_TRUE(sawReady) << tool.Out();
  const std::string err = tool.Err();
  EXPECT_NE(err.find("reconnected for as long as this runs"), std::string::npos) << err;
  EXPECT_NE(err.find(" connecting: connecting"), std::string::npos) << err;
  EXPECT_NE(err.find(" ready: stream ready"), std::string::npos) << err;
  EXPECT_NE(err.find(" title: Second title"), std::string::npos) << err;
}

// Text lines (local time, stream time, key); the source goes away and the tool says it reconnects;
// --duration ends the run with status 0. The duration leaves room for a slow start on a loaded
// machine: the key, the source's end and the reconnect must all fall inside it.
TEST_F(DetectUrlTest, SaysItReconnectsWhenTheSourceGoesAndEndsAfterItsDuration) {
  if (!IcecastServer::Installed()) GTEST_SKIP() << "icecast2 and ffmpeg are needed";
  IcecastServer server;
  ASSERT_TRUE(server.Running()) << server.Log();
  const int source = server.StartSource("/live.mp3", KeysWav("keys.wav", "7"), IcecastServer::Format::Mp3, "t", true);
  ASSERT_GE(source, 0) << server.Log();
  TMonitorProcess tool(dir.path(), Args({"--duration", "30", server.Url("/live.mp3")}));

  ASSERT_TRUE(tool.WaitUntil([&] { return tool.Out().find("  7\n") != std::string::npos; })) << tool.Err();
  EXPECT_TRUE(std::regex_search(tool.Out(), std::regex(R"(^\d\d:\d\d:\d\d\.\d{3}  \d+:\d\d:\d\d\.\d{3}  7$)",
                                                       std::regex::multiline)))
      << tool.Out();
  server.StopSource(source);
  EXPECT_TRUE(tool.WaitUntil([&] { return tool.Err().find("stream lost; reconnecting") != std::string::npos; }))
      << tool.Err();
  EXPECT_EQ(tool.ExitStatus(), 0) << tool.Err();
  EXPECT_NE(tool.Err().find("monitoring ended"), std::string::npos) << tool.Err();
}

// SIGTERM while the tool still waits for a stream that never gets ready ends it at once, with 0.
TEST_F(DetectUrlTest, EndsCleanlyOnSigtermWhileConnecting) {
  audiofixtures::LoopbackHttpServer server;
  audiofixtures::StreamScript script;
  script.body = std::string(4096, '\0');
  script.stallAtBytes = 1024;
  server.Serve("/silent", script);
  TMonitorProcess tool(dir.path(), Args({server.Url("/silent")}));
  ASSERT_TRUE(tool.WaitUntil([&] { return tool.Err().find("connecting") != std::string::npos; })) << tool.Err();
  tool.Signal(SIGTERM);
  EXPECT_EQ(tool.ExitStatus(), 0) << tool.Err();
}

TEST_F(DetectUrlTest, RefusesCommandLinesThatMixAUrlWithWhatIsNotForIt) {
  for (const std::string args : {"detect keys.wav http://127.0.0.1:1/a", "detect --url ftp://127.0.0.1/a",
                                 "detect --duration 5 keys.wav", "detect --format csv http://127.0.0.1:1/a",
                                 "detect --jobs 2 http://127.0.0.1:1/a", "detect --duration 0 http://127.0.0.1:1/a",
                                 "detect http://127.0.0.1:1/a https://127.0.0.1:1/b"}) {
    const clitest::TToolRun run = clitest::RunTool(dir.path(), args);
    EXPECT_EQ(run.status, 2) << args << "\n" << run.err;
    EXPECT_EQ(run.out, "") << args;
  }
}

}  // namespace
