// The calling thread's last error code, and the exception internal code throws to set it.
#pragma once

#include <exception>
#include <new>

#include "audiolib/audiolib.h"

namespace audiolib {

constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;

// Thrown by internal code on failure; the public call catches it and records `code`.
class AudioError : public std::exception {
 public:
  explicit AudioError(int code) : code_(code) {}
  int code() const { return code_; }
  const char* what() const noexcept override { return "audio library error"; }

 private:
  int code_;
};

void SetLastError(int code);
int LastError();

// Runs `body` for a public call: records BASS_OK after success, the error code after a failure
// (returning `failValue` then).
template <class R, class Body>
R Guarded(R failValue, Body&& body) {
  try {
    R result = body();
    SetLastError(BASS_OK);
    return result;
  } catch (const AudioError& e) {
    SetLastError(e.code());
  } catch (const std::bad_alloc&) {
    SetLastError(BASS_ERROR_MEM);
  }
  return failValue;
}

}  // namespace audiolib
