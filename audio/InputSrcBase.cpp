#include "audio/InputSrcBase.h"

#include <cstdio>

#include "settings/system/InputDevice.h"
#include "settings/system/SystemIni.h"

std::string InputConfigHash(const TInputDevice& AInput) {
  const int32_t values[] = {AInput.Chan1(),  AInput.Chan2(),       AInput.DeviceIdx(),
                            AInput.Method(), AInput.Stereo() ? 1 : 0, AInput.EventDriven() ? 1 : 0,
                            AInput.KeepAlive() ? 1 : 0};
  std::string hash;
  for (const int32_t value : values) {
    char field[16];
    std::snprintf(field, sizeof field, "%8d", value);
    hash += field;
  }
  return hash;
}

TInputDevice* InputEntry(int32_t AInputIdx) {
  if (!SystemIni || AInputIdx < 0 || AInputIdx >= SystemIni->Inputs().Count()) return nullptr;
  return &SystemIni->Inputs().Items(AInputIdx);
}

void TInputSrcBase::SetInputIdx(int32_t value) {
  FInputIdx = value;
  const TInputDevice* entry = InputEntry(value);
  FHash = entry ? InputConfigHash(*entry) : std::string();
}
