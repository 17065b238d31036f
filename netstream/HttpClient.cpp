#include "netstream/HttpClient.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>

#include "audiolib/net/HttpDownload.h"

const char* const kHttpClientUserAgent =
    "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";

namespace {

using Clock = std::chrono::steady_clock;

struct EasyHandle {
  CURL* easy = curl_easy_init();
  ~EasyHandle() {
    if (easy) curl_easy_cleanup(easy);
  }
};

}  // namespace

// What the callbacks of one Get share with it; lives on Get's stack frame.
struct THTTPClient::Transfer {
  Transfer(THTTPClient& owner, CURL* handle) : client(owner), easy(handle) {}
  THTTPClient& client;
  CURL* easy;
  std::string body;
  bool bodyStarted = false;
  bool readTimedOut = false;
  int64_t lastCount = -1;
  Clock::time_point lastDataTime = Clock::now();
};

THTTPClient::THTTPClient() = default;
THTTPClient::~THTTPClient() = default;

void THTTPClient::Disconnect() { FDisconnected = true; }

std::string THTTPClient::Get(const std::string& url) {
  try {
    audiolib::HttpDownload::InitCurl();
  } catch (const std::exception&) {
    throw EHTTPClientError("The HTTP client could not be set up.");
  }
  EasyHandle handle;
  if (!handle.easy) throw EHTTPClientError("The HTTP client could not be set up.");
  FResponseCode = 0;
  FDisconnected = false;
  Transfer transfer(*this, handle.easy);

  audiolib::DownloadSettings settings;
  settings.url = url;
  settings.userAgent = FUserAgent;
  audiolib::HttpDownload::ApplyRequestOptions(handle.easy, settings);
  if (FConnectTimeout > 0) {
    curl_easy_setopt(handle.easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(FConnectTimeout));
  }
  curl_easy_setopt(handle.easy, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_0));
  // An error status ends the request before its body: no events for an error page.
  curl_easy_setopt(handle.easy, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(handle.easy, CURLOPT_WRITEFUNCTION, &THTTPClient::OnBody);
  curl_easy_setopt(handle.easy, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(handle.easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle.easy, CURLOPT_XFERINFOFUNCTION, &THTTPClient::OnProgress);
  curl_easy_setopt(handle.easy, CURLOPT_XFERINFODATA, &transfer);

  const CURLcode result = curl_easy_perform(handle.easy);
  long status = 0;
  curl_easy_getinfo(handle.easy, CURLINFO_RESPONSE_CODE, &status);
  FResponseCode = static_cast<int>(status);

  if (result == CURLE_OK && !transfer.bodyStarted) {
    // An empty body still announces its length (none, or 0) to the guards.
    OnBody(nullptr, 1, 0, &transfer);
  }
  if (transfer.readTimedOut) throw EHTTPClientError("Read timed out: " + url);
  if (FDisconnected) throw EHTTPClientError("Transfer aborted by the client: " + url);
  if (result == CURLE_HTTP_RETURNED_ERROR) {
    throw EHTTPClientError("HTTP error " + std::to_string(status) + ": " + url);
  }
  if (result != CURLE_OK) {
    throw EHTTPClientError(std::string(curl_easy_strerror(result)) + ": " + url);
  }
  return std::move(transfer.body);
}

size_t THTTPClient::OnBody(char* data, size_t size, size_t count, void* self) {
  auto& transfer = *static_cast<Transfer*>(self);
  THTTPClient& client = transfer.client;
  const size_t bytes = size * count;
  if (!transfer.bodyStarted) {
    transfer.bodyStarted = true;
    curl_off_t announced = -1;
    curl_easy_getinfo(transfer.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (client.OnWorkBegin) client.OnWorkBegin(client, TWorkMode::wmRead, announced > 0 ? announced : 0);
  }
  if (client.FDisconnected) return CURL_WRITEFUNC_ERROR;
  if (bytes == 0) return 0;
  transfer.body.append(data, bytes);
  transfer.lastDataTime = Clock::now();
  if (client.OnWork) client.OnWork(client, TWorkMode::wmRead, static_cast<int64_t>(transfer.body.size()));
  return client.FDisconnected ? CURL_WRITEFUNC_ERROR : bytes;
}

int THTTPClient::OnProgress(void* self, int64_t, int64_t downNow, int64_t, int64_t) {
  auto& transfer = *static_cast<Transfer*>(self);
  THTTPClient& client = transfer.client;
  if (client.FDisconnected) return 1;
  const Clock::time_point now = Clock::now();
  if (downNow != transfer.lastCount) {
    transfer.lastCount = downNow;
    transfer.lastDataTime = now;
  } else if (client.FReadTimeout > 0 &&
             now - transfer.lastDataTime > std::chrono::milliseconds(client.FReadTimeout)) {
    transfer.readTimedOut = true;
    return 1;
  }
  return 0;
}

void THTTPEventClass::OnHTTPWork(THTTPClient& ASender, TWorkMode, int64_t AWorkCount) {
  if (AWorkCount > ASender.Tag()) ASender.Disconnect();
}

void THTTPEventClass::OnHTTPWorkBegin(THTTPClient& ASender, TWorkMode, int64_t AWorkCountMax) {
  if (AWorkCountMax == 0) ASender.Disconnect();
}

void THTTPEventClass::AttachLimit(THTTPClient& client, int64_t limitBytes) {
  client.SetTag(limitBytes);
  client.OnWork = &THTTPEventClass::OnHTTPWork;
}

void THTTPEventClass::AttachLengthRequired(THTTPClient& client) {
  client.OnWorkBegin = &THTTPEventClass::OnHTTPWorkBegin;
}

std::unique_ptr<THTTPClient> CreateHTTPClient() {
  auto client = std::make_unique<THTTPClient>();
  client->SetConnectTimeout(25000);
  client->SetReadTimeout(25000);
  client->SetUserAgent(kHttpClientUserAgent);
  return client;
}
