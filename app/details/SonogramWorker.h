// Computes one spectrogram (Sonogram.h) on a thread of its own, so a long file does not hold
// up the window. The owner (main thread) creates it, calls Start, polls Done and takes the result;
// destroying it tells the thread to stop and joins it (the computation looks at the stop request
// after every FFT frame, so that takes a few ms at most).
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

#include "app/details/Sonogram.h"
#include "runtime/px_thread.h"

class TSonogramWorker : public TPxThread {
 public:
  // Created suspended; nothing runs before Start.
  explicit TSonogramWorker(TSonogramRequest request);
  ~TSonogramWorker() override;

  const TSonogramRequest& Request() const { return FRequest; }
  // Any thread: the computation has ended (with a result, or with ErrorText).
  bool Done() const { return FDone.load(std::memory_order_acquire); }
  // Any thread: fraction computed, 0..1.
  double Progress() const { return FProgress.load(std::memory_order_relaxed); }
  // Once Done: the spectrogram (moved out: a second call returns nothing), or nothing when the file
  // could not be decoded.
  std::optional<TSonogram> TakeResult();
  // Once Done: why there is no result; empty when there is one.
  std::string ErrorText() const;

 protected:
  void Execute() override;

 private:
  const TSonogramRequest FRequest;
  std::atomic<bool> FDone{false};
  std::atomic<double> FProgress{0};
  mutable std::mutex FResultLock;
  std::optional<TSonogram> FResult;  // guarded by FResultLock
  std::string FErrorText;               // guarded by FResultLock
};
