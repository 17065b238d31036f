// The splitter call.
#include <map>
#include <mutex>

#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/Devices.h"
#include "audiolib/streams/SplitStream.h"

using namespace audiolib;

namespace {

// The shared buffer of each split source; the splitters own it, so it goes with the last of them.
class SplitBuffers {
 public:
  std::shared_ptr<SplitBuffer> For(const std::shared_ptr<Channel>& source) {
    std::lock_guard lock(mutex_);
    std::erase_if(buffers_, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<SplitBuffer>& slot = buffers_[source.get()];
    std::shared_ptr<SplitBuffer> buffer = slot.lock();
    if (!buffer) {
      buffer = std::make_shared<SplitBuffer>(source);
      slot = buffer;
    }
    return buffer;
  }

 private:
  std::mutex mutex_;
  std::map<const Channel*, std::weak_ptr<SplitBuffer>> buffers_;
};

SplitBuffers& Buffers() {
  static SplitBuffers buffers;
  return buffers;
}

}  // namespace

HSTREAM BASS_Split_StreamCreate(DWORD channel, DWORD flags, const int* chanmap) {
  return Guarded<HSTREAM>(0, [&] {
    if (chanmap) throw AudioError(BASS_ERROR_ILLPARAM);
    const auto source = FindChannel<Channel>(channel);
    if (!source->HasOwnData()) throw AudioError(BASS_ERROR_ILLTYPE);
    auto split = std::make_shared<SplitStream>(Buffers().For(source), flags & ~BASS_UNICODE,
                                               Devices::Instance().Current());
    return HandleTable::Instance().Add(std::move(split));
  });
}
