// TInputManager: what the live-input consumers ask the audio engine for, the microphone and line
// inputs by index. TAudio implements it. Main thread.
#pragma once

#include <cstdint>

class TPxInput;

class TInputManager {
 public:
  virtual ~TInputManager() = default;
  // The line input at AInputIdx, null when there is none. The engine keeps owning it.
  virtual TPxInput* GetLineInput(int32_t AInputIdx) = 0;
  // The microphone input at AInputIdx, null when there is none. The engine keeps owning it.
  virtual TPxInput* GetMicInput(int32_t AInputIdx) = 0;
};
