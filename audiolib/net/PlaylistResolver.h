// Playlist addresses (.pls, .m3u): the stream address a playlist names first.
#pragma once

#include <string>
#include <string_view>

namespace audiolib {

struct DownloadSettings;

// Creating thread; no state.
class PlaylistResolver {
 public:
  // The address's path (before any query) ends in .pls, .m3u or .m3u8 (any case).
  static bool IsPlaylistAddress(std::string_view url);
  // A media type that servers give playlists (audio/x-scpls, audio/x-mpegurl, ...).
  static bool IsPlaylistMediaType(std::string_view mediaType);

  // Fetches the playlist at `settings.url` (at most 64 KiB, within `settings.connectTimeoutMs`)
  // and returns its first entry. Throws AudioError: FILEOPEN (no connection, an error status, no
  // entry, too large), TIMEOUT, SSL.
  static std::string Resolve(const DownloadSettings& settings);
  // The first entry of a playlist text: "File1=" (else the lowest-numbered FileN=) of a .pls, the
  // first line that is no comment of an .m3u. A relative entry is taken relative to `baseUrl`.
  // "" when there is none.
  static std::string FirstEntry(std::string_view text, std::string_view baseUrl);
};

}  // namespace audiolib
