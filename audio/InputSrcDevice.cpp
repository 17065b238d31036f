// The device side of TInputSrc: opening, starting and closing the capture device of its input
// entry on the library's recording, the WASAPI-style or the ASIO-style layer.
#include <cstdio>
#include <string>

#include "audio/InputSrc.h"
#include "audio/PxInput.h"
#include "settings/player/PlayerIni.h"
#include "settings/system/InputDevice.h"
#include "settings/system/SystemIni.h"

namespace {

bool FailedOtherThanAlready(BOOL ok) { return !ok && BASS_ErrorGetCode() != BASS_ERROR_ALREADY; }

int32_t MixerFreq() { return SystemIni ? SystemIni->MixerFreq() : 48000; }

bool WasapiDeviceFlags(int32_t device, DWORD& flags) {
  BASS_WASAPI_DEVICEINFO info{};
  if (device < 0 || !BASS_WASAPI_GetDeviceInfo(static_cast<DWORD>(device), &info)) return false;
  flags = info.flags;
  return true;
}

bool IsWasapiInput(int32_t device) {
  DWORD flags = 0;
  return WasapiDeviceFlags(device, flags) && (flags & BASS_DEVICE_INPUT) != 0;
}

// One checked step of the ASIO-style set-up: an error other than "already" raises "<label> <code>".
void CheckAsioStep(const char* label) {
  const int code = BASS_ErrorGetCode();
  if (code == BASS_OK || code == BASS_ERROR_ALREADY) return;
  char text[32];
  std::snprintf(text, sizeof text, "%s %d", label, code);
  throw EInputAudioException(text);
}

}  // namespace

void TInputSrc::InitDevice(DWORD) {
  if (KeepAlive() && FDeviceInitialized) return;
  const TInputDevice* entry = InputEntry(FInputIdx);
  FRecDev = entry ? entry->DeviceIdx() : -1;
  FRecApi = entry ? entry->Method() : kMethodNone;
  FRecC1 = entry ? entry->Chan1() : -1;
  FRecC2 = entry ? entry->Chan2() : -1;
  FDeviceInitialized = false;
  try {
    OpenDevice();
  } catch (const EInputAudioException& error) {
    ReportInputError(error.what(), BASS_ErrorGetCode());
    return;
  }
  FDeviceInitialized = true;
  StartDevice();
}

void TInputSrc::OpenDevice() {
  if (FRecDev < 0 || FRecApi == kMethodNone) throw EInputAudioException("Input device error: No input device selected");
  if (FRecApi == kRecApiLibrary) {
    BASS_SetConfig(BASS_CONFIG_REC_WASAPI, 0);
    if (FailedOtherThanAlready(BASS_RecordInit(FRecDev))) throw EInputAudioException("Recording device init error");
  } else if (FRecApi == kRecApiWasapi) {
    DWORD deviceFlags = 0;
    if (!WasapiDeviceFlags(FRecDev, deviceFlags) || (deviceFlags & BASS_DEVICE_INPUT) == 0) {
      throw EInputAudioException("WASAPI invalid input device selected");
    }
    DWORD flags = BASS_WASAPI_AUTOFORMAT;
    const TInputDevice* entry = InputEntry(FInputIdx);
    if (entry && entry->EventDriven() && (deviceFlags & BASS_DEVICE_LOOPBACK) == 0) flags |= BASS_WASAPI_EVENT;
    const int32_t bufferMs = SystemIni ? SystemIni->InputWasapiBufSize() : 20;
    if (FailedOtherThanAlready(BASS_WASAPI_Init(FRecDev, 44100, 2, flags, static_cast<float>(bufferMs) / 1000.0f, 0,
                                                InputSrcWasapiProc, this))) {
      throw EInputAudioException("WASAPI input device init error");
    }
  } else if (FRecApi == kRecApiAsio) {
    if (FailedOtherThanAlready(BASS_ASIO_Init(FRecDev, 0))) throw EInputAudioException("ASIO input device init error");
    SetupAsioInput();
  } else {
    throw EInputAudioException("Input device error: No input device selected");
  }
}

void TInputSrc::SetupAsioInput() {
  const TInputDevice* entry = InputEntry(FInputIdx);
  if (!entry || !BASS_ASIO_SetDevice(static_cast<DWORD>(entry->DeviceIdx()))) return;
  const bool wasStarted = BASS_ASIO_IsStarted();
  if (wasStarted) BASS_ASIO_Stop();
  const DWORD chan1 = static_cast<DWORD>(FRecC1);
  BASS_ASIO_ChannelEnable(1, chan1, nullptr, nullptr);
  CheckAsioStep("L1");
  BASS_ASIO_SetRate(MixerFreq());
  CheckAsioStep("L2");
  BASS_ASIO_ChannelEnable(1, chan1, InputSrcAsioProc, this);
  CheckAsioStep("L3");
  BASS_ASIO_ChannelSetRate(1, chan1, BASS_ASIO_GetRate());
  CheckAsioStep("L4");
  BASS_ASIO_ChannelSetFormat(1, chan1, BASS_ASIO_FORMAT_FLOAT);
  CheckAsioStep("L5");
  if (FRecC2 != -1 && FRecC2 != FRecC1) {
    BASS_ASIO_ChannelJoin(1, static_cast<DWORD>(FRecC2), FRecC1);
    CheckAsioStep("L6");
  }
  BASS_ASIO_ChannelReset(1, FRecC1, BASS_ASIO_RESET_PAUSE);
  CheckAsioStep("L7");
  if (wasStarted) {
    BASS_ASIO_Start(0, 1);
    CheckAsioStep("L8");
  }
}

void TInputSrc::StartDevice() {
  std::string apiName = "Input";
  try {
    StartDeviceOn(apiName);
  } catch (const EInputAudioException& error) {
    // A device that does not run gives no channel: the consumer is told, not handed silence.
    const int code = BASS_ErrorGetCode();
    StopDevice();
    ReportInputError(apiName + ": " + error.what(), code);
  }
}

void TInputSrc::StartDeviceOn(std::string& apiName) {
  FPrebufferBytes = 0;
  if (FRecDev == -1) throw EInputAudioException("Invalid device selected");
  const DWORD device = static_cast<DWORD>(FRecDev);
  if (FRecApi == kRecApiWasapi) {
    apiName = "WASAPI";
    if (!BASS_WASAPI_SetDevice(device) && BASS_ErrorGetCode() == BASS_ERROR_DEVICE) {
      throw EInputAudioException("Invalid device selected");
    }
    BASS_WASAPI_DEVICEINFO deviceInfo{};
    BASS_WASAPI_INFO info{};
    if (!BASS_WASAPI_GetDeviceInfo(device, &deviceInfo) || !BASS_WASAPI_GetInfo(&info)) {
      throw EInputAudioException("Unable to use the device");
    }
    FRate = static_cast<int32_t>(info.freq);
    FChannels = static_cast<int32_t>(info.chans);
    if (!BASS_WASAPI_IsStarted() && !BASS_WASAPI_Start()) throw EInputAudioException("Unable to start the device");
  } else if (FRecApi == kRecApiAsio) {
    apiName = "ASIO";
    if (!BASS_ASIO_SetDevice(device) && BASS_ErrorGetCode() == BASS_ERROR_DEVICE) {
      throw EInputAudioException("Invalid device selected");
    }
    FChannels = FRecC2 != -1 && FRecC2 != FRecC1 ? 2 : 1;
    FRate = static_cast<int32_t>(BASS_ASIO_GetRate());
    const DWORD bufferFrames = static_cast<DWORD>(SystemIni ? SystemIni->InputAsioBufSize() : 0);
    if (!BASS_ASIO_IsStarted() && FailedOtherThanAlready(BASS_ASIO_Start(bufferFrames, 1))) {
      throw EInputAudioException("Unable to start the device");
    }
  } else {
    apiName = "DS";
    if (!BASS_RecordSetDevice(device) && BASS_ErrorGetCode() == BASS_ERROR_DEVICE) {
      throw EInputAudioException("Invalid device selected");
    }
    if (FDSRecChan != 0) BASS_ChannelStop(FDSRecChan);
    const TInputDevice* entry = InputEntry(FInputIdx);
    FChannels = entry && entry->Stereo() ? 2 : 1;
    FRate = MixerFreq();
    FDSRecChan = BASS_RecordStart(static_cast<DWORD>(FRate), static_cast<DWORD>(FChannels), BASS_SAMPLE_FLOAT,
                                  InputSrcRecordProc, this);
    if (FDSRecChan == 0) throw EInputAudioException("Unable to start the device");
    const double prebufferSeconds = PlayerIni ? PlayerIni->MicPrebuffer() : 0.0;
    const QWORD bytes = BASS_ChannelSeconds2Bytes(FDSRecChan, prebufferSeconds);
    FPrebufferBytes = bytes == static_cast<QWORD>(-1) ? 0 : static_cast<int64_t>(bytes);
  }
}

bool TInputSrc::InputSharedWithAnotherSource() const {
  for (const auto& source : InputSources()) {
    const auto* other = dynamic_cast<const TInputSrc*>(source.get());
    if (other && other != this && other->FDeviceInitialized && other->FRecApi == FRecApi && other->FRecDev == FRecDev) {
      return true;
    }
  }
  return false;
}

void TInputSrc::StopDevice() {
  if (FRecApi == kRecApiLibrary) {
    if (FDSRecChan != 0) BASS_ChannelStop(FDSRecChan);
    FDSRecChan = 0;
    // Entries of another configuration on the same input have their own source and recording.
    if (FRecDev != -1 && !InputSharedWithAnotherSource() && BASS_RecordSetDevice(static_cast<DWORD>(FRecDev))) {
      BASS_RecordFree();
    }
  } else if (FRecApi == kRecApiWasapi) {
    if (IsWasapiInput(FRecDev) && BASS_WASAPI_SetDevice(static_cast<DWORD>(FRecDev))) {
      if (BASS_WASAPI_IsStarted()) BASS_WASAPI_Stop(1);
      BASS_WASAPI_Free();
    }
  } else if (FRecApi == kRecApiAsio) {
    if (FRecDev >= 0 && BASS_ASIO_SetDevice(static_cast<DWORD>(FRecDev))) {
      const bool wasStarted = BASS_ASIO_IsStarted();
      if (wasStarted) BASS_ASIO_Stop();
      BASS_ASIO_ChannelEnable(1, static_cast<DWORD>(FRecC1), nullptr, nullptr);
      BASS_ASIO_ChannelReset(1, FRecC2, BASS_ASIO_RESET_JOIN);
      if (wasStarted) BASS_ASIO_Start(0, 0);
    }
  }
  FDeviceInitialized = false;
}
