#include "cli/PcmFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "cli/CliOptions.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// A WAV header as pipes carry it: a LIST chunk before the format when asked, data size unknown.
std::vector<uint8_t> WavHeader(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits, bool listFirst) {
  std::vector<uint8_t> b = Bytes("RIFF");
  Put32(b, 0xFFFFFFFF);
  const std::vector<uint8_t> wave = Bytes("WAVE");
  b.insert(b.end(), wave.begin(), wave.end());
  if (listFirst) {
    const std::vector<uint8_t> list = Bytes(std::string("LIST\x05\0\0\0INFOx\0", 14));  // odd size, padded
    b.insert(b.end(), list.begin(), list.end());
  }
  const std::vector<uint8_t> fmt = Bytes("fmt ");
  b.insert(b.end(), fmt.begin(), fmt.end());
  Put32(b, 16);
  Put16(b, format);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * channels * bits / 8);
  Put16(b, static_cast<uint16_t>(channels * bits / 8));
  Put16(b, bits);
  const std::vector<uint8_t> data = Bytes("data");
  b.insert(b.end(), data.begin(), data.end());
  Put32(b, 0);
  return b;
}

TEST(PcmFormatTest, RawFormatTakesRateChannelsAndSampleType) {
  const TPcmFormat plain = ParseRawFormat("8000");
  EXPECT_EQ(plain.sampleRate, 8000u);
  EXPECT_EQ(plain.channels, 1u);
  EXPECT_EQ(plain.sampleType, TPcmSampleType::S16);
  const TPcmFormat full = ParseRawFormat("48000:2:f32");
  EXPECT_EQ(full.sampleRate, 48000u);
  EXPECT_EQ(full.channels, 2u);
  EXPECT_EQ(full.sampleType, TPcmSampleType::F32);
  EXPECT_EQ(full.FrameBytes(), 8u);
  for (const std::string bad : {"", "0", "-8000", "8k", "8000:", "8000:0", "8000:33", "8000:2:s24",
                                "8000:2:f32:x", "999999999999", "400000"}) {
    EXPECT_THROW(ParseRawFormat(bad), EUsage) << bad;
  }
}

TEST(PcmFormatTest, WavHeaderIsReadOnceCompleteAndSkipsOtherChunks) {
  const std::vector<uint8_t> header = WavHeader(1, 2, 44100, 16, true);
  for (size_t cut = 0; cut < header.size(); ++cut) {
    EXPECT_FALSE(ParseWavHeader(std::span(header).first(cut))) << cut;
  }
  const std::optional<TWavHeader> parsed = ParseWavHeader(header);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->dataOffset, header.size());
  EXPECT_EQ(parsed->format.sampleRate, 44100u);
  EXPECT_EQ(parsed->format.channels, 2u);
  EXPECT_EQ(parsed->format.sampleType, TPcmSampleType::S16);

  const struct {
    uint16_t format, bits;
    TPcmSampleType type;
  } kinds[] = {{1, 8, TPcmSampleType::U8}, {1, 24, TPcmSampleType::S24}, {1, 32, TPcmSampleType::S32},
               {3, 32, TPcmSampleType::F32}, {3, 64, TPcmSampleType::F64}};
  for (const auto& kind : kinds) {
    const auto h = ParseWavHeader(WavHeader(kind.format, 1, 8000, kind.bits, false));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->format.sampleType, kind.type) << kind.bits;
  }
  EXPECT_THROW(ParseWavHeader(WavHeader(2, 1, 8000, 4, false)), std::runtime_error);  // ADPCM
  EXPECT_THROW(ParseWavHeader(WavHeader(1, 0, 8000, 16, false)), std::runtime_error);
  EXPECT_THROW(ParseWavHeader(Bytes(std::string("OggS\0\2\0\0\0\0\0\0\0\0", 14))), std::runtime_error);
}

TEST(PcmFormatTest, SamplesBecomeFloatsAndAPartialFrameWaits) {
  TPcmFormat s16{8000, 2, TPcmSampleType::S16};
  const std::vector<uint8_t> bytes = {0x00, 0x80, 0xFF, 0x7F, 0x00, 0x40, 0x01};  // one frame and a half
  std::vector<float> out;
  EXPECT_EQ(AppendAsFloats(bytes, s16, out), 4u);
  EXPECT_EQ(out, (std::vector<float>{-1.0f, 32767 / 32768.0f}));

  TPcmFormat s24{8000, 1, TPcmSampleType::S24};
  out.clear();
  EXPECT_EQ(AppendAsFloats(std::vector<uint8_t>{0x00, 0x00, 0xC0, 0x00, 0x00, 0x40}, s24, out), 6u);
  EXPECT_EQ(out, (std::vector<float>{-0.5f, 0.5f}));

  TPcmFormat f32{8000, 1, TPcmSampleType::F32};
  const float values[] = {0.25f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()};
  std::vector<uint8_t> floatBytes(sizeof values);
  std::memcpy(floatBytes.data(), values, sizeof values);
  out.clear();
  AppendAsFloats(floatBytes, f32, out);
  EXPECT_EQ(out, (std::vector<float>{0.25f, 0.0f, 0.0f}));  // damage becomes silence
}

}  // namespace
