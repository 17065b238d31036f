#include "audiolib/streams/DummyStream.h"

namespace audiolib {

DummyStream::DummyStream(const SampleFormat& format, DWORD flags, int device)
    : Channel(format, flags, BASS_CTYPE_STREAM_DUMMY, device) {}

ReadResult DummyStream::Produce(void*, size_t bytes) { return ReadResult{bytes, false}; }

}  // namespace audiolib
