// The calls that play channels on output devices and start and stop the devices.
#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/audiolib.h"
#include "audiolib/channels/Channel.h"
#include "audiolib/devices/Devices.h"

using namespace audiolib;

namespace {

std::shared_ptr<OutputDevice> CurrentOutput() { return Devices::Instance().Output(Devices::Instance().Current()); }

// The playable channel behind `handle` and its (initialised) device.
std::shared_ptr<Channel> PlayableChannel(DWORD handle, std::shared_ptr<OutputDevice>& device) {
  std::shared_ptr<Channel> channel = FindChannel<Channel>(handle);
  if ((channel->flags() & BASS_STREAM_DECODE) != 0) throw AudioError(BASS_ERROR_DECODE);
  device = Devices::Instance().Output(channel->device());
  return channel;
}

}  // namespace

BOOL BASS_Stop() {
  return Guarded<BOOL>(kFalse, [] {
    CurrentOutput()->StopOutput();
    return kTrue;
  });
}

BOOL BASS_Start() {
  return Guarded<BOOL>(kFalse, [] {
    CurrentOutput()->StartOutput();
    return kTrue;
  });
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
  return Guarded<BOOL>(kFalse, [&] {
    std::shared_ptr<OutputDevice> device;
    const std::shared_ptr<Channel> channel = PlayableChannel(handle, device);
    device->Play(channel, restart != 0);
    return kTrue;
  });
}

BOOL BASS_ChannelPause(DWORD handle) {
  return Guarded<BOOL>(kFalse, [&] {
    std::shared_ptr<OutputDevice> device;
    const std::shared_ptr<Channel> channel = PlayableChannel(handle, device);
    if (const int error = device->Pause(*channel); error != BASS_OK) throw AudioError(error);
    return kTrue;
  });
}

BOOL BASS_ChannelStop(DWORD handle) {
  return Guarded<BOOL>(kFalse, [&] {
    const std::shared_ptr<Channel> channel = FindChannel<Channel>(handle);
    if (Devices::Instance().IsInitialised(channel->device())) {
      try {
        Devices::Instance().Output(channel->device())->Stop(*channel);
      } catch (const AudioError&) {
        // Freed meanwhile: the device stopped the channel itself.
      }
    }
    channel->OnChannelStop();
    return kTrue;
  });
}
