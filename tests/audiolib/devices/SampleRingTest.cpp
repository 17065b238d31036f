#include "audiolib/devices/SampleRing.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

using audiolib::SampleRing;

namespace {

TEST(SampleRing, TakesWhatFitsAndGivesItBackInOrderAcrossTheWrap) {
  SampleRing ring(8);
  const std::vector<float> first{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(ring.Write(first.data(), first.size()), 6u);
  std::vector<float> out(4);
  EXPECT_EQ(ring.Read(out.data(), 4), 4u);
  EXPECT_EQ(out, (std::vector<float>{1, 2, 3, 4}));

  const std::vector<float> second{7, 8, 9, 10, 11, 12, 13};  // wraps; one does not fit
  EXPECT_EQ(ring.Write(second.data(), second.size()), 6u);
  EXPECT_EQ(ring.Readable(), 8u);
  EXPECT_EQ(ring.Writable(), 0u);
  out.assign(10, 0);
  EXPECT_EQ(ring.Read(out.data(), out.size()), 8u);
  EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 8), (std::vector<float>{5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(ring.Read(out.data(), 1), 0u);
  EXPECT_EQ(ring.TotalWritten(), 12u);
  EXPECT_EQ(ring.TotalRead(), 12u);
}

// A producer and a consumer on their own threads, in blocks of sizes that do not divide the
// capacity: every sample arrives once, in order (ThreadSanitizer checks the hand-over).
TEST(SampleRing, HandsASequenceOverBetweenTwoThreadsIntact) {
  constexpr size_t kTotal = 200000;
  SampleRing ring(1000);
  std::thread producer([&] {
    std::vector<float> block(333);
    size_t next = 0;
    while (next < kTotal) {
      const size_t n = std::min(block.size(), kTotal - next);
      for (size_t i = 0; i < n; ++i) block[i] = static_cast<float>(next + i);
      size_t done = 0;
      while (done < n) {
        done += ring.Write(block.data() + done, n - done);
        if (done < n) std::this_thread::yield();
      }
      next += n;
    }
  });
  std::vector<float> received;
  std::vector<float> block(257);
  while (received.size() < kTotal) {
    const size_t n = ring.Read(block.data(), block.size());
    received.insert(received.end(), block.begin(), block.begin() + n);
    if (n == 0) std::this_thread::yield();
  }
  producer.join();
  size_t wrong = 0;
  for (size_t i = 0; i < kTotal; ++i) wrong += received[i] != static_cast<float>(i);
  EXPECT_EQ(wrong, 0u);
}

}  // namespace
