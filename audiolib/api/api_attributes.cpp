// The calls on a channel's attributes and state: volume, slides, activity.
#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/audiolib.h"
#include "audiolib/channels/Channel.h"

using namespace audiolib;

namespace {

VolumeAttribute& AttributeOf(DWORD handle, DWORD attrib, std::shared_ptr<Channel>& keep) {
  keep = FindChannel<Channel>(handle);
  if (attrib != BASS_ATTRIB_VOL) throw AudioError(BASS_ERROR_ILLTYPE);
  return keep->volume();
}

}  // namespace

DWORD BASS_ChannelIsActive(DWORD handle) {
  return Guarded<DWORD>(BASS_ACTIVE_STOPPED,
                        [&] { return FindChannel<Channel>(handle)->Activity(); });
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
  return Guarded<BOOL>(kFalse, [&] {
    std::shared_ptr<Channel> channel;
    AttributeOf(handle, attrib, channel).Set(value);
    return kTrue;
  });
}

BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
  return Guarded<BOOL>(kFalse, [&] {
    if (!value) throw AudioError(BASS_ERROR_ILLPARAM);
    std::shared_ptr<Channel> channel;
    *value = AttributeOf(handle, attrib, channel).Value();
    return kTrue;
  });
}

BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD time) {
  return Guarded<BOOL>(kFalse, [&] {
    std::shared_ptr<Channel> channel;
    AttributeOf(handle, attrib, channel).Slide(value, time);
    return kTrue;
  });
}

BOOL BASS_ChannelIsSliding(DWORD handle, DWORD attrib) {
  return Guarded<BOOL>(kFalse, [&] {
    std::shared_ptr<Channel> channel;
    return AttributeOf(handle, attrib, channel).IsSliding() ? kTrue : kFalse;
  });
}
