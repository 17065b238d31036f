// An HTTP server on 127.0.0.1 (a free port) that serves what a test scripts: audio bytes at a
// rate with ICY metadata blocks, stalls, dropped connections, error statuses, a server that
// accepts and never answers, oversized headers, playlists and other texts.
//
// The server runs on its own threads from construction until destruction; the destructor ends
// every response in progress (also a stalled or silent one) and joins them. Serve* calls may be
// made before or while clients connect; Resume from any thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}

namespace audiofixtures {

// What one address serves.
struct StreamScript {
  static constexpr size_t kNever = ~size_t{0};
  std::string contentType = "audio/mpeg";
  std::string body;              // the audio bytes
  bool endless = false;          // repeat `body` for ever
  size_t bytesPerSecond = 0;     // pace of the audio bytes; 0 as fast as the client takes them
  // ICY metadata (only for a request with "Icy-MetaData: 1"): a block after every so many audio
  // bytes; block k carries `titles[k]` as StreamTitle='...'; (an empty block after the last), or
  // `rawBlocks[k]` sent exactly as given (its length byte included) when that is set.
  size_t metaIntervalBytes = 0;
  std::vector<std::string> titles;
  std::vector<std::string> rawBlocks;
  size_t stallAtBytes = kNever;  // after that many audio bytes send nothing until Resume()
  size_t dropAtBytes = kNever;   // after that many audio bytes close the connection
  std::vector<std::pair<std::string, std::string>> headers;  // extra response headers
};

class LoopbackHttpServer {
 public:
  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" + path.
  std::string Url(const std::string& path) const;

  void Serve(const std::string& path, StreamScript script);
  // A fixed body (a playlist, a page) with a status and media type.
  void ServeText(const std::string& path, int status, const std::string& contentType,
                 const std::string& body);
  // Accepts the request and never answers it (until the server goes).
  void ServeNothing(const std::string& path);
  // A 200 response whose headers hold `headerBytes` bytes of padding lines.
  void ServeHugeHeader(const std::string& path, size_t headerBytes);
  // A redirect (302) to another path of this server.
  void ServeRedirect(const std::string& path, const std::string& toPath);

  // Stalled responses go on.
  void Resume();
  // Requests received for `path` so far, and the value of `header` in the last of them.
  int Requests(const std::string& path) const;
  std::string LastRequestHeader(const std::string& path, const std::string& header) const;

 private:
  class StreamBody;
  // Waits up to `ms` (0: not at all); false once the server is stopping.
  bool Sleep(int ms);
  // Waits until Resume or the server stops; false when stopping.
  bool WaitForResume();
  void NoteRequest(const std::string& path, const httplib::Request& request);
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
  // Routes live here, not in the library's table, which must not change while it serves.
  void Route(const std::string& path, Handler handler);
  void Dispatch(const httplib::Request& request, httplib::Response& response);

  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  bool resumed_ = false;
  std::map<std::string, Handler> routes_;
  std::map<std::string, int> requests_;
  std::map<std::string, std::map<std::string, std::string>> lastHeaders_;
};

// A TCP server on 127.0.0.1 (a free port) that answers each connection, one at a time, with bytes
// the test gives: for what an HTTP library will not send (an "ICY 200 OK" status line, a header
// that never ends). After the request's headers it sends `response`, then `repeat` every 10 ms
// (when not empty) until the client closes or the server goes; then it closes the connection.
// The destructor stops the accepting thread, also in the middle of a connection.
class RawLoopbackServer {
 public:
  explicit RawLoopbackServer(std::string response, std::string repeat = "");
  ~RawLoopbackServer();
  RawLoopbackServer(const RawLoopbackServer&) = delete;
  RawLoopbackServer& operator=(const RawLoopbackServer&) = delete;

  std::string Url(const std::string& path) const;

 private:
  void Run();
  void Answer(int connection);
  bool Stopping() const;

  const std::string response_;
  const std::string repeat_;
  int listener_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace audiofixtures
