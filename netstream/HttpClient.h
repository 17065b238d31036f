// The HTTP client of the network stream client: one GET at a time on a libcurl easy handle, for
// podcast feeds and artwork (the audio itself comes through the audio library's URL streams).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Exception.h"

// Any failure of a request: no connection, a time-out, TLS, an HTTP error status, a transfer
// aborted by Disconnect. The text says which.
class EHTTPClientError : public Exception {
 public:
  using Exception::Exception;
};

enum class TWorkMode { wmRead, wmWrite };

// One request at a time, on the calling thread (Get blocks until the transfer ends). The events
// run on that thread during Get; Disconnect may be called from them (or from any other thread)
// to abort the transfer, which then fails with EHTTPClientError.
class THTTPClient {
 public:
  THTTPClient();
  ~THTTPClient();
  THTTPClient(const THTTPClient&) = delete;
  THTTPClient& operator=(const THTTPClient&) = delete;

  // Connection set-up (TCP and TLS) limit; 0 means libcurl's own.
  int ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(int timeoutMs) { FConnectTimeout = timeoutMs; }
  // No data for this long (response headers or body) ends the request; 0 never.
  int ReadTimeout() const { return FReadTimeout; }
  void SetReadTimeout(int timeoutMs) { FReadTimeout = timeoutMs; }
  // Free for the user: the download guards keep the request's byte limit here.
  int64_t Tag() const { return FTag; }
  void SetTag(int64_t tag) { FTag = tag; }
  const std::string& UserAgent() const { return FUserAgent; }
  void SetUserAgent(const std::string& userAgent) { FUserAgent = userAgent; }

  // Body start: the length the server announced in bytes (0 when it announced none).
  std::function<void(THTTPClient& ASender, TWorkMode AWorkMode, int64_t AWorkCountMax)>
      OnWorkBegin;
  // Each block of body received: the bytes received so far.
  std::function<void(THTTPClient& ASender, TWorkMode AWorkMode, int64_t AWorkCount)> OnWork;

  // Fetches `url` (http or https; redirects followed, at most 5) and returns the body of the
  // final response. Throws EHTTPClientError on any failure; the body is then discarded.
  std::string Get(const std::string& url);
  // Aborts the running transfer (Get then throws); any thread, also from the events.
  void Disconnect();
  // The status code of the last response (0 when none came).
  int ResponseCode() const { return FResponseCode; }

 private:
  struct Transfer;
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, int64_t downTotal, int64_t downNow, int64_t upTotal,
                        int64_t upNow);

  int FConnectTimeout = 25000;
  int FReadTimeout = 25000;
  int64_t FTag = 0;
  std::string FUserAgent;
  int FResponseCode = 0;
  std::atomic<bool> FDisconnected{false};
};

// The guards of a download: both disconnect the sender, the one once more than the limit in its
// Tag has arrived, the other when the server announces no length. Attach them to a client with
// AttachLimit / AttachLengthRequired.
class THTTPEventClass {
 public:
  static void OnHTTPWork(THTTPClient& ASender, TWorkMode AWorkMode, int64_t AWorkCount);
  static void OnHTTPWorkBegin(THTTPClient& ASender, TWorkMode AWorkMode, int64_t AWorkCountMax);

  // Keeps `limitBytes` in the client's Tag and hooks OnHTTPWork.
  static void AttachLimit(THTTPClient& client, int64_t limitBytes);
  // Hooks OnHTTPWorkBegin.
  static void AttachLengthRequired(THTTPClient& client);
};

// The user agent every request of the client sends.
extern const char* const kHttpClientUserAgent;

// A client with this program's settings: TLS 1.0 and later, connect and read time-outs of
// 25000 ms, redirects followed, kHttpClientUserAgent. Throws EHTTPClientError when libcurl
// cannot be set up.
std::unique_ptr<THTTPClient> CreateHTTPClient();
