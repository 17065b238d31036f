#include "audiolib/net/IcyMetadataParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using audiolib::IcyMetadataParser;

namespace {

struct Split {
  std::string audio;
  std::vector<std::string> texts;
};

// Feeds `body` in pieces of `pieceBytes` (the download hands over blocks of any size).
Split Parse(size_t interval, const std::string& body, size_t pieceBytes) {
  Split split;
  IcyMetadataParser parser(
      interval,
      [&](const uint8_t* data, size_t bytes) { split.audio.append(reinterpret_cast<const char*>(data), bytes); },
      [&](const std::string& text) { split.texts.push_back(text); });
  for (size_t at = 0; at < body.size(); at += pieceBytes) {
    const std::string piece = body.substr(at, pieceBytes);
    parser.Feed(reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
  }
  return split;
}

std::string Block(const std::string& text) {
  const size_t units = (text.size() + 15) / 16;
  std::string block = text;
  block.resize(units * 16, '\0');
  return std::string(1, static_cast<char>(units)) + block;
}

TEST(IcyMetadataParserTest, SeparatesAudioAndBlocksWhereverTheBodyIsCut) {
  const std::string body = "abcdefgh" + Block("StreamTitle='One';") + "ijklmnop" + std::string(1, '\0') +
                           "qrstuvwx" + Block("StreamTitle='Two';StreamUrl='';") + "yz";
  for (size_t piece : {1u, 3u, 8u, 9u, 1000u}) {
    SCOPED_TRACE(piece);
    const Split split = Parse(8, body, piece);
    EXPECT_EQ(split.audio, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(split.texts, (std::vector<std::string>{"StreamTitle='One';", "StreamTitle='Two';StreamUrl='';"}));
  }
}

TEST(IcyMetadataParserTest, WithoutAnIntervalEverythingIsAudio) {
  const Split split = Parse(0, std::string("\x01StreamTitle", 12), 5);
  EXPECT_EQ(split.audio, std::string("\x01StreamTitle", 12));
  EXPECT_TRUE(split.texts.empty());
}

TEST(IcyMetadataParserTest, TakesOnlyPlainNumbersUpTo16MiBAsTheInterval) {
  const std::vector<std::pair<std::string, size_t>> cases = {
      {"16000", 16000}, {" 8192 ", 8192}, {"0", 0}, {"", 0}, {"12kb", 0}, {"-5", 0},
      {"16777216", 16777216}, {"16777217", 0}, {"99999999999999999999999", 0}};
  for (const auto& [value, interval] : cases) {
    EXPECT_EQ(IcyMetadataParser::ParseInterval(value), interval) << value;
  }
}

}  // namespace
