// The library's own inputs: which are initialised, each thread's current input, and the recording
// channels started on each.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

class RecordStream;

// Inputs are numbered as BASS_RecordGetDeviceInfo lists them (0 the default). Any thread; a thread
// that has selected no input has none (-1).
class RecordDevices {
 public:
  static RecordDevices& Instance();
  static constexpr int kNone = -1;

  // -1 means the default input (0). Throws AudioError: DEVICE (no such input, or disabled),
  // ALREADY. Selects the input for the calling thread.
  void Init(int device);
  // Frees the calling thread's current input and stops and frees its recording channels (their
  // handles die). Throws AudioError(BASS_ERROR_INIT).
  void FreeCurrent();
  // Throws AudioError: DEVICE (no such input), INIT (not initialised).
  void Select(DWORD device);
  int Current() const;
  // The identifier of the calling thread's current input (the catalog's `driver` text). Throws
  // AudioError(BASS_ERROR_INIT) when the thread has none or it was freed.
  std::string CurrentDeviceId() const;
  // Remembers a recording channel of the input so that FreeCurrent can free it.
  void AddChannel(int device, DWORD handle);

 private:
  RecordDevices() = default;

  mutable std::mutex mutex_;
  std::map<int, std::string> initialised_;           // input number -> identifier
  std::map<int, std::vector<DWORD>> channels_;        // recording channels per input
};

}  // namespace audiolib
