// Cover pictures of SHOUTcast v2 streams: where they are and how they are fetched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Byte limit of an artwork download; a larger picture is dropped.
constexpr int64_t kArtworkLimitBytes = 16777216;

// The artwork address for a stream address ("" when the stream has none). Anything from " #" on
// is dropped; "listen.pls" (any case, first occurrence) becomes "playingart"; otherwise an address
// ending in "/", "\" or a digit gets "playingart?sid=1" (after a "/" when it has none).
std::string ArtworkAddress(const std::string& streamUrl);

// Fetches with the artwork limits (16777216 bytes; abort when no length is announced); false on any HTTP error.
// `picture` is replaced only on success. Blocks the calling thread (connect and read time-outs
// 25000 ms); any thread.
bool FetchArtwork(const std::string& address, std::vector<uint8_t>& picture);
