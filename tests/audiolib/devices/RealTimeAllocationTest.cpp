// The sound system's real-time callback allocates nothing: every operator new of this program is
// replaced by one that counts the calls made on the callback thread, while channels start, pause,
// stop, change volume and play through a real ALSA device (PortAudio's ALSA host API).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "AlsaFileDevices.h"
#include "AudioFixtures.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/Devices.h"

namespace {
std::atomic<std::thread::id> watchedThread;
std::atomic<size_t> watchedAllocations{0};

void* CountedAllocation(std::size_t bytes) {
  if (std::this_thread::get_id() == watchedThread.load(std::memory_order_relaxed)) ++watchedAllocations;
  if (void* memory = std::malloc(bytes == 0 ? 1 : bytes)) return memory;
  throw std::bad_alloc();
}
}  // namespace

// Every form that pairs with the plain delete is replaced, so each allocation is freed by its own
// kind (the aligned forms keep the library's own pairing).
void* operator new(std::size_t bytes) { return CountedAllocation(bytes); }
void* operator new[](std::size_t bytes) { return CountedAllocation(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  try {
    return CountedAllocation(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept { return operator new(bytes, tag); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

using namespace audiofixtures;

namespace {

int OutputNumbered(const char* name) {
  BASS_DEVICEINFO info{};
  for (DWORD device = 1; BASS_GetDeviceInfo(device, &info); ++device) {
    if (std::strcmp(info.name, name) == 0) return static_cast<int>(device);
  }
  return -1;
}

TEST(RealTimeCallback, AllocatesNothingWhileChannelsPlayStartAndStop) {
  AlsaFileDevices alsa;
  TempDir dir;
  WriteWav(dir / "tone.wav", Sines({440, 660}, 0.2, 44100, 44100 * 2), 44100, 2, 16);
  const int device = OutputNumbered(AlsaFileDevices::kNullDevice);
  ASSERT_GT(device, 0);
  ASSERT_TRUE(BASS_Init(device, 48000, 0, nullptr, nullptr));
  const auto output = audiolib::Devices::Instance().Output(device);

  std::vector<HSTREAM> streams;
  for (int i = 0; i < 4; ++i) streams.push_back(BASS_StreamCreateFile(0, (dir / "tone.wav").c_str(), 0, 0, BASS_SAMPLE_FLOAT));
  for (HSTREAM stream : streams) ASSERT_TRUE(BASS_ChannelPlay(stream, 0));
  for (int i = 0; i < 500 && output->RealTimeThread() == std::thread::id(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(output->RealTimeThread(), std::thread::id()) << "the sound system calls back";
  ASSERT_NE(output->RealTimeThread(), std::this_thread::get_id());

  watchedThread = output->RealTimeThread();
  const uint64_t playedBefore = output->FramesPlayed();
  for (int round = 0; round < 20; ++round) {
    BASS_ChannelPause(streams[round % 4]);
    BASS_ChannelSetAttribute(streams[(round + 1) % 4], BASS_ATTRIB_VOL, 0.1f * static_cast<float>(round % 10));
    BASS_ChannelPlay(streams[round % 4], round % 3 == 0);
    if (round % 5 == 0) BASS_ChannelStop(streams[(round + 2) % 4]);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  watchedThread = std::thread::id();

  EXPECT_GT(output->FramesPlayed(), playedBefore) << "the callback ran meanwhile";
  EXPECT_EQ(watchedAllocations.load(), 0u);
  ASSERT_TRUE(BASS_SetDevice(static_cast<DWORD>(device)));
  EXPECT_TRUE(BASS_Free());
  for (HSTREAM stream : streams) BASS_StreamFree(stream);
}

}  // namespace
