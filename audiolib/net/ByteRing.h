// The download buffer of a URL stream: a fixed ring of bytes between the download thread and the
// decoder, with the byte counts the file positions report.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace audiolib {

// One writer (the download thread) and one reader (the decoder) at a time; every call is safe from
// any thread. Memory is allocated only by the constructor and SetLimitBytes, so an endless stream
// runs in constant memory.
class ByteRing {
 public:
  enum class ReadStatus { Data, End, TimedOut, Aborted };

  // `limitBytes`: how full the writer may make it (CanWrite); the storage holds `slackBytes` more
  // so a block that arrives while it is just under the limit still fits.
  ByteRing(size_t limitBytes, size_t slackBytes);

  // Writer: true while the fill is under the limit (a block of up to the slack then fits).
  bool CanWrite() const;
  // Writer: appends `bytes`; the caller has checked CanWrite and `bytes` <= the slack.
  void Write(const uint8_t* data, size_t bytes);
  // Writer: no more data will come (the download has ended); readers drain and then see End.
  void MarkEnd();
  // Any thread: wakes and fails every wait from now on (the stream is being freed).
  void Abort();

  // Reader: copies up to `bytes` once at least one byte is there. Waits while the ring is empty
  // and not ended, at most `timeoutMs` (negative: until data, the end or Abort). `onEmpty` is
  // called (under no lock) once before such a wait.
  template <class OnEmpty>
  ReadStatus Read(uint8_t* out, size_t bytes, int timeoutMs, size_t& got, OnEmpty onEmpty);
  // Reader: waits until the fill reaches `bytes` or the end is marked; false on time-out or Abort.
  bool WaitForFill(size_t bytes, int timeoutMs);

  // The writer may fill up to `limitBytes` from now on (storage grows once if it must; content kept).
  void SetLimitBytes(size_t limitBytes);
  size_t LimitBytes() const;
  size_t FillBytes() const;
  uint64_t WrittenBytes() const;  // ever written
  uint64_t ReadBytes() const;     // ever read
  bool Ended() const;

 private:
  bool WaitForData(std::unique_lock<std::mutex>& lock, int timeoutMs);
  size_t TakeLocked(uint8_t* out, size_t bytes);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<uint8_t> storage_;
  size_t limitBytes_;
  size_t slackBytes_;
  size_t head_ = 0;  // next byte to read
  size_t fill_ = 0;
  uint64_t written_ = 0;
  uint64_t read_ = 0;
  bool ended_ = false;
  bool aborted_ = false;
};

template <class OnEmpty>
ByteRing::ReadStatus ByteRing::Read(uint8_t* out, size_t bytes, int timeoutMs, size_t& got,
                                    OnEmpty onEmpty) {
  got = 0;
  std::unique_lock lock(mutex_);
  if (fill_ == 0 && !ended_ && !aborted_) {
    lock.unlock();
    onEmpty();
    lock.lock();
    if (!WaitForData(lock, timeoutMs)) return aborted_ ? ReadStatus::Aborted : ReadStatus::TimedOut;
  }
  if (aborted_) return ReadStatus::Aborted;
  if (fill_ == 0) return ReadStatus::End;
  got = TakeLocked(out, bytes);
  return ReadStatus::Data;
}

}  // namespace audiolib
