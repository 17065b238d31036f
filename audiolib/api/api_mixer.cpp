// The mixer calls.
#include "audiolib/devices/Devices.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/mixer/Mixer.h"
#include "audiolib/streams/StreamArguments.h"
#include "audiolib/audiolib.h"

using namespace audiolib;

namespace {

std::shared_ptr<Mixer> FindMixer(HSTREAM handle) {
  auto mixer = std::dynamic_pointer_cast<Mixer>(HandleTable::Instance().Find(handle));
  if (!mixer) throw AudioError(BASS_ERROR_HANDLE);
  return mixer;
}

// The mixer `channel` is plugged into; throws AudioError(BASS_ERROR_HANDLE) when in none.
std::shared_ptr<Mixer> MixerOf(const Channel& channel) {
  std::shared_ptr<Mixer> mixer = channel.mixer();
  if (!mixer) throw AudioError(BASS_ERROR_HANDLE);
  return mixer;
}

}  // namespace

HSTREAM BASS_Mixer_StreamCreate(DWORD freq, DWORD chans, DWORD flags) {
  return Guarded<HSTREAM>(0, [&] {
    const SampleFormat format = RequestedFormat(freq, chans, flags);
    return HandleTable::Instance().Add(
        std::make_shared<Mixer>(format, flags, Devices::Instance().Current()));
  });
}

BOOL BASS_Mixer_StreamAddChannel(HSTREAM mixer, DWORD channel, DWORD flags) {
  return Guarded<BOOL>(kFalse, [&] {
    const auto target = FindMixer(mixer);
    target->AddSource(FindChannel<Channel>(channel), flags);
    return kTrue;
  });
}

BOOL BASS_Mixer_ChannelRemove(DWORD channel) {
  return Guarded<BOOL>(kFalse, [&] {
    const auto source = FindChannel<Channel>(channel);
    if (!MixerOf(*source)->RemoveSource(*source)) throw AudioError(BASS_ERROR_HANDLE);
    return kTrue;
  });
}

BOOL BASS_Mixer_ChannelSetMatrix(DWORD channel, const void* matrix) {
  return Guarded<BOOL>(kFalse, [&] {
    if (!matrix) throw AudioError(BASS_ERROR_ILLPARAM);
    const auto source = FindChannel<Channel>(channel);
    MixerOf(*source)->SetMatrix(*source, static_cast<const float*>(matrix));
    return kTrue;
  });
}

HSTREAM BASS_Mixer_ChannelGetMixer(DWORD channel) {
  return Guarded<HSTREAM>(0, [&] { return MixerOf(*FindChannel<Channel>(channel))->handle(); });
}
