#include "app/details/SpectrogramWorker.h"

#include <utility>

TSpectrogramWorker::TSpectrogramWorker(TSpectrogramRequest request)
    : TPxThread(true), FRequest(std::move(request)) {}

TSpectrogramWorker::~TSpectrogramWorker() { StopAndWait(); }

void TSpectrogramWorker::Execute() {
  NameThreadForDebugging("spectrogram");
  std::string error;
  std::optional<TSpectrogram> result;
  try {
    result = ComputeSpectrogram(
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

std::optional<TSpectrogram> TSpectrogramWorker::TakeResult() {
  const std::lock_guard<std::mutex> lock(FResultLock);
  return std::exchange(FResult, std::nullopt);
}

std::string TSpectrogramWorker::ErrorText() const {
  const std::lock_guard<std::mutex> lock(FResultLock);
  return FErrorText;
}
