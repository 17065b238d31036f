// The mixer calls.
#include <cmath>
#include <vector>

#include "audiolib/devices/Devices.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/mixer/Mixer.h"
#include "audiolib/streams/StreamArguments.h"
#include "audiolib/audiolib.h"

using namespace audiolib;

namespace {

constexpr DWORD kFailedCount = ~DWORD{0};

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
  return BASS_Mixer_StreamAddChannelEx(mixer, channel, flags, 0, 0);
}

BOOL BASS_Mixer_StreamAddChannelEx(HSTREAM mixer, DWORD channel, DWORD flags, QWORD start,
                                   QWORD length) {
  return Guarded<BOOL>(kFalse, [&] {
    const auto target = FindMixer(mixer);
    const QWORD frameBytes = target->format().BytesPerFrame();
    const SourceSchedule schedule{static_cast<size_t>(start / frameBytes),
                                  static_cast<size_t>(length / frameBytes)};
    if (length > 0 && schedule.lengthFrames == 0) throw AudioError(BASS_ERROR_ILLPARAM);
    target->AddSource(FindChannel<Channel>(channel), flags, schedule);
    return kTrue;
  });
}

DWORD BASS_Mixer_ChannelFlags(DWORD channel, DWORD flags, DWORD mask) {
  return Guarded<DWORD>(kFailedCount, [&] {
    const auto source = FindChannel<Channel>(channel);
    return MixerOf(*source)->SourceEntry(*source)->SetFlags(flags, mask);
  });
}

DWORD BASS_Mixer_StreamGetChannels(HSTREAM mixer, DWORD* channels, DWORD count) {
  return Guarded<DWORD>(kFailedCount,
                        [&] { return FindMixer(mixer)->SourceHandles(channels, count); });
}

QWORD BASS_Mixer_ChannelGetPosition(DWORD channel, DWORD mode) {
  return Guarded<QWORD>(~QWORD{0}, [&] {
    if (mode != BASS_POS_BYTE) throw AudioError(BASS_ERROR_NOTAVAIL);
    const auto source = FindChannel<Channel>(channel);
    return MixerOf(*source)->SourceEntry(*source)->PositionBytes();
  });
}

BOOL BASS_Mixer_ChannelSetEnvelope(DWORD channel, DWORD type, const BASS_MIXER_NODE* nodes,
                                   DWORD count) {
  return Guarded<BOOL>(kFalse, [&] {
    const auto source = FindChannel<Channel>(channel);
    const std::shared_ptr<Mixer> mixer = MixerOf(*source);
    if (type != BASS_MIXER_ENV_VOL) throw AudioError(BASS_ERROR_ILLTYPE);
    std::vector<VolumeEnvelope::Node> envelope;
    const QWORD frameBytes = mixer->format().BytesPerFrame();
    for (DWORD i = 0; nodes && i < count; ++i) {
      if (!std::isfinite(nodes[i].value)) throw AudioError(BASS_ERROR_ILLPARAM);
      envelope.push_back({static_cast<size_t>(nodes[i].pos / frameBytes), nodes[i].value});
    }
    mixer->SourceEntry(*source)->envelope().Set(std::move(envelope));
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
