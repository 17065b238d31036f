#include "audiolib/net/HttpDownload.h"

#include <curl/curl.h>

#include "audiolib/api/ErrorState.h"
#include "audiolib/net/ByteRing.h"
#include "audiolib/net/IcyMetadataParser.h"
#include "audiolib/net/OggCommentReader.h"
#include "audiolib/net/StreamTags.h"

namespace audiolib {

namespace {

constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr long kBodyBlockBytes = CURL_MAX_WRITE_SIZE;
constexpr int kPollMs = 100;
constexpr int kPausedPollMs = 20;  // how soon a full ring that has drained is noticed

int ErrorCodeOf(CURLcode result) {
  switch (result) {
    case CURLE_OK: return BASS_OK;
    case CURLE_OPERATION_TIMEDOUT: return BASS_ERROR_TIMEOUT;
    case CURLE_UNSUPPORTED_PROTOCOL: return BASS_ERROR_PROTOCOL;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED: return BASS_ERROR_SSL;
    case CURLE_OUT_OF_MEMORY: return BASS_ERROR_MEM;
    default: return BASS_ERROR_FILEOPEN;
  }
}

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - since)
                              .count());
}

}  // namespace

void HttpDownload::InitCurl() {
  static const bool initialised = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
  if (!initialised) throw AudioError(BASS_ERROR_NONET);
}

struct HttpDownload::Transfer {
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* requestHeaders = nullptr;
  curl_slist* okAliases = nullptr;

  ~Transfer() {
    if (multi && easy) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    curl_slist_free_all(requestHeaders);
    curl_slist_free_all(okAliases);
  }
};

HttpDownload::HttpDownload(DownloadSettings settings, ByteRing& ring, StreamTags& tags,
                           DOWNLOADPROC* proc, void* user)
    : settings_(std::move(settings)),
      ring_(ring),
      tags_(tags),
      proc_(proc),
      user_(user),
      startTime_(std::chrono::steady_clock::now()) {
  InitCurl();
  transferOwner_ = std::make_unique<Transfer>();
  Transfer& t = *transferOwner_;
  t.multi = curl_multi_init();
  t.easy = curl_easy_init();
  if (!t.multi || !t.easy) throw AudioError(BASS_ERROR_MEM);
  CURL* easy = t.easy;
  ApplyRequestOptions(easy, settings_);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connectTimeoutMs));
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kBodyBlockBytes);
  if (settings_.offsetBytes > 0) {
    curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE,
                     static_cast<curl_off_t>(settings_.offsetBytes));
  }
  t.requestHeaders = curl_slist_append(nullptr, "Icy-MetaData: 1");
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t.requestHeaders);
  // SHOUTcast servers answer "ICY 200 OK" instead of an HTTP status line.
  t.okAliases = curl_slist_append(nullptr, "ICY 200 OK");
  curl_easy_setopt(easy, CURLOPT_HTTP200ALIASES, t.okAliases);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpDownload::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpDownload::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  if (curl_multi_add_handle(t.multi, easy) != CURLM_OK) throw AudioError(BASS_ERROR_MEM);
  lastDataTime_ = startTime_;
  thread_ = std::thread([this] { Run(); });
}

HttpDownload::~HttpDownload() { Stop(); }

void HttpDownload::ApplyRequestOptions(void* easy, const DownloadSettings& settings) {
  curl_easy_setopt(easy, CURLOPT_URL, settings.url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  // The library has its own settings; proxies from the environment are not used.
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  if (!settings.userAgent.empty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, settings.userAgent.c_str());
}

void HttpDownload::Stop() {
  stopRequested_ = true;
  if (transferOwner_) curl_multi_wakeup(transferOwner_->multi);
  if (thread_.joinable()) thread_.join();
}

DownloadResponse HttpDownload::WaitForResponse() {
  std::unique_lock lock(mutex_);
  const bool answered =
      responded_.wait_until(lock, startTime_ + std::chrono::milliseconds(settings_.connectTimeoutMs),
                            [this] { return responseReady_ || finished_; });
  DownloadResponse response;
  response.headers = headers_;
  // Once the response has come, a later failure only ends the stream early.
  if (!answered) {
    response.errorCode = BASS_ERROR_TIMEOUT;
  } else if (!responseReady_) {
    response.errorCode = errorCode_ != BASS_OK ? errorCode_ : BASS_ERROR_FILEOPEN;
  }
  return response;
}

int HttpDownload::ErrorCode() const {
  std::lock_guard lock(mutex_);
  return errorCode_;
}

bool HttpDownload::ReadTimedOut() const {
  if (paused_) return false;
  if (!bodyStarted_) return ElapsedMs(startTime_) > settings_.connectTimeoutMs;
  return settings_.readTimeoutMs > 0 && ElapsedMs(lastDataTime_) > settings_.readTimeoutMs;
}

void HttpDownload::Run() {
  Transfer& t = *transferOwner_;
  int errorCode = BASS_OK;
  bool ended = false;
  while (!stopRequested_ && !ended) {
    if (paused_ && ring_.CanWrite()) {
      paused_ = false;
      lastDataTime_ = std::chrono::steady_clock::now();
      curl_easy_pause(t.easy, CURLPAUSE_CONT);  // may deliver the held block at once
    }
    int running = 0;
    if (curl_multi_perform(t.multi, &running) != CURLM_OK) {
      errorCode = BASS_ERROR_FILEOPEN;
      break;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(t.multi, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      ended = true;
      std::lock_guard lock(mutex_);
      // A failure the callbacks noted (error status, header too long) wins over curl's own.
      if (errorCode_ == BASS_OK) errorCode = ErrorCodeOf(message->data.result);
    }
    if (ended) break;
    if (ReadTimedOut()) {
      errorCode = BASS_ERROR_TIMEOUT;
      break;
    }
    curl_multi_poll(t.multi, nullptr, 0, paused_ ? kPausedPollMs : kPollMs, nullptr);
  }
  Finish(errorCode);
  if (proc_ && ended && bodyStarted_ && !stopRequested_) proc_(nullptr, 0, user_);
}

void HttpDownload::Finish(int errorCode) {
  connected_ = false;
  {
    // The reason first: a reader woken by the ring's end asks why the data stopped.
    std::lock_guard lock(mutex_);
    if (errorCode_ == BASS_OK) errorCode_ = errorCode;
  }
  ring_.MarkEnd();
  std::lock_guard lock(mutex_);
  finished_ = true;
  responded_.notify_all();
}

size_t HttpDownload::OnHeader(char* data, size_t size, size_t count, void* self) {
  return static_cast<HttpDownload*>(self)->HandleHeader(data, size * count);
}

size_t HttpDownload::OnBody(char* data, size_t size, size_t count, void* self) {
  return static_cast<HttpDownload*>(self)->HandleBody(reinterpret_cast<const uint8_t*>(data),
                                                      size * count);
}

size_t HttpDownload::HandleHeader(const char* data, size_t bytes) {
  headerBytes_ += bytes;
  std::unique_lock lock(mutex_);
  if (headerBytes_ > kMaxHeaderBytes) {
    errorCode_ = BASS_ERROR_FILEOPEN;
    return 0;  // aborts the transfer
  }
  std::string_view line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (!line.empty()) {
    headers_.AddLine(line);
    return bytes;
  }
  // The end of one response's headers. Interim and redirect responses are followed by another.
  const int status = headers_.StatusCode();
  headerBytes_ = 0;
  if (status >= 100 && status < 200) return bytes;
  if (status >= 300 && status < 400 && !headers_.Value("Location").empty()) return bytes;
  // The header text goes to the procedure before any data, and before the creator learns of an
  // error status.
  if (settings_.deliverHeaderText && proc_) {
    const std::string text = headers_.TagText();
    lock.unlock();
    proc_(text.data(), 0, user_);
    lock.lock();
  }
  const bool failed = status >= 400 || status < 100;
  if (failed) errorCode_ = BASS_ERROR_FILEOPEN;
  responseReady_ = !failed;
  responded_.notify_all();
  return failed ? 0 : bytes;
}

void HttpDownload::StartBody() {
  ResponseHeaders headers;
  {
    std::lock_guard lock(mutex_);
    headers = headers_;
  }
  tags_.SetHeaders(headers.IsIcy() ? BASS_TAG_ICY : BASS_TAG_HTTP, headers.TagText());
  const size_t interval = IcyMetadataParser::ParseInterval(headers.Value("icy-metaint"));
  icy_ = std::make_unique<IcyMetadataParser>(
      interval, [this](const uint8_t* data, size_t bytes) { HandleAudio(data, bytes); },
      [this](const std::string& text) { tags_.SetMeta(text); });
  ogg_ = std::make_unique<OggCommentReader>(
      [this](const OggCommentReader::Comments& comments) { tags_.SetOggComments(comments); });
  bodyStarted_ = true;
}

size_t HttpDownload::HandleBody(const uint8_t* data, size_t bytes) {
  if (stopRequested_) return 0;
  {
    std::lock_guard lock(mutex_);
    if (errorCode_ != BASS_OK) return 0;  // the body of an error status: stop
    if (!responseReady_) return bytes;    // the body of a redirect: not ours
  }
  if (!bodyStarted_) StartBody();
  // A block is taken whole or not at all: the ICY parser must see each byte once.
  if (!ring_.CanWrite()) {
    paused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  lastDataTime_ = std::chrono::steady_clock::now();
  icy_->Feed(data, bytes);
  return bytes;
}

void HttpDownload::HandleAudio(const uint8_t* data, size_t bytes) {
  // Tags first: once the decoder has the bytes that carry them, they are there to read.
  ogg_->Feed(data, bytes);
  ring_.Write(data, bytes);
  if (proc_) proc_(data, static_cast<DWORD>(bytes), user_);
}

}  // namespace audiolib
