#include "audiolib/streams/UrlStream.h"

#include <algorithm>
#include <cctype>

#include "audiolib/api/Config.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/net/AvioInput.h"
#include "audiolib/net/ByteRing.h"
#include "audiolib/net/HttpDownload.h"
#include "audiolib/net/PlaylistResolver.h"
#include "audiolib/net/StreamTags.h"
#include "audiolib/streams/UrlDecoder.h"

namespace audiolib {

namespace {

constexpr int kMaxPlaylistDepth = 2;
// Room beyond the buffer's length for a block that arrives while it is just under it.
constexpr size_t kRingSlackBytes = 2 * 16384;
constexpr size_t kMinRingBytes = 4096;
constexpr size_t kMaxRingBytes = size_t{64} << 20;
constexpr uint64_t kAssumedBytesPerSecond = 16000;  // 128 kbit/s until the format says otherwise
constexpr int kHttpPartialContent = 206;

struct NetSettings {
  int connectTimeoutMs;
  int readTimeoutMs;
  DWORD bufferMs;
  DWORD prebufferPercent;
  bool followPlaylists;
  std::string userAgent;

  static NetSettings Current() {
    const Config& config = Config::Instance();
    return NetSettings{static_cast<int>(config.Get(BASS_CONFIG_NET_TIMEOUT)),
                       static_cast<int>(config.Get(BASS_CONFIG_NET_READTIMEOUT)),
                       config.Get(BASS_CONFIG_NET_BUFFER),
                       std::min<DWORD>(config.Get(BASS_CONFIG_NET_PREBUF), 100),
                       config.Get(BASS_CONFIG_NET_PLAYLIST) != 0,
                       config.Text(BASS_CONFIG_NET_AGENT)};
  }
};

size_t BufferBytes(uint64_t bytesPerSecond, DWORD bufferMs) {
  return std::clamp<size_t>(bytesPerSecond * bufferMs / 1000, kMinRingBytes, kMaxRingBytes);
}

// FFmpeg's demuxer for a response's media type; "" to probe.
std::string DemuxerFor(const std::string& mediaType) {
  if (mediaType == "audio/mpeg" || mediaType == "audio/mp3" || mediaType == "audio/mpeg3") {
    return "mp3";
  }
  if (mediaType == "application/ogg" || mediaType == "audio/ogg" || mediaType == "audio/vorbis" ||
      mediaType == "audio/opus" || mediaType == "audio/x-ogg") {
    return "ogg";
  }
  if (mediaType == "audio/aac" || mediaType == "audio/aacp" || mediaType == "audio/x-aac") {
    return "aac";
  }
  if (mediaType == "audio/flac" || mediaType == "audio/x-flac") return "flac";
  return {};
}

void RequireHttpAddress(const std::string& url) {
  std::string scheme = url.substr(0, url.find("://"));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (scheme.size() == url.size() || (scheme != "http" && scheme != "https")) {
    throw AudioError(BASS_ERROR_PROTOCOL);
  }
}

}  // namespace

struct UrlStream::Parts {
  // Declared so that what uses a part goes before it.
  std::unique_ptr<ByteRing> ring;
  std::unique_ptr<StreamTags> tags;
  std::unique_ptr<HttpDownload> download;
  std::unique_ptr<AvioInput> avio;
  std::unique_ptr<UrlDecoder> decoder;
  uint64_t offsetBytes = 0;  // the file position of the first byte received
  DWORD ctype = BASS_CTYPE_STREAM;

  ~Parts() { Stop(); }

  // Ends both threads: no more data comes in, and a decoder waiting for some gives up.
  void Stop() {
    if (download) download->Stop();
    if (ring) ring->Abort();
    if (decoder) decoder->Stop();
  }

  void OpenDecoder(const NetSettings& settings, const std::string& mediaType, DWORD flags) {
    avio = std::make_unique<AvioInput>(*ring, [this](bool waiting) {
      if (decoder) decoder->NoteWaiting(waiting);
    });
    avio->SetReadTimeoutMs(settings.readTimeoutMs > 0 ? settings.readTimeoutMs
                                                      : settings.connectTimeoutMs);
    std::unique_ptr<FileDecoder> fileDecoder;
    try {
      fileDecoder = std::make_unique<FileDecoder>(avio->context(), DemuxerFor(mediaType),
                                                  SampleFormat::TypeFromFlags(flags));
    } catch (const AudioError&) {
      // The format was not known when the data stopped: say why it stopped.
      if (avio->TimedOut()) throw AudioError(BASS_ERROR_TIMEOUT);
      if (download->ErrorCode() != BASS_OK) throw AudioError(download->ErrorCode());
      throw;
    }
    avio->SetReadTimeoutMs(-1);  // from now on the download's read time-out ends a wait
    ctype = fileDecoder->ctype();
    const uint64_t bytesPerSecond =
        fileDecoder->bitRate() > 0 ? static_cast<uint64_t>(fileDecoder->bitRate()) / 8
                                   : kAssumedBytesPerSecond;
    const size_t limitBytes = BufferBytes(bytesPerSecond, settings.bufferMs);
    ring->SetLimitBytes(limitBytes);
    ring->WaitForFill(limitBytes * settings.prebufferPercent / 100, settings.connectTimeoutMs);
    const size_t bufferFrames = fileDecoder->format().rate / 5;
    decoder = std::make_unique<UrlDecoder>(std::move(fileDecoder), bufferFrames);
  }
};

std::shared_ptr<UrlStream> UrlStream::Open(const std::string& url, DWORD offset, DWORD flags,
                                           DOWNLOADPROC* proc, void* user, int device) {
  const NetSettings settings = NetSettings::Current();
  std::string address = url;
  for (int depth = 0;; ++depth) {
    RequireHttpAddress(address);
    const DownloadSettings download{address, offset, settings.connectTimeoutMs,
                                    settings.readTimeoutMs, settings.userAgent,
                                    (flags & BASS_STREAM_STATUS) != 0};
    const bool mayFollow = settings.followPlaylists && depth < kMaxPlaylistDepth;
    if (mayFollow && PlaylistResolver::IsPlaylistAddress(address)) {
      address = PlaylistResolver::Resolve(download);
      continue;
    }
    auto parts = std::make_unique<Parts>();
    parts->ring = std::make_unique<ByteRing>(
        BufferBytes(kAssumedBytesPerSecond, settings.bufferMs), kRingSlackBytes);
    parts->tags = std::make_unique<StreamTags>();
    parts->download = std::make_unique<HttpDownload>(download, *parts->ring, *parts->tags, proc, user);
    const DownloadResponse response = parts->download->WaitForResponse();
    if (response.errorCode != BASS_OK) throw AudioError(response.errorCode);
    if (mayFollow && PlaylistResolver::IsPlaylistMediaType(response.headers.MediaType())) {
      parts.reset();
      address = PlaylistResolver::Resolve(download);
      continue;
    }
    if (offset > 0 && response.headers.StatusCode() == kHttpPartialContent) {
      parts->offsetBytes = offset;
    }
    parts->OpenDecoder(settings, response.headers.MediaType(), flags);
    return std::make_shared<UrlStream>(std::move(parts), flags, device);
  }
}

UrlStream::UrlStream(std::unique_ptr<Parts> parts, DWORD flags, int device)
    : Channel(parts->decoder->format(), flags, parts->ctype, device), parts_(std::move(parts)) {
  parts_->decoder->Start();
}

UrlStream::~UrlStream() = default;

void UrlStream::OnFreed() { parts_->Stop(); }

ReadResult UrlStream::Produce(void* buffer, size_t bytes) {
  bool ended = false;
  const size_t got = parts_->decoder->Read(buffer, bytes, ended);
  FireTagSyncs();
  return ReadResult{got, ended};
}

void UrlStream::FireTagSyncs() {
  // One sync per change, also when several came between two reads.
  const uint64_t metaChanges = parts_->tags->MetaChanges();
  for (; metaChangesSeen_ < metaChanges; ++metaChangesSeen_) {
    syncs().FireEvent(handle(), BASS_SYNC_META);
  }
  // The first comment header opens the stream; each later one is a new logical stream.
  const uint64_t oggStreams = parts_->tags->OggStreams();
  for (; oggStreamsSeen_ < oggStreams; ++oggStreamsSeen_) {
    if (oggStreamsSeen_ > 0) syncs().FireEvent(handle(), BASS_SYNC_OGG_CHANGE);
  }
}

bool UrlStream::Stalled() const { return parts_->decoder->Stalled(); }

QWORD UrlStream::FilePosition(DWORD mode) const {
  const ByteRing& ring = *parts_->ring;
  switch (mode) {
    case BASS_FILEPOS_CURRENT: return parts_->offsetBytes + ring.ReadBytes();
    case BASS_FILEPOS_DOWNLOAD: return parts_->offsetBytes + ring.WrittenBytes();
    case BASS_FILEPOS_END: return ring.LimitBytes();
    case BASS_FILEPOS_BUFFER: return ring.FillBytes();
    case BASS_FILEPOS_CONNECTED: return parts_->download->Connected() ? 1 : 0;
    case BASS_FILEPOS_WMA_BUFFER: throw AudioError(BASS_ERROR_NOTAVAIL);
    default: throw AudioError(BASS_ERROR_ILLTYPE);
  }
}

const char* UrlStream::Tags(DWORD kind) const { return parts_->tags->Find(kind); }

}  // namespace audiolib
