// The download thread of a URL stream: one libcurl transfer whose body goes, ICY metadata taken
// out, into the stream's byte ring, with the response headers and metadata going to its tags.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audiolib/audiolib.h"
#include "audiolib/net/ResponseHeaders.h"

namespace audiolib {

class ByteRing;
class StreamTags;
class IcyMetadataParser;
class OggCommentReader;

struct DownloadSettings {
  std::string url;           // http or https
  uint64_t offsetBytes = 0;  // asked of the server as a range when above 0
  int connectTimeoutMs = 5000;  // connection and complete response headers
  int readTimeoutMs = 0;        // no body data for this long ends the download; 0 never
  std::string userAgent;        // "" sends none
  bool deliverHeaderText = false;  // the procedure gets the final response's header text first
};

// What the creating thread learns from WaitForResponse.
struct DownloadResponse {
  int errorCode = BASS_OK;  // BASS_ERROR_*: FILEOPEN, TIMEOUT, SSL, PROTOCOL
  ResponseHeaders headers;  // those of the final response, also of an error status; may be empty
};

// The thread starts in the constructor and is told to stop and joined by Stop or the destructor,
// promptly (Stop wakes the transfer's wait) even while the server sends nothing. `proc` (may be
// null) gets, on the download thread, the header text (when asked), the body data and the end.
// The ring and tags belong to the caller and must outlive this object.
class HttpDownload {
 public:
  HttpDownload(DownloadSettings settings, ByteRing& ring, StreamTags& tags, DOWNLOADPROC* proc,
               void* user);
  ~HttpDownload();
  HttpDownload(const HttpDownload&) = delete;
  // Sets libcurl up once per process; throws AudioError(NONET) when it cannot.
  static void InitCurl();
  // The options every request of the library shares: the address, http and https only (also
  // after redirects, at most 5), no signals, no proxy from the environment, the user agent.
  // `easy` is a CURL* (void* here so that users of this header need not include libcurl's).
  static void ApplyRequestOptions(void* easy, const DownloadSettings& settings);
  HttpDownload& operator=(const HttpDownload&) = delete;

  // Creating thread: waits until the final response's headers are complete (a redirect is
  // followed), the transfer fails, or `settings.connectTimeoutMs` has passed (TIMEOUT). An HTTP
  // error status gives FILEOPEN with the headers.
  DownloadResponse WaitForResponse();
  // Any thread; joins the thread. The ring is marked ended.
  void Stop();
  // The body is still coming (the transfer has not ended).
  bool Connected() const { return connected_.load(); }
  // Why the transfer ended (BASS_OK while it runs or after the server ended it normally).
  int ErrorCode() const;

 private:
  struct Transfer;  // libcurl handles, used by the download thread only

  void Run();
  void Finish(int errorCode);
  bool ReadTimedOut() const;

  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  size_t HandleHeader(const char* data, size_t bytes);
  size_t HandleBody(const uint8_t* data, size_t bytes);
  void StartBody();
  void HandleAudio(const uint8_t* data, size_t bytes);

  const DownloadSettings settings_;
  ByteRing& ring_;
  StreamTags& tags_;
  DOWNLOADPROC* const proc_;
  void* const user_;
  const std::chrono::steady_clock::time_point startTime_;

  // Download thread only.
  std::unique_ptr<IcyMetadataParser> icy_;
  std::unique_ptr<OggCommentReader> ogg_;
  size_t headerBytes_ = 0;
  bool bodyStarted_ = false;
  bool paused_ = false;
  std::chrono::steady_clock::time_point lastDataTime_;

  mutable std::mutex mutex_;
  std::condition_variable responded_;
  ResponseHeaders headers_;    // guarded by mutex_
  bool responseReady_ = false;  // guarded by mutex_
  bool finished_ = false;       // guarded by mutex_
  int errorCode_ = BASS_OK;     // guarded by mutex_

  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> connected_{true};
  // Made before the thread starts and freed after it is joined, so Stop can always wake it.
  std::unique_ptr<Transfer> transferOwner_;
  std::thread thread_;
};

}  // namespace audiolib
