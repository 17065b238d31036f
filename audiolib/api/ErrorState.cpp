#include "audiolib/api/ErrorState.h"

namespace audiolib {

namespace {
thread_local int lastError = BASS_OK;
}

void SetLastError(int code) { lastError = code; }

int LastError() { return lastError; }

}  // namespace audiolib
