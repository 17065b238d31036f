#include "audio/Audio.h"

#include <strings.h>

#include "audio/OutputLayer.h"
#include "audio/PxInput.h"
#include "platform/MessageWindow.h"
#include "platform/TickCount.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/SystemIni.h"

std::atomic<TAudio*> Audio{nullptr};
std::atomic<uint64_t> LastMainDSPTick{0};

namespace {

constexpr DWORD kDecodeFloat = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;  // 0x200100
constexpr DWORD kMixerChannels = 2;
constexpr int kFilterPriority = 900;
constexpr int kMainDSPPriority = 2;
constexpr float kFilterBandwidthOctaves = 2.0f;
constexpr DWORD kAsyncFileBufferBytes = 0x20000;
constexpr DWORD kUpdatePeriodMs = 20;
constexpr DWORD kUpdateThreads = 2;

// Runs on the mixing thread: notes the time, then runs the dummy stream's own DSP and effect chain
// (what others installed on MainMixerDSPChan) over the block in place.
void MainDSPProc(HDSP, DWORD, void* buffer, DWORD length, void* user) {
  LastMainDSPTick.exchange(GetTickCount64());
  BASS_ChannelGetData(static_cast<DWORD>(reinterpret_cast<uintptr_t>(user)), buffer, length);
}

}  // namespace

TAudio::TAudio(TSystemIni* ASystemIni, TErrorReportCallback AReportErrorCb) {
  FWnd = AllocateHWnd(&DefWindowProc);
  FSystemIni = ASystemIni;
  if (!FSystemIni) {
    FOwnedSystemIni = std::make_unique<TSystemIni>();
    FSystemIni = FOwnedSystemIni.get();
    FDefaultSystemIni = true;
  }
  BASS_Init(0, static_cast<DWORD>(FSystemIni->MixerFreq()), 0, reinterpret_cast<void*>(FWnd), nullptr);
  FReportErrorCb = std::move(AReportErrorCb);
  ApplyLibraryConfig();
}

void TAudio::ApplyLibraryConfig() {
  BASS_SetConfig(BASS_CONFIG_CURVE_VOL, FSystemIni->Lg() ? 1 : 0);
  BASS_SetConfig(BASS_CONFIG_MF_VIDEO, 0);
  BASS_SetConfig(BASS_CONFIG_ASYNCFILE_BUFFER, kAsyncFileBufferBytes);
  BASS_SetConfig(BASS_CONFIG_MF_DISABLE, FSystemIni->DisableMFCodecs() ? 1 : 0);
  BASS_SetConfig(BASS_CONFIG_UNICODE, 0);
  BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
  BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, kUpdatePeriodMs);
  BASS_SetConfig(BASS_CONFIG_UPDATETHREADS, kUpdateThreads);
}

TAudio::~TAudio() {
  FDestroying.store(true);
  TAudio* self = this;
  Audio.compare_exchange_strong(self, nullptr);  // the creator should have done it already
  StopReinitThreads();
  DeallocateHWnd(FWnd);
  FreeInputs();
  FreeMixers();
  FreeDevices();
  FOwnedSystemIni.reset();
}

void TAudio::StopReinitThreads() {
  for (auto& thread : FReinitThreads) thread->Terminate();
  FReinitThreads.clear();  // each destructor joins its thread
}

void TAudio::InitMixer() {
  BASS_SetDevice(0);
  const auto rate = static_cast<DWORD>(FSystemIni->MixerFreq());
  FMainMixer = BASS_Mixer_StreamCreate(rate, kMixerChannels, kDecodeFloat);
  const DWORD musicFlags = kDecodeFloat | (FSystemIni->ProduceSilence() ? BASS_MIXER_NONSTOP : 0);
  FMusicMixer = BASS_Mixer_StreamCreate(rate, kMixerChannels, musicFlags);
  FMicMixer = BASS_Mixer_StreamCreate(rate, kMixerChannels, kDecodeFloat);
  FMicMixerSplit = BASS_Split_StreamCreate(FMicMixer, BASS_STREAM_DECODE, nullptr);
  if (FSystemIni->MicLocalMute()) BASS_ChannelSetAttribute(FMicMixerSplit, BASS_ATTRIB_VOL, 0);
  BASS_Mixer_StreamAddChannel(FMainMixer, FMicMixerSplit, 0);
  BASS_Mixer_StreamAddChannel(FMainMixer, FMusicMixer, 0);
  FMainMixerDSPChan = BASS_StreamCreate(rate, kMixerChannels, musicFlags, STREAMPROC_DUMMY, nullptr);
  SetMainDSP();
  FMixerStart = static_cast<int64_t>(GetTickCount64());
  FLPF = 0;
  AddLPF();
  FHPF = 0;
  AddHPF();
}

void TAudio::SetMainDSP() { AttachMainDSP(FSystemIni->SeparateMicAndMusicDSP() ? FMusicMixer : FMainMixer); }

void TAudio::AttachMainDSP(DWORD chan) {
  if (FMainDSP != 0) BASS_ChannelRemoveDSP(FMainDSPChan, FMainDSP);
  FMainDSP = BASS_ChannelSetDSP(chan, &MainDSPProc, reinterpret_cast<void*>(static_cast<uintptr_t>(FMainMixerDSPChan)),
                                kMainDSPPriority);
  FMainDSPChan = chan;
}

void TAudio::AddLPF() {
  const bool use = PlayerIni && PlayerIni->UseLPF();
  AddFilter(use, PlayerIni ? PlayerIni->LPFCutOffFreq() : 0, BASS_BFX_BQF_LOWPASS, FLPF);
}

void TAudio::AddHPF() {
  const bool use = PlayerIni && PlayerIni->UseHPF();
  AddFilter(use, PlayerIni ? PlayerIni->HPFCutOffFreq() : 0, BASS_BFX_BQF_HIGHPASS, FHPF);
}

void TAudio::AddFilter(bool use, int32_t cutOffHz, int kind, HFX& filter) {
  if (filter == 0 && use) {
    filter = BASS_ChannelSetFX(FMainMixer, BASS_FX_BFX_BQF, kFilterPriority);
  } else if (filter != 0 && !use) {
    BASS_ChannelRemoveFX(FMainMixer, filter);
    filter = 0;
  }
  if (filter == 0) return;
  const BASS_BFX_BQF params{kind, static_cast<float>(cutOffHz), 0.0f, kFilterBandwidthOctaves, 0.0f, 0.0f,
                            BASS_BFX_CHANALL};
  BASS_FXSetParameters(filter, &params);
}

void TAudio::UpdateMixerFlags() {
  BASS_ChannelFlags(FMusicMixer, FSystemIni->ProduceSilence() ? BASS_MIXER_NONSTOP : 0, BASS_MIXER_NONSTOP);
}

void TAudio::SetVolume(int32_t AOutDev, int32_t AVolume) {
  if (AOutDev < 0) return;
  const float volume = static_cast<float>(AVolume) / 100.0f;
  const TOutputDevice& device = OutputSettings(AOutDev);
  const int32_t method = device.Method();
  FSplitterLock.BeginRead();
  const TSplitter slot = static_cast<size_t>(AOutDev) < FOutputs.size() ? FOutputs[AOutDev] : TSplitter{};
  FSplitterLock.EndRead();
  if (method == kMethodLibrary || method == kMethodWasapi) {
    // A slot on the regular layer plays its Handle; a WASAPI-style one mixes its Splitter into
    // the Handle the device callback reads.
    const HSTREAM target = UsesRegularLayer(device) ? slot.Handle : slot.Splitter;
    if (target != 0) BASS_ChannelSetAttribute(target, BASS_ATTRIB_VOL, volume);
  } else if (method == kMethodAsio) {
    const BASS_BFX_VOLUME params{BASS_BFX_CHANNONE, volume};
    if (slot.VolFX != 0) BASS_FXSetParameters(slot.VolFX, &params);
  }
  FSplitterLock.BeginWrite();
  if (static_cast<size_t>(AOutDev) < FOutputs.size()) FOutputs[AOutDev].Volume = AVolume;
  FSplitterLock.EndWrite();
}

TSplitterArray TAudio::GetOutputs() const {
  FSplitterLock.BeginRead();
  TSplitterArray copy = FOutputs;
  FSplitterLock.EndRead();
  return copy;
}

HSTREAM TAudio::OutputStreamForCallback(DWORD AOutDev) const {
  FSplitterLock.BeginRead();
  const HSTREAM handle = AOutDev < FOutputs.size() ? FOutputs[AOutDev].Handle : 0;
  FSplitterLock.EndRead();
  return handle;
}

void TAudio::ReportError(const std::string& text) const {
  if (FReportErrorCb) FReportErrorCb(text);
}

void TAudio::RebuildOutput(int32_t AOutDev) {
  InitMainOutputs(AOutDev);
  const TSplitterArray outputs = GetOutputs();
  const int32_t volume = static_cast<size_t>(AOutDev) < outputs.size() ? outputs[AOutDev].Volume : 100;
  SetVolume(AOutDev, volume);
}

void TAudio::WasapiDeviceLost(const std::string& deviceId, const std::string& deviceName, int32_t delayMs) {
  const int32_t count = FSystemIni->OutputDevice().Count();
  for (int32_t i = 0; i < count; ++i) {
    const TOutputDevice& device = OutputSettings(i);
    if (device.Method() != kMethodWasapi || strcasecmp(device.DeviceID().c_str(), deviceId.c_str()) != 0) continue;
    std::string text = "Playback device disconnected (" + OutputName(i) + "). Sound processing stopped. ";
    const bool reinit = i == 0 || i == 1;
    if (reinit) text += "Attempt to reinit device (" + deviceName + ").";
    ReportError(text);
    if (reinit) {
      std::erase_if(FReinitThreads, [](const auto& thread) { return thread->Finished(); });
      FReinitThreads.push_back(std::make_unique<TReinitThread>(*this, i, delayMs, FReinitSleep));
      FReinitThreads.back()->Start();
    }
    return;  // later slots on the same device are not looked at
  }
}

void TAudio::FreeMixers() {
  for (HSTREAM* mixer : {&FMainMixer, &FMicMixer, &FMusicMixer, &FMicMixerSplit, &FMainMixerDSPChan}) {
    if (*mixer != 0) BASS_StreamFree(*mixer);
    *mixer = 0;
  }
  FMainDSP = 0;
  FMainDSPChan = 0;
  FLPF = 0;
  FHPF = 0;
}

