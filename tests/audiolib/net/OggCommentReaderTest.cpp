#include "audiolib/net/OggCommentReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using audiolib::OggCommentReader;

namespace {

void Le32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

std::string CommentPacket(const std::string& magic, const std::vector<std::string>& comments) {
  std::string packet = magic;
  Le32(packet, 6);
  packet += "vendor";
  Le32(packet, static_cast<uint32_t>(comments.size()));
  for (const std::string& c : comments) {
    Le32(packet, static_cast<uint32_t>(c.size()));
    packet += c;
  }
  return packet;
}

// One Ogg page holding whole `packets` (a packet of 255 x n bytes gets its closing 0 lacing).
std::string Page(uint32_t serial, bool first, const std::vector<std::string>& packets) {
  std::string lacing;
  std::string body;
  for (const std::string& packet : packets) {
    size_t left = packet.size();
    while (left >= 255) {
      lacing += static_cast<char>(255);
      left -= 255;
    }
    lacing += static_cast<char>(left);
    body += packet;
  }
  std::string page = "OggS";
  page += '\0';
  page += static_cast<char>(first ? 0x02 : 0x00);
  page += std::string(8, '\0');  // granule position
  Le32(page, serial);
  Le32(page, 0);  // sequence
  Le32(page, 0);  // checksum (not checked)
  page += static_cast<char>(lacing.size());
  return page + lacing + body;
}

std::vector<OggCommentReader::Comments> Read(const std::string& stream, size_t pieceBytes) {
  std::vector<OggCommentReader::Comments> found;
  OggCommentReader reader([&](const OggCommentReader::Comments& c) { found.push_back(c); });
  for (size_t at = 0; at < stream.size(); at += pieceBytes) {
    const std::string piece = stream.substr(at, pieceBytes);
    reader.Feed(reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
  }
  return found;
}

TEST(OggCommentReaderTest, FindsTheCommentsOfEachChainedVorbisOrOpusStream) {
  const std::string longComment = "DESCRIPTION=" + std::string(600, 'd');  // spans lacing values
  const std::string stream =
      "junk before the first page" +
      Page(7, true, {std::string("\x01vorbis", 7) + "id"}) +
      Page(7, false, {CommentPacket(std::string("\x03vorbis", 7), {"TITLE=One", longComment}), "setup"}) +
      Page(7, false, {"audio", "audio"}) +
      Page(9, true, {"OpusHead..."}) +
      Page(9, false, {CommentPacket("OpusTags", {"title=Two", "ARTIST=Someone"})}) +
      Page(9, false, {CommentPacket("OpusTags", {"title=not a header"})}) +
      Page(11, true, {"\x7f" "FLAC..."}) +
      Page(11, false, {CommentPacket("OpusTags", {"title=other codec"})});
  for (size_t piece : {1u, 7u, 100u, 100000u}) {
    SCOPED_TRACE(piece);
    const auto found = Read(stream, piece);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], (OggCommentReader::Comments{"TITLE=One", longComment}));
    EXPECT_EQ(found[1], (OggCommentReader::Comments{"title=Two", "ARTIST=Someone"}));
  }
}

TEST(OggCommentReaderTest, ATruncatedCommentPacketGivesTheCommentsThatAreWhole) {
  std::string packet = CommentPacket("OpusTags", {"title=Whole", "artist=Cut short"});
  packet.resize(packet.size() - 4);
  OggCommentReader::Comments comments;
  ASSERT_TRUE(OggCommentReader::ParseCommentPacket(packet, comments));
  EXPECT_EQ(comments, (OggCommentReader::Comments{"title=Whole"}));
  EXPECT_FALSE(OggCommentReader::ParseCommentPacket("not a comment packet", comments));
}

}  // namespace
