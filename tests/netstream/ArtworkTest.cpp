// Artwork of SHOUTcast v2 streams: the address and the guarded fetch on a loopback server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include "netstream/Artwork.h"

using audiofixtures::LoopbackHttpServer;

TEST(Artwork, AddressFollowsFromTheStreamAddress) {
  const struct {
    const char* streamUrl;
    const char* artworkUrl;
  } cases[] = {
      {"http://radio.example:8000/listen.pls?sid=1", "http://radio.example:8000/playingart?sid=1"},
      {"http://radio.example:8000/LISTEN.PLS", "http://radio.example:8000/playingart"},
      {"http://radio.example:8000/", "http://radio.example:8000/playingart?sid=1"},
      {"http://radio.example:8000", "http://radio.example:8000/playingart?sid=1"},
      {"http://radio.example/stream\\", "http://radio.example/stream\\playingart?sid=1"},
      {"http://radio.example:8000/ #Morning show", "http://radio.example:8000/playingart?sid=1"},
      {"http://radio.example:8000/listen.pls #Station", "http://radio.example:8000/playingart"},
      {"http://radio.example:8000/stream.aac", ""},
      {"http://radio.example:8000/stream #8", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ArtworkAddress(c.streamUrl), c.artworkUrl) << c.streamUrl;
  }
}

TEST(Artwork, FetchReplacesThePictureWithTheBody) {
  LoopbackHttpServer server;
  const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  server.ServeText("/playingart", 200, "image/png", png);
  server.ServeRedirect("/moved", "/playingart");
  std::vector<uint8_t> picture = {1, 2, 3};

  ASSERT_TRUE(FetchArtwork(server.Url("/moved"), picture));
  EXPECT_EQ(std::string(picture.begin(), picture.end()), png);
  EXPECT_EQ(server.LastRequestHeader("/playingart", "User-Agent"),
            "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)");
}

TEST(Artwork, BodyOverTheLimitWithoutLengthOrWithAnErrorIsRejected) {
  LoopbackHttpServer server;
  server.ServeText("/limit", 200, "image/jpeg", std::string(kArtworkLimitBytes, 'j'));
  server.ServeText("/huge", 200, "image/jpeg", std::string(kArtworkLimitBytes + 1, 'j'));
  audiofixtures::StreamScript chunked;  // no Content-Length
  chunked.contentType = "image/jpeg";
  chunked.body = "jpeg";
  server.Serve("/chunked", chunked);
  server.ServeText("/missing", 404, "text/html", "no art");

  std::vector<uint8_t> picture;
  EXPECT_TRUE(FetchArtwork(server.Url("/limit"), picture));
  EXPECT_EQ(picture.size(), static_cast<size_t>(kArtworkLimitBytes));

  for (const char* path : {"/huge", "/chunked", "/missing"}) {
    SCOPED_TRACE(path);
    picture = {7};
    EXPECT_FALSE(FetchArtwork(server.Url(path), picture));
    EXPECT_EQ(picture, std::vector<uint8_t>{7});  // the old picture stays
  }
}
