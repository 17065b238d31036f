// TAudio's live inputs: the microphone and line-input consumers it owns.
#include "audio/Audio.h"
#include "audio/PxInput.h"

namespace {

using TInputList = std::vector<std::unique_ptr<TPxInput>>;

// Grows the list to hold `index`, makes the input there when the entry is empty, and binds it to
// input entry `device`.
void EnsureInput(TInputList& list, int32_t index, int32_t device) {
  if (index < 0) return;
  if (list.size() <= static_cast<size_t>(index)) list.resize(static_cast<size_t>(index) + 1);
  if (!list[index]) list[index] = std::make_unique<TPxInput>();
  list[index]->SetInputIdx(device);
}

TPxInput* InputAt(const TInputList& list, int32_t index) {
  return index >= 0 && static_cast<size_t>(index) < list.size() ? list[index].get() : nullptr;
}

}  // namespace

void TAudio::InitInputs() {
  InitMic(0, 0);
  InitLine(0, 1);
  InitLine(1, 2);
  InitLine(2, 3);
}

void TAudio::InitMic(int32_t AMicIdx, int32_t AMicDev) { EnsureInput(FMics, AMicIdx, AMicDev); }

void TAudio::InitLine(int32_t ALineIdx, int32_t ALineDev) { EnsureInput(FLineIns, ALineIdx, ALineDev); }

void TAudio::FreeMic(int32_t AMicIdx) {
  if (AMicIdx >= 0 && static_cast<size_t>(AMicIdx) < FMics.size()) FMics[AMicIdx].reset();
}

TPxInput* TAudio::GetMic(int32_t Idx) const { return InputAt(FMics, Idx); }

TPxInput* TAudio::GetLine(int32_t Idx) const { return InputAt(FLineIns, Idx); }

void TAudio::FreeInputs() {
  FMics.clear();
  FLineIns.clear();
}
