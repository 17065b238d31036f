// TAudio's output slots: bringing them up on the regular, WASAPI-style and ASIO-style device
// layers, and releasing them.
#include <algorithm>

#include "audio/Audio.h"
#include "audio/AudioOutputCallbacks.h"
#include "audio/EAudioException.h"
#include "audio/OutputLayer.h"
#include "settings/system/SystemIni.h"

namespace {

constexpr DWORD kDecodeFloat = BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT;  // 0x200100
constexpr DWORD kWasapiChannels = 2;
constexpr int kAsioVolumePriority = 1;

// Raises the library's last error unless the call succeeded or found its work done already (a
// device another slot initialised is shared).
void CheckBassError() {
  const int code = BASS_ErrorGetCode();
  if (code != BASS_OK && code != BASS_ERROR_ALREADY) throw EAudioException(code);
}

void* SlotUser(int32_t AOutDev) { return reinterpret_cast<void*>(static_cast<uintptr_t>(AOutDev)); }

}  // namespace

std::string TAudio::OutputName(int32_t AOutDev) {
  static const char* const names[] = {"Main", "Monitor", "Prelisten", "Jingles", "Cart", "Aux1", "Aux2"};
  if (AOutDev >= 0 && AOutDev < static_cast<int32_t>(std::size(names))) return names[AOutDev];
  return "Device " + std::to_string(AOutDev);
}

TOutputDevice& TAudio::OutputSettings(int32_t AOutDev) const { return FSystemIni->OutputDevice().Items(AOutDev); }

void TAudio::SetOutputsLength() {
  FSplitterLock.BeginWrite();
  FOutputs.resize(static_cast<size_t>(FSystemIni->OutputDevice().Count()));
  FSplitterLock.EndWrite();
}

void TAudio::InitMainOutputs(int32_t AOutDev) {
  BASS_Init(0, static_cast<DWORD>(FSystemIni->MixerFreq()), 0, reinterpret_cast<void*>(FWnd), nullptr);
  SetOutputsLength();
  for (int32_t i = 0; i < FSystemIni->OutputDevice().Count(); ++i) {
    const TOutputDevice& device = OutputSettings(i);
    if ((AOutDev != -1 && i != AOutDev) || device.DevType() != TOutputDevType::odMixer) continue;
    FreeOutput(i);
    if (device.Method() != kMethodNone && (device.Method() != kMethodLibrary || device.DeviceIdx() != 0)) {
      InitOutput(i, 0);
    }
  }
  BASS_SetDevice(0);
}

void TAudio::InitOutput(int32_t AOutDev, DWORD AMixer) {
  SetOutputsLength();
  TOutputDevice& device = OutputSettings(AOutDev);
  device.PrvMethod = device.Method();
  device.PrvDeviceIdx = device.DeviceIdx();
  device.PrvDevType = device.DevType();
  device.PrvDeviceID = device.DeviceID();
  device.PrvChan1 = device.Chan1();
  device.PrvChan2 = device.Chan2();
  if (AMixer == 0) AMixer = FMainMixer;
  DWORD code = 0;
  try {
    switch (device.Method()) {
      case kMethodLibrary:
      case kMethodWasapi:
        if (UsesRegularLayer(device)) {
          InitRegularOutput(AOutDev, AMixer, device.Method() == kMethodWasapi);
        } else {
          InitWasapiOutput(AOutDev, AMixer);
        }
        break;
      case kMethodAsio:
        InitAsioOutput(AOutDev, AMixer);
        break;
      default:
        break;
    }
  } catch (const EAudioException& e) {
    code = static_cast<DWORD>(e.ErrCode());
  }
  FSplitterLock.BeginWrite();
  FOutputs[AOutDev].InitResult = code;
  FSplitterLock.EndWrite();
}

void TAudio::InitRegularOutput(int32_t AOutDev, DWORD AMixer, bool isWasapi) {
  const TOutputDevice& device = OutputSettings(AOutDev);
  const auto idx = static_cast<DWORD>(device.PrvDeviceIdx);
  BASS_DEVICEINFO info{};
  BASS_GetDeviceInfo(idx, &info);
  CheckBassError();
  if ((info.flags & BASS_DEVICE_INIT) == 0) {
    BASS_Init(static_cast<int>(idx), static_cast<DWORD>(device.SampleFreq()), isWasapi ? 0 : BASS_DEVICE_DSOUND,
              reinterpret_cast<void*>(FWnd), nullptr);
    CheckBassError();
  }
  BASS_SetDevice(idx);
  CheckBassError();
  BASS_SetConfig(BASS_CONFIG_BUFFER, static_cast<DWORD>(device.BufSize()));
  CheckBassError();
  if (idx == 0) return;  // the no-sound device plays nothing
  const HSTREAM split = BASS_Split_StreamCreate(AMixer, device.Speakers() | BASS_SAMPLE_FLOAT, nullptr);
  CheckBassError();
  FSplitterLock.BeginWrite();
  FOutputs[AOutDev].Handle = split;
  FSplitterLock.EndWrite();
  BASS_ChannelPlay(split, 1);
  CheckBassError();
}

void TAudio::InitWasapiOutput(int32_t AOutDev, DWORD AMixer) {
  const TOutputDevice& device = OutputSettings(AOutDev);
  const auto idx = static_cast<DWORD>(device.PrvDeviceIdx);
  BASS_SetDevice(0);
  CheckBassError();
  BASS_WASAPI_DEVICEINFO info{};
  BASS_WASAPI_GetDeviceInfo(idx, &info);
  CheckBassError();
  if ((info.flags & BASS_DEVICE_INPUT) != 0) throw EAudioException(-2);
  DWORD flags = BASS_WASAPI_AUTOFORMAT;
  if (device.EventDriven() && (info.flags & BASS_DEVICE_LOOPBACK) == 0) flags |= BASS_WASAPI_EVENT;
  if ((info.flags & BASS_DEVICE_INIT) == 0) {
    const auto freq = static_cast<DWORD>(device.SampleFreq());
    const float bufferSeconds = static_cast<float>(device.BufSize()) / 1000.0f;
    const DWORD exclusive = device.Exclusive() ? BASS_WASAPI_EXCLUSIVE : 0;
    const BOOL ok = BASS_WASAPI_Init(static_cast<int>(idx), freq, kWasapiChannels, flags | exclusive, bufferSeconds, 0,
                                     &WasapiOutputProc, SlotUser(AOutDev));
    if (!ok && device.Exclusive()) {
      ReportError("'" + OutputName(AOutDev) + "' Unable to init device in exclusive mode, using shared.");
      BASS_WASAPI_Init(static_cast<int>(idx), freq, kWasapiChannels, flags, bufferSeconds, 0, &WasapiOutputProc,
                       SlotUser(AOutDev));
    }
    CheckBassError();
  }
  BASS_WASAPI_SetDevice(idx);
  CheckBassError();
  // The slot mixer runs in the format the device was opened with (its mix rate in shared mode;
  // the channels it was given), so the callback's bytes match what the device plays.
  BASS_WASAPI_INFO format{};
  BASS_WASAPI_GetInfo(&format);
  CheckBassError();
  const HSTREAM mixer = BASS_Mixer_StreamCreate(format.freq, format.chans, kDecodeFloat);
  CheckBassError();
  const HSTREAM split = BASS_Split_StreamCreate(AMixer, kDecodeFloat, nullptr);
  CheckBassError();
  FSplitterLock.BeginWrite();
  FOutputs[AOutDev].Handle = mixer;
  FOutputs[AOutDev].Splitter = split;
  FSplitterLock.EndWrite();
  BASS_Mixer_StreamAddChannel(mixer, split, device.Speakers());
  CheckBassError();
  if (!BASS_WASAPI_IsStarted()) {
    BASS_WASAPI_Start();
    CheckBassError();
  }
  BASS_WASAPI_SetNotify(&WASAPI_NotifyProc, nullptr);
  CheckBassError();
}

void TAudio::InitAsioOutput(int32_t AOutDev, DWORD AMixer) {
  const TOutputDevice& device = OutputSettings(AOutDev);
  const int32_t idx = device.PrvDeviceIdx;
  // Initialising -1 would open the first driver: a configured driver that is missing is an error.
  if (idx < 0) throw EAudioException(BASS_ERROR_DEVICE);
  const auto lo = static_cast<DWORD>(std::min(device.Chan1(), device.Chan2()));
  const int hi = std::max(device.Chan1(), device.Chan2());
  if (!BASS_ASIO_SetDevice(static_cast<DWORD>(idx))) {
    BASS_ASIO_Init(idx, 0);
    CheckBassError();
  }
  BASS_SetDevice(0);
  CheckBassError();
  BASS_ASIO_SetDevice(static_cast<DWORD>(idx));
  CheckBassError();
  BASS_CHANNELINFO source{};
  BASS_ChannelGetInfo(AMixer, &source);
  CheckBassError();
  if (BASS_ASIO_IsStarted()) {
    BASS_ASIO_Stop();
    CheckBassError();
  }
  BASS_ASIO_SetRate(device.SampleFreq());
  CheckBassError();
  BASS_ASIO_ChannelEnable(0, lo, &AsioOutputProc, SlotUser(AOutDev));
  CheckBassError();
  BASS_ASIO_ChannelJoin(0, static_cast<DWORD>(hi), static_cast<int>(lo));
  CheckBassError();
  BASS_ASIO_ChannelSetRate(0, lo, source.freq);
  CheckBassError();
  BASS_ASIO_ChannelSetFormat(0, lo, BASS_ASIO_FORMAT_FLOAT);
  CheckBassError();
  BASS_ASIO_ChannelReset(0, static_cast<int>(lo), BASS_ASIO_RESET_PAUSE);
  CheckBassError();
  const HSTREAM split = BASS_Split_StreamCreate(AMixer, kDecodeFloat, nullptr);
  CheckBassError();
  const HFX volume = BASS_ChannelSetFX(split, BASS_FX_BFX_VOLUME, kAsioVolumePriority);
  CheckBassError();
  FSplitterLock.BeginWrite();
  FOutputs[AOutDev].Handle = split;
  FOutputs[AOutDev].VolFX = volume;
  FSplitterLock.EndWrite();
  BASS_ASIO_SetNotify(&AsioNotifyProc, nullptr);
  CheckBassError();
  BASS_ASIO_Start(0, 1);
  CheckBassError();
}

void TAudio::FreeOutput(int32_t AOutDev) {
  const TOutputDevice& device = OutputSettings(AOutDev);
  if (device.PrvMethod < kMethodLibrary || device.PrvMethod > kMethodAsio || device.PrvDeviceIdx < 0) return;
  ClearSlot(AOutDev);
  ReleaseOutputDevice(device);
}

void TAudio::ClearSlot(int32_t AOutDev) {
  FSplitterLock.BeginWrite();
  if (static_cast<size_t>(AOutDev) < FOutputs.size()) {
    TSplitter& slot = FOutputs[AOutDev];
    if (slot.Splitter != 0) BASS_StreamFree(slot.Splitter);
    if (slot.Handle != 0) BASS_StreamFree(slot.Handle);
    slot.Handle = 0;
    slot.Splitter = 0;
    slot.VolFX = 0;
    slot.InitResult = 0;
  }
  FSplitterLock.EndWrite();
}

void TAudio::ReleaseOutputDevice(const TOutputDevice& device) {
  const auto idx = static_cast<DWORD>(device.PrvDeviceIdx);
  if (device.PrvMethod == kMethodAsio) {
    if (!BASS_ASIO_SetDevice(idx)) return;
    BASS_ASIO_Stop();
    for (int32_t chan : {device.PrvChan1, device.PrvChan2}) {
      if (chan != -1) BASS_ASIO_ChannelReset(0, chan, BASS_ASIO_RESET_ENABLE | BASS_ASIO_RESET_JOIN);
    }
    BASS_ASIO_Start(0, 0);  // the device's other channels go on
    return;
  }
  const bool isDefault = device.PrvDeviceID == kDefaultDeviceID;
  if (UsesRegularLayer(device.PrvMethod, device.PrvDevType, isDefault)) {
    if (idx != 0 && BASS_SetDevice(idx)) BASS_Free();
  } else if (BASS_WASAPI_SetDevice(idx)) {
    BASS_WASAPI_Free();
  }
}

void TAudio::ResetDeviceBuffer(int32_t AOutDev) {
  const TSplitterArray outputs = GetOutputs();
  if (AOutDev >= 0 && static_cast<size_t>(AOutDev) < outputs.size() && outputs[AOutDev].Handle != 0) {
    BASS_ChannelPlay(outputs[AOutDev].Handle, 1);
  }
}

void TAudio::FreeDevices() {
  BASS_WASAPI_Free();
  // Each slot releases exactly the streams and the device it brought up.
  for (int32_t i = 0; i < FSystemIni->OutputDevice().Count(); ++i) FreeOutput(i);
  BASS_ASIO_Stop();
  BASS_ASIO_Free();
  BASS_SetDevice(0);
  BASS_Stop();
  BASS_Free();
}
