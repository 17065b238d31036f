// The recording calls.
#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/RecordDevices.h"
#include "audiolib/devices/RecordStream.h"
#include "audiolib/streams/StreamArguments.h"

using namespace audiolib;

namespace {
constexpr DWORD kFailedCount = ~DWORD{0};
constexpr DWORD kDefaultRate = 44100;
constexpr DWORD kDefaultChannels = 2;
}  // namespace

BOOL BASS_RecordInit(int device) {
  return Guarded<BOOL>(kFalse, [&] {
    RecordDevices::Instance().Init(device);
    return kTrue;
  });
}

BOOL BASS_RecordFree() {
  return Guarded<BOOL>(kFalse, [] {
    RecordDevices::Instance().FreeCurrent();
    return kTrue;
  });
}

BOOL BASS_RecordSetDevice(DWORD device) {
  return Guarded<BOOL>(kFalse, [&] {
    RecordDevices::Instance().Select(device);
    return kTrue;
  });
}

DWORD BASS_RecordGetDevice() {
  return Guarded<DWORD>(kFailedCount, [] {
    const int device = RecordDevices::Instance().Current();
    if (device == RecordDevices::kNone) throw AudioError(BASS_ERROR_INIT);
    return static_cast<DWORD>(device);
  });
}

HRECORD BASS_RecordStart(DWORD freq, DWORD chans, DWORD flags, RECORDPROC* proc, void* user) {
  return Guarded<HRECORD>(0, [&] {
    RecordDevices& devices = RecordDevices::Instance();
    const std::string deviceId = devices.CurrentDeviceId();
    const SampleFormat format =
        RequestedFormat(freq != 0 ? freq : kDefaultRate, chans != 0 ? chans : kDefaultChannels, flags);
    auto stream = RecordStream::Start(deviceId, format, flags, devices.Current(), proc, user);
    const HRECORD handle = HandleTable::Instance().Add(stream);
    stream->StartDelivering();
    devices.AddChannel(devices.Current(), handle);
    return handle;
  });
}
