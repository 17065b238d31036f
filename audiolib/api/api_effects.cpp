// The effect calls: set, remove, parameters.
#include "audiolib/api/EffectTable.h"
#include "audiolib/api/ErrorState.h"
#include "audiolib/api/HandleTable.h"
#include "audiolib/audiolib.h"
#include "audiolib/channels/Channel.h"

using namespace audiolib;

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority) {
  return Guarded<HFX>(0, [&] {
    const auto channel = FindChannel<Channel>(handle);
    std::shared_ptr<Effect> effect =
        CreateEffect(type, channel->format().rate, channel->format().chans);
    const HFX fx = HandleTable::Instance().NewHandle();
    EffectTable::Instance().Add(fx, effect);
    channel->dsps().AddEffect(fx, std::move(effect), priority);
    return fx;
  });
}

BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx) {
  return Guarded<BOOL>(kFalse, [&] {
    const auto channel = FindChannel<Channel>(handle);
    EffectTable::Instance().Find(fx);
    if (!channel->dsps().Remove(fx)) throw AudioError(BASS_ERROR_HANDLE);
    EffectTable::Instance().Remove(fx);
    return kTrue;
  });
}

BOOL BASS_FXSetParameters(HFX fx, const void* params) {
  return Guarded<BOOL>(kFalse, [&] {
    const std::shared_ptr<Effect> effect = EffectTable::Instance().Find(fx);
    if (!params) throw AudioError(BASS_ERROR_ILLPARAM);
    effect->SetParameters(params);
    return kTrue;
  });
}

BOOL BASS_FXGetParameters(HFX fx, void* params) {
  return Guarded<BOOL>(kFalse, [&] {
    const std::shared_ptr<Effect> effect = EffectTable::Instance().Find(fx);
    if (!params) throw AudioError(BASS_ERROR_ILLPARAM);
    effect->GetParameters(params);
    return kTrue;
  });
}
