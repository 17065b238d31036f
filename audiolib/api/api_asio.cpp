// The ASIO-style calls.
#include "audiolib/api/ErrorState.h"
#include "audiolib/audiolib.h"
#include "audiolib/devices/AsioDevices.h"

using namespace audiolib;

namespace {

constexpr DWORD kFailedCount = ~DWORD{0};

std::shared_ptr<AsioDevice> Current() { return AsioDevices::Instance().CurrentDevice(); }

// Runs `change` on a direction of the current driver's channels, as a public call.
template <class Change>
BOOL ConfigureChannels(BOOL input, Change&& change) {
  return Guarded<BOOL>(kFalse, [&] {
    Current()->Configure(input != 0, change);
    return kTrue;
  });
}

}  // namespace

BOOL BASS_ASIO_Init(int device, DWORD) {
  return Guarded<BOOL>(kFalse, [&] {
    AsioDevices::Instance().Init(device);
    return kTrue;
  });
}

BOOL BASS_ASIO_Free() {
  return Guarded<BOOL>(kFalse, [] {
    AsioDevices::Instance().FreeCurrent();
    return kTrue;
  });
}

BOOL BASS_ASIO_SetDevice(DWORD device) {
  return Guarded<BOOL>(kFalse, [&] {
    AsioDevices::Instance().Select(device);
    return kTrue;
  });
}

DWORD BASS_ASIO_GetDevice() {
  return Guarded<DWORD>(kFailedCount, [] { return static_cast<DWORD>(AsioDevices::Instance().Current()); });
}

BOOL BASS_ASIO_Start(DWORD buflen, DWORD) {
  return Guarded<BOOL>(kFalse, [&] {
    Current()->Start(buflen);
    return kTrue;
  });
}

BOOL BASS_ASIO_Stop() {
  return Guarded<BOOL>(kFalse, [] {
    Current()->Stop();
    return kTrue;
  });
}

BOOL BASS_ASIO_IsStarted() {
  return Guarded<BOOL>(kFalse, [] { return Current()->IsStarted() ? kTrue : kFalse; });
}

double BASS_ASIO_GetRate() {
  return Guarded<double>(-1.0, [] { return Current()->Rate(); });
}

BOOL BASS_ASIO_SetRate(double rate) {
  return Guarded<BOOL>(kFalse, [&] {
    Current()->SetRate(rate);
    return kTrue;
  });
}

BOOL BASS_ASIO_SetNotify(ASIONOTIFYPROC* proc, void* user) {
  return Guarded<BOOL>(kFalse, [&] {
    AsioDevices::Instance().SetNotify(proc, user);
    return kTrue;
  });
}

BOOL BASS_ASIO_ChannelEnable(BOOL input, DWORD channel, ASIOPROC* proc, void* user) {
  return ConfigureChannels(input, [&](AsioChannels& channels) { channels.Enable(channel, proc, user); });
}

BOOL BASS_ASIO_ChannelJoin(BOOL input, DWORD channel, int channel2) {
  return ConfigureChannels(input, [&](AsioChannels& channels) { channels.Join(channel, channel2); });
}

BOOL BASS_ASIO_ChannelSetRate(BOOL input, DWORD channel, double rate) {
  return ConfigureChannels(input, [&](AsioChannels& channels) { channels.SetRate(channel, rate); });
}

BOOL BASS_ASIO_ChannelSetFormat(BOOL input, DWORD channel, DWORD format) {
  return ConfigureChannels(input, [&](AsioChannels& channels) { channels.SetFormat(channel, format); });
}

BOOL BASS_ASIO_ChannelReset(BOOL input, int channel, DWORD flags) {
  return ConfigureChannels(input, [&](AsioChannels& channels) { channels.Reset(channel, flags); });
}
