#include "audiolib/streams/ProcedureStream.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

ProcedureStream::ProcedureStream(const SampleFormat& format, DWORD flags, int device,
                                 STREAMPROC* proc, void* user)
    : Channel(format, flags, BASS_CTYPE_STREAM, device), proc_(proc), user_(user) {}

ReadResult ProcedureStream::Produce(void* buffer, size_t bytes) {
  auto* out = static_cast<BYTE*>(buffer);
  size_t filled = 0;
  while (filled < bytes) {
    const DWORD result = proc_(handle(), out + filled, static_cast<DWORD>(bytes - filled), user_);
    // A procedure claiming more than it was offered is held to what it was offered.
    const size_t given = std::min<size_t>(result & ~BASS_STREAMPROC_END, bytes - filled);
    filled += given;
    if (result & BASS_STREAMPROC_END) {
      // A cut-off last frame is completed with silence.
      const size_t partial = filled % format().BytesPerFrame();
      if (partial != 0) {
        std::memset(out + filled, 0, format().BytesPerFrame() - partial);
        filled += format().BytesPerFrame() - partial;
      }
      return ReadResult{filled, true};
    }
    if (given == 0) break;
  }
  return ReadResult{filled - filled % format().BytesPerFrame(), false};
}

}  // namespace audiolib
