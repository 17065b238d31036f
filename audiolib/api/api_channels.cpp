// The calls on any channel: information, position, data, DSPs and syncs.
#include <cmath>

#include "audiolib/channels/Channel.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/audiolib.h"

using namespace audiolib;

namespace {

constexpr DWORD kFailedCount = ~DWORD{0};
constexpr QWORD kFailedPosition = ~QWORD{0};

void RequireByteMode(DWORD mode) {
  if (mode != BASS_POS_BYTE) throw AudioError(BASS_ERROR_NOTAVAIL);
}

}  // namespace

BOOL BASS_ChannelFree(DWORD handle) {
  return Guarded<BOOL>(kFalse, [&] {
    std::shared_ptr<Channel> channel = HandleTable::Instance().Take(handle);
    if (!channel) throw AudioError(BASS_ERROR_HANDLE);
    channel->Free();
    return kTrue;
  });
}

DWORD BASS_ChannelFlags(DWORD handle, DWORD flags, DWORD mask) {
  return Guarded<DWORD>(kFailedCount,
                        [&] { return FindChannel<Channel>(handle)->SetFlags(flags, mask); });
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
  return Guarded<BOOL>(kFalse, [&] {
    if (!info) throw AudioError(BASS_ERROR_ILLPARAM);
    const auto channel = FindChannel<Channel>(handle);
    *info = BASS_CHANNELINFO{channel->format().rate, channel->format().chans, channel->flags(),
                             channel->ctype(), channel->origres(), 0, 0, channel->filename()};
    return kTrue;
  });
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
  return Guarded<QWORD>(kFailedPosition, [&] {
    RequireByteMode(mode);
    return FindChannel<Channel>(handle)->LengthBytes();
  });
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
  return Guarded<QWORD>(kFailedPosition, [&] {
    RequireByteMode(mode);
    return FindChannel<Channel>(handle)->PositionBytes();
  });
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
  return Guarded<BOOL>(kFalse, [&] {
    RequireByteMode(mode);
    FindChannel<Channel>(handle)->SetPositionBytes(pos);
    return kTrue;
  });
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
  return Guarded<double>(-1.0, [&] {
    const SampleFormat& format = FindChannel<Channel>(handle)->format();
    return static_cast<double>(pos) / static_cast<double>(format.rate * format.BytesPerFrame());
  });
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos) {
  return Guarded<QWORD>(kFailedPosition, [&] {
    const SampleFormat& format = FindChannel<Channel>(handle)->format();
    if (!std::isfinite(pos) || pos < 0 || pos > 1e9) throw AudioError(BASS_ERROR_ILLPARAM);
    // A hair of tolerance so that e.g. 0.07 s at 44100 Hz is 3087 frames, not 3086.99... -> 3086.
    const auto frames = static_cast<QWORD>(std::floor(pos * format.rate + 1e-6));
    return frames * format.BytesPerFrame();
  });
}

DWORD BASS_ChannelGetDevice(DWORD handle) {
  return Guarded<DWORD>(kFailedCount,
                        [&] { return static_cast<DWORD>(FindChannel<Channel>(handle)->device()); });
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  return Guarded<DWORD>(kFailedCount,
                        [&] { return FindChannel<Channel>(handle)->GetData(buffer, length); });
}

HDSP BASS_ChannelSetDSP(DWORD handle, DSPPROC* proc, void* user, int priority) {
  return Guarded<HDSP>(0, [&] {
    if (!proc) throw AudioError(BASS_ERROR_ILLPARAM);
    const auto channel = FindChannel<Channel>(handle);
    const HDSP dsp = HandleTable::Instance().NewHandle();
    channel->dsps().Add(dsp, proc, user, priority);
    return dsp;
  });
}

BOOL BASS_ChannelRemoveDSP(DWORD handle, HDSP dsp) {
  return Guarded<BOOL>(kFalse, [&] {
    if (!FindChannel<Channel>(handle)->dsps().Remove(dsp)) throw AudioError(BASS_ERROR_HANDLE);
    return kTrue;
  });
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
  return Guarded<HSYNC>(0, [&] {
    if (!proc) throw AudioError(BASS_ERROR_ILLPARAM);
    if (!SyncList::IsSupportedType(type)) throw AudioError(BASS_ERROR_ILLTYPE);
    const auto channel = FindChannel<Channel>(handle);
    const HSYNC sync = HandleTable::Instance().NewHandle();
    channel->syncs().Add(sync, type, param, proc, user);
    return sync;
  });
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
  return Guarded<BOOL>(kFalse, [&] {
    if (!FindChannel<Channel>(handle)->syncs().Remove(sync)) throw AudioError(BASS_ERROR_HANDLE);
    return kTrue;
  });
}
