#include "IcecastServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "ChildProcess.h"
#include "JackServer.h"  // WaitUntil

namespace audiofixtures {

namespace {

constexpr const char* kSourcePassword = "sourcepw";
constexpr const char* kAdminPassword = "adminpw";
constexpr unsigned kStartTimeoutMs = 10000;
constexpr auto kStopTimeout = std::chrono::seconds(5);
// Status requests are what the server sometimes dies on: ask at a modest pace.
constexpr unsigned kStatusPollMs = 50;
constexpr auto kSettleTime = std::chrono::milliseconds(200);

// A port nobody listens on now (the kernel's choice for an ephemeral bind).
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Configuration(int port, const std::filesystem::path& logFolder) {
  return "<icecast>\n"
         "  <limits><clients>32</clients><sources>8</sources><source-timeout>3</source-timeout>"
         "<burst-size>65536</burst-size></limits>\n"
         "  <authentication><source-password>" + std::string(kSourcePassword) +
         "</source-password><admin-user>admin</admin-user><admin-password>" + kAdminPassword +
         "</admin-password></authentication>\n"
         "  <hostname>127.0.0.1</hostname>\n"
         "  <location>test</location><admin>test@localhost</admin>\n"
         "  <listen-socket><port>" + std::to_string(port) +
         "</port><bind-address>127.0.0.1</bind-address></listen-socket>\n"
         "  <paths><basedir>/usr/share/icecast2</basedir><logdir>" + logFolder.string() +
         "</logdir><webroot>/usr/share/icecast2/web</webroot>"
         "<adminroot>/usr/share/icecast2/admin</adminroot></paths>\n"
         "  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
         "<loglevel>3</loglevel></logging>\n"
         "  <security><chroot>0</chroot><changeowner><user>nobody</user><group>nogroup</group>"
         "</changeowner></security>\n"
         "</icecast>\n";
}

}  // namespace

bool IcecastServer::Installed() { return OnPath("icecast2") && OnPath("ffmpeg"); }

IcecastServer::IcecastServer() {
  const std::filesystem::path logFolder = folder_ / "log";
  std::filesystem::create_directories(logFolder);
  // The server writes its logs as nobody once it has dropped root.
  ::chmod(folder_.path().c_str(), 0755);
  ::chmod(logFolder.c_str(), 0777);
  // The free port may be taken by someone else before the server binds it: then it exits, and a
  // new port is tried.
  for (int attempt = 0; attempt < 3 && pid_ < 0; ++attempt) Start(FreePort());
}

void IcecastServer::Start(int port) {
  port_ = port;
  const std::filesystem::path config = folder_ / "icecast.xml";
  WriteBytes(config, Configuration(port_, folder_ / "log"));
  pid_ = SpawnLogged({"icecast2", "-c", config.string()}, (folder_ / "server.out").string());
  if (pid_ < 0) return;
  httplib::Client client("127.0.0.1", port_);
  client.set_connection_timeout(0, 200000);
  client.set_read_timeout(1, 0);
  const bool answered = WaitUntil(
      [&] {
        if (!Alive()) return true;
        const auto result = client.Get("/status-json.xsl");
        return result && result->status == 200;
      },
      kStartTimeoutMs, kStatusPollMs);
  if (pid_ < 0) return;
  if (!answered) {
    StopProcess(pid_, kStopTimeout);
    pid_ = -1;
    return;
  }
  // A server that falls over just after its first answer is no use to a test.
  std::this_thread::sleep_for(kSettleTime);
  Alive();
}

bool IcecastServer::Alive() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t done = ::waitpid(pid_, &status, WNOHANG);
  if (done == 0) return true;
  std::string how = "was lost";
  if (done == pid_ && WIFSIGNALED(status)) how = "died of signal " + std::to_string(WTERMSIG(status));
  if (done == pid_ && WIFEXITED(status)) how = "exited with status " + std::to_string(WEXITSTATUS(status));
  deaths_ += "[fixture] icecast2 on port " + std::to_string(port_) + " " + how + "\n";
  pid_ = -1;
  return false;
}

bool IcecastServer::Revive() {
  if (Alive()) return true;
  for (int attempt = 0; attempt < 3 && pid_ < 0; ++attempt) Start(port_);
  return pid_ > 0;
}

IcecastServer::~IcecastServer() { Stop(); }

void IcecastServer::Stop() {
  for (const pid_t source : sources_) {
    if (source > 0) StopProcess(source, kStopTimeout);
  }
  sources_.clear();
  if (pid_ > 0) StopProcess(pid_, kStopTimeout);
  pid_ = -1;
}

std::string IcecastServer::Url(const std::string& mount) const {
  return "http://127.0.0.1:" + std::to_string(port_) + mount;
}

int IcecastServer::StartSource(const std::string& mount, const std::filesystem::path& input,
                               Format format, const std::string& title, bool loop) {
  std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-loglevel", "error", "-re"};
  if (loop) argv.insert(argv.end(), {"-stream_loop", "-1"});
  argv.insert(argv.end(), {"-i", input.string(), "-metadata", "title=" + title});
  if (format == Format::Mp3) {
    argv.insert(argv.end(), {"-c:a", "libmp3lame", "-b:a", "128k", "-content_type", "audio/mpeg",
                             "-f", "mp3"});
  } else {
    argv.insert(argv.end(), {"-c:a", "libvorbis", "-b:a", "96k", "-content_type",
                             "application/ogg", "-f", "ogg"});
  }
  argv.push_back("icecast://source:" + std::string(kSourcePassword) + "@127.0.0.1:" +
                 std::to_string(port_) + mount);
  // A source that fails on a server that is still up is the test's business; a server that died
  // under it gets one second chance.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!Revive()) return -1;
    if (TrySource(argv, mount)) {
      if (format == Format::Mp3 && !title.empty()) SetTitle(mount, title);
      return static_cast<int>(sources_.size() - 1);
    }
    if (Alive()) return -1;
  }
  return -1;
}

bool IcecastServer::TrySource(const std::vector<std::string>& argv, const std::string& mount) {
  const pid_t pid = SpawnLogged(argv, (folder_ / "sources.out").string());
  if (pid < 0) return false;
  sources_.push_back(pid);
  WaitUntil([&] { return !Alive() || MountLive(mount); }, kStartTimeoutMs, kStatusPollMs);
  if (pid_ > 0 && MountLive(mount)) return true;
  StopProcess(pid, kStopTimeout);
  sources_.back() = -1;
  return false;
}

void IcecastServer::StopSource(int source) {
  if (source < 0 || static_cast<size_t>(source) >= sources_.size() || sources_[source] <= 0) return;
  StopProcess(sources_[source], kStopTimeout);
  sources_[source] = -1;
}

bool IcecastServer::SetTitle(const std::string& mount, const std::string& title) {
  httplib::Client client("127.0.0.1", port_);
  client.set_connection_timeout(1, 0);
  client.set_read_timeout(2, 0);
  client.set_basic_auth("admin", kAdminPassword);
  const httplib::Params params = {{"mount", mount}, {"mode", "updinfo"}, {"song", title}};
  const auto result = client.Get("/admin/metadata", params, httplib::Headers{});
  return result && result->status == 200 &&
         result->body.find("successful") != std::string::npos;
}

bool IcecastServer::MountLive(const std::string& mount) const {
  httplib::Client client("127.0.0.1", port_);
  client.set_connection_timeout(1, 0);
  client.set_read_timeout(2, 0);
  const auto result = client.Get("/status-json.xsl");
  return result && result->status == 200 &&
         result->body.find("\"listenurl\":\"" + Url(mount) + "\"") != std::string::npos;
}

std::string IcecastServer::Log() const {
  std::string log = deaths_;
  for (const char* name : {"log/error.log", "server.out", "sources.out"}) {
    if (std::filesystem::exists(folder_ / name)) log += ReadBytes(folder_ / name);
  }
  return log;
}

}  // namespace audiofixtures
