#include "app/details/SonogramWorker.h"

#include <utility>

TSonogramWorker::TSonogramWorker(TSonogramRequest request)
    : TPxThread(true), FRequest(std::move(request)) {}

TSonogramWorker::~TSonogramWorker() { StopAndWait(); }

void TSonogramWorker::Execute() {
  NameThreadForDebugging("spectrogram");
  std::string error;
  std::optional<TSonogram> result;
  try {
    result = ComputeSonogram(
        FRequest, error, [this] { return Terminated(); },
        [this](double fraction) { FProgress.store(fraction, std::memory_order_relaxed); });
  } catch (const std::exception& e) {  // e.g. no memory for a huge request
    error = e.what();
  }
  {
    const std::lock_guard<std::mutex> lock(FResultLock);
    FResult = std::move(result);
    FErrorText = FResult ? "" : error;
  }
  FDone.store(true, std::memory_order_release);
}

std::optional<TSonogram> TSonogramWorker::TakeResult() {
  const std::lock_guard<std::mutex> lock(FResultLock);
  return std::exchange(FResult, std::nullopt);
}

std::string TSonogramWorker::ErrorText() const {
  const std::lock_guard<std::mutex> lock(FResultLock);
  return FErrorText;
}
