#include "audio/PxInput.h"

#include <algorithm>

#include "audio/InputSrc.h"
#include "settings/system/InputDevice.h"

namespace {

TErrorReportCallback& ErrorCallback() {
  static TErrorReportCallback callback;
  return callback;
}

}  // namespace

std::vector<std::unique_ptr<TInputSrcBase>>& InputSources() {
  static std::vector<std::unique_ptr<TInputSrcBase>> sources;
  return sources;
}

std::vector<TPxInput*>& InputConsumers() {
  static std::vector<TPxInput*> consumers;
  return consumers;
}

const TErrorReportCallback& InputErrorCb() { return ErrorCallback(); }

void TPxInput::SetErrorReportCallback(TErrorReportCallback ACallback) { ErrorCallback() = std::move(ACallback); }

void CollectUnusedSources() {
  auto& sources = InputSources();
  const auto& consumers = InputConsumers();
  for (size_t i = sources.size(); i-- > 0;) {
    const TInputSrcBase* source = sources[i].get();
    const bool used = std::any_of(consumers.begin(), consumers.end(),
                                  [source](const TPxInput* consumer) { return consumer->Input() == source; });
    if (used) continue;
    // Out of the list before it goes, so its destructor sees only the other sources.
    std::unique_ptr<TInputSrcBase> unused = std::move(sources[i]);
    sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(i));
    unused.reset();
  }
}

TPxInput::TPxInput() { InputConsumers().push_back(this); }

TPxInput::~TPxInput() {
  if (FInput) FInput->StopAllChans(this);
  auto& consumers = InputConsumers();
  consumers.erase(std::remove(consumers.begin(), consumers.end(), this), consumers.end());
  FInput = nullptr;
  CollectUnusedSources();
}

void TPxInput::SetInputIdx(int32_t v) {
  FInputIdx = v;
  const TInputDevice* entry = InputEntry(v);
  const std::string key = entry ? InputConfigHash(*entry) : std::string();
  if (key == FInputHash) return;
  if (FInput) FInput->StopAllChans(this);
  FInputHash = key;
  FInput = nullptr;
  if (!key.empty()) {
    auto& sources = InputSources();
    const auto found = std::find_if(sources.begin(), sources.end(),
                                    [&key](const auto& source) { return source->Hash() == key; });
    if (found != sources.end()) {
      FInput = found->get();
    } else {
      auto source = std::make_unique<TInputSrc>();
      source->SetInputIdx(v);
      FInput = source.get();
      sources.push_back(std::move(source));
    }
  }
  CollectUnusedSources();
}

void TPxInput::SetAmp(int32_t ampDb) {
  if (FInput) FInput->SetAmp(ampDb);
}

DWORD TPxInput::CreateChan(DWORD Flags) { return FInput ? FInput->GetNewChan(this, Flags, false) : 0; }

DWORD TPxInput::CreateDummyChan(DWORD Flags) { return FInput ? FInput->GetNewChan(this, Flags, true) : 0; }

void TPxInput::FreeChan(DWORD C, bool Delayed) {
  if (!FInput) return;
  if (Delayed) {
    FInput->StopChanDelayed(C);
  } else {
    FInput->StopChan(C, false);
  }
}
