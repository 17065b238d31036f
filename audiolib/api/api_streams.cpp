// The calls that create, feed and free streams.
#include <string>

#include "audiolib/devices/Devices.h"
#include "audiolib/streams/DummyStream.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/streams/FileStream.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/streams/ProcedureStream.h"
#include "audiolib/streams/PushStream.h"
#include "audiolib/streams/StreamArguments.h"
#include "audiolib/audiolib.h"

using namespace audiolib;

namespace {
constexpr DWORD kFailedCount = ~DWORD{0};
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
  return Guarded<HSTREAM>(0, [&] {
    if (mem || offset != 0 || length != 0) throw AudioError(BASS_ERROR_ILLPARAM);
    if (!file) throw AudioError(BASS_ERROR_FILEOPEN);
    const std::string path(static_cast<const char*>(file));
    return HandleTable::Instance().Add(
        FileStream::Open(path, flags & ~BASS_UNICODE, Devices::Instance().Current()));
  });
}

HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user) {
  return Guarded<HSTREAM>(0, [&]() -> HSTREAM {
    const SampleFormat format = RequestedFormat(freq, chans, flags);
    const int device = Devices::Instance().Current();
    std::shared_ptr<Channel> stream;
    if (proc == STREAMPROC_PUSH) {
      stream = std::make_shared<PushStream>(format, flags, device);
    } else if (proc == STREAMPROC_DUMMY) {
      stream = std::make_shared<DummyStream>(format, flags, device);
    } else {
      stream = std::make_shared<ProcedureStream>(format, flags, device, proc, user);
    }
    return HandleTable::Instance().Add(std::move(stream));
  });
}

DWORD BASS_StreamPutData(HSTREAM handle, const void* buffer, DWORD length) {
  return Guarded<DWORD>(kFailedCount, [&] {
    std::shared_ptr<Channel> channel = HandleTable::Instance().Find(handle);
    if (!channel) throw AudioError(BASS_ERROR_HANDLE);
    auto* push = dynamic_cast<PushStream*>(channel.get());
    if (!push) throw AudioError(BASS_ERROR_NOTAVAIL);
    return push->Put(buffer, length);
  });
}

BOOL BASS_StreamFree(HSTREAM handle) { return BASS_ChannelFree(handle); }
