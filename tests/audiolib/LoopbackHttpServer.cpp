#include "LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <chrono>

namespace audiofixtures {

namespace {

constexpr int kSliceMs = 20;
constexpr size_t kUnpacedSliceBytes = 16 * 1024;

std::string TitleBlock(const std::string& title) {
  std::string text = "StreamTitle='" + title + "';";
  const size_t units = (text.size() + 15) / 16;
  text.resize(units * 16, '\0');
  return std::string(1, static_cast<char>(units)) + text;
}

}  // namespace

// Produces one response's bytes: audio from the script with metadata blocks between.
class LoopbackHttpServer::StreamBody {
 public:
  StreamBody(LoopbackHttpServer& server, const StreamScript& script, bool withMetadata)
      : server_(server), script_(script), withMetadata_(withMetadata && script.metaIntervalBytes > 0) {}

  // One slice; false to end the response (done, dropped or the server stopping).
  bool Next(httplib::DataSink& sink) {
    if (audioSent_ >= script_.dropAtBytes) return false;
    if (audioSent_ >= script_.stallAtBytes && !server_.WaitForResume()) return false;
    const size_t slice = script_.bytesPerSecond > 0
                             ? std::max<size_t>(1, script_.bytesPerSecond * kSliceMs / 1000)
                             : kUnpacedSliceBytes;
    std::string out;
    size_t audio = std::min(slice, script_.dropAtBytes - audioSent_);
    if (audioSent_ < script_.stallAtBytes) audio = std::min(audio, script_.stallAtBytes - audioSent_);
    while (audio > 0) {
      if (!script_.endless && bodyOffset_ >= script_.body.size()) break;
      bodyOffset_ %= script_.body.size();
      size_t n = std::min(audio, script_.body.size() - bodyOffset_);
      if (withMetadata_) n = std::min(n, script_.metaIntervalBytes - sinceBlock_);
      out.append(script_.body, bodyOffset_, n);
      bodyOffset_ += n;
      audioSent_ += n;
      audio -= n;
      sinceBlock_ += n;
      if (withMetadata_ && sinceBlock_ == script_.metaIntervalBytes) {
        out += NextBlock();
        sinceBlock_ = 0;
      }
    }
    if (!out.empty() && !sink.write(out.data(), out.size())) return false;
    if (!script_.endless && bodyOffset_ >= script_.body.size()) {
      sink.done();
      return true;
    }
    return script_.bytesPerSecond == 0 || server_.Sleep(kSliceMs);
  }

 private:
  std::string NextBlock() {
    const size_t k = blocksSent_++;
    if (k < script_.rawBlocks.size() && !script_.rawBlocks[k].empty()) return script_.rawBlocks[k];
    if (k < script_.titles.size()) return TitleBlock(script_.titles[k]);
    return std::string(1, '\0');
  }

  LoopbackHttpServer& server_;
  const StreamScript script_;
  const bool withMetadata_;
  size_t bodyOffset_ = 0;
  size_t audioSent_ = 0;
  size_t sinceBlock_ = 0;
  size_t blocksSent_ = 0;
};

LoopbackHttpServer::LoopbackHttpServer() : server_(std::make_unique<httplib::Server>()) {
  // A client whose buffer is full stops reading for a while; that is not a dead client.
  server_->set_write_timeout(30, 0);
  server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    Dispatch(request, response);
  });
  port_ = server_->bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // Bounded: listen_after_bind sets the flag at once unless the bind above failed.
  for (int i = 0; i < 500 && port_ > 0 && !server_->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

LoopbackHttpServer::~LoopbackHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
  }
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHttpServer::Route(const std::string& path, Handler handler) {
  std::lock_guard lock(mutex_);
  routes_[path] = std::move(handler);
}

void LoopbackHttpServer::Dispatch(const httplib::Request& request, httplib::Response& response) {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    const auto route = routes_.find(request.path);
    if (route != routes_.end()) handler = route->second;
  }
  if (handler) {
    handler(request, response);
  } else {
    response.status = 404;
  }
}

bool LoopbackHttpServer::Sleep(int ms) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
  return !stopping_;
}

bool LoopbackHttpServer::WaitForResume() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stopping_ || resumed_; });
  return !stopping_;
}

void LoopbackHttpServer::Resume() {
  std::lock_guard lock(mutex_);
  resumed_ = true;
  changed_.notify_all();
}

void LoopbackHttpServer::NoteRequest(const std::string& path, const httplib::Request& request) {
  std::lock_guard lock(mutex_);
  ++requests_[path];
  auto& last = lastHeaders_[path];
  last.clear();
  for (const auto& [name, value] : request.headers) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    last[lower] = value;
  }
}

int LoopbackHttpServer::Requests(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const auto it = requests_.find(path);
  return it == requests_.end() ? 0 : it->second;
}

std::string LoopbackHttpServer::LastRequestHeader(const std::string& path,
                                                  const std::string& header) const {
  std::string lower = header;
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  std::lock_guard lock(mutex_);
  const auto it = lastHeaders_.find(path);
  if (it == lastHeaders_.end()) return {};
  const auto value = it->second.find(lower);
  return value == it->second.end() ? std::string() : value->second;
}

void LoopbackHttpServer::Serve(const std::string& path, StreamScript script) {
  Route(path, [this, path, script](const httplib::Request& request, httplib::Response& response) {
    NoteRequest(path, request);
    const bool withMetadata = request.get_header_value("Icy-MetaData") == "1";
    for (const auto& [name, value] : script.headers) response.set_header(name, value);
    if (withMetadata && script.metaIntervalBytes > 0) {
      response.set_header("icy-metaint", std::to_string(script.metaIntervalBytes));
    }
    auto body = std::make_shared<StreamBody>(*this, script, withMetadata);
    response.set_chunked_content_provider(
        script.contentType, [body](size_t, httplib::DataSink& sink) { return body->Next(sink); });
  });
}

void LoopbackHttpServer::ServeText(const std::string& path, int status,
                                   const std::string& contentType, const std::string& body) {
  Route(path, [this, path, status, contentType, body](const httplib::Request& request,
                                                              httplib::Response& response) {
    NoteRequest(path, request);
    response.status = status;
    response.set_content(body, contentType.c_str());
  });
}

void LoopbackHttpServer::ServeNothing(const std::string& path) {
  Route(path, [this, path](const httplib::Request& request, httplib::Response&) {
    NoteRequest(path, request);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_; });
  });
}

void LoopbackHttpServer::ServeHugeHeader(const std::string& path, size_t headerBytes) {
  Route(path, [this, path, headerBytes](const httplib::Request& request,
                                               httplib::Response& response) {
    NoteRequest(path, request);
    const std::string padding(100, 'x');
    for (size_t i = 0; i * 110 < headerBytes; ++i) {
      response.set_header("X-Padding-" + std::to_string(i), padding);
    }
    response.set_content(std::string(1000, '\0'), "audio/mpeg");
  });
}

void LoopbackHttpServer::ServeRedirect(const std::string& path, const std::string& toPath) {
  Route(path, [this, path, toPath](const httplib::Request& request,
                                          httplib::Response& response) {
    NoteRequest(path, request);
    response.set_redirect(toPath);
  });
}

RawLoopbackServer::RawLoopbackServer(std::string response, std::string repeat)
    : response_(std::move(response)), repeat_(std::move(repeat)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 4) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

RawLoopbackServer::~RawLoopbackServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) ::close(listener_);
}

std::string RawLoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool RawLoopbackServer::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

void RawLoopbackServer::Run() {
  while (!Stopping()) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, kSliceMs) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Answer(connection);
    ::close(connection);
  }
}

void RawLoopbackServer::Answer(int connection) {
  // The request's headers end with an empty line; a client that sends none within a second is
  // answered anyway.
  std::string request;
  char buffer[4096];
  for (int waits = 0; request.find("\r\n\r\n") == std::string::npos && waits < 50 && !Stopping();) {
    pollfd readable{connection, POLLIN, 0};
    if (::poll(&readable, 1, kSliceMs) <= 0) {
      ++waits;
      continue;
    }
    const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    request.append(buffer, static_cast<size_t>(got));
  }
  if (::send(connection, response_.data(), response_.size(), MSG_NOSIGNAL) < 0) return;
  while (!repeat_.empty() && !Stopping()) {
    if (::send(connection, repeat_.data(), repeat_.size(), MSG_NOSIGNAL) < 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace audiofixtures
