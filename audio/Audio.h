// TAudio: the audio engine. It owns the sound output of the program: the no-sound mixing device,
// the main, music and microphone mixers, the main DSP hook and the optional low- and high-pass
// filters on the main mixer, one output slot per configured output (regular, WASAPI-style or
// ASIO-style device layer), the threads that bring lost outputs back, and the live inputs.
//
// Threads: built, used and freed on the main thread (it creates a message window). The output
// callbacks (audio/AudioOutputCallbacks.h) run on the library's device threads and only read the
// slots under FSplitterLock; device-loss notifications are handed to the main thread.
//
// Failure: construction never fails on devices (a missing device shows when an output is brought
// up). A failed output bring-up is kept in the slot's InitResult, not thrown. An output index
// outside the configured outputs (OutputDevice of the settings) throws std::out_of_range.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/InputManager.h"
#include "audio/InputSrcBase.h"
#include "audio/ReinitThread.h"
#include "audiolib/audiolib.h"
#include "platform/MultiReadExclusiveWriteSynchronizer.h"
#include "platform/WinTypes.h"

class TSystemIni;
class TOutputDevice;

// One output slot. What the handles hold depends on the slot's device layer:
//   regular device: Handle = splitter of the source mixer playing on the device;
//   WASAPI-style:   Handle = decode-only mixer the device callback reads, Splitter = splitter of
//                   the source mixer inside it;
//   ASIO-style:     Handle = decode-only splitter the device callback reads, VolFX = its volume.
struct TSplitter {
  HSTREAM Handle = 0;
  HSTREAM Splitter = 0;
  HFX VolFX = 0;
  DWORD InitResult = 0;  // 0 after a good bring-up, else the library (or engine) error code
  // Percent; kept when the slot is freed so a re-initialised output comes back at it. A fresh slot
  // plays at full volume, so it starts at 100.
  int32_t Volume = 100;
};
using TSplitterArray = std::vector<TSplitter>;

// The engine's error reports (TErrorReportCallback, one line of text) are made on the main thread.

class TAudio : public TInputManager {
 public:
  // ASystemIni: the system settings to read (not owned; must outlive the engine); null makes and
  // owns a default TSystemIni. Initialises the no-sound device 0 at MixerFreq and sets the
  // library's configuration. No mixer and no output exist yet.
  TAudio(TSystemIni* ASystemIni, TErrorReportCallback AReportErrorCb);
  // Stops and joins the re-initialisation threads, frees the inputs, mixers, output slots and
  // devices. Output callbacks arriving meanwhile deliver nothing.
  ~TAudio() override;
  TAudio(const TAudio&) = delete;
  TAudio& operator=(const TAudio&) = delete;

  // Creates the main, music and microphone mixers (MixerFreq, stereo, float, decode-only), the
  // microphone branch, the main DSP and the filters.
  void InitMixer();
  // Attaches the main DSP to the music mixer (SeparateMicAndMusicDSP) or to the main mixer.
  void SetMainDSP();
  // Bring the filters on the main mixer in line with PlayerIni (UseLPF/LPFCutOffFreq,
  // UseHPF/HPFCutOffFreq); no PlayerIni means both off.
  void AddLPF();
  void AddHPF();
  // BASS_MIXER_NONSTOP on the music mixer follows ProduceSilence.
  void UpdateMixerFlags();

  // (Re)builds the odMixer slot AOutDev, or every one for -1, fed from the main mixer.
  void InitMainOutputs(int32_t AOutDev);
  // Brings up slot AOutDev fed from AMixer (0: the main mixer). Errors end up in InitResult.
  void InitOutput(int32_t AOutDev, DWORD AMixer);
  // Releases the slot's streams and the device it used; Volume stays.
  void FreeOutput(int32_t AOutDev);
  // Percent (100 = unchanged); stored also when the slot has no handles.
  void SetVolume(int32_t AOutDev, int32_t AVolume);
  // Restarts slot AOutDev's stream from a clean buffer (regular-device slots only).
  void ResetDeviceBuffer(int32_t AOutDev);
  // A copy of the slots.
  TSplitterArray GetOutputs() const;
  TSplitterArray Outputs() const { return GetOutputs(); }

  // "Main", "Monitor", "Prelisten", "Jingles", "Cart", "Aux1", "Aux2", else "Device <index>".
  static std::string OutputName(int32_t AOutDev);

  // The live inputs, owned by the engine: microphones and line inputs, each list indexed by input
  // number and possibly holding empty entries. A TPxInput's InputIdx is its entry of SystemIni's
  // input list.
  // Microphone 0 on input entry 0, lines 0, 1, 2 on entries 1, 2, 3.
  void InitInputs();
  // Makes sure microphone (line) AMicIdx (ALineIdx) exists, bound to input entry AMicDev (ALineDev).
  void InitMic(int32_t AMicIdx, int32_t AMicDev);
  void InitLine(int32_t ALineIdx, int32_t ALineDev);
  // Frees microphone AMicIdx and leaves its entry empty; nothing for an index beyond the list.
  void FreeMic(int32_t AMicIdx);
  // The input at Idx, null for an empty entry or an index beyond the list.
  TPxInput* GetMic(int32_t Idx) const;
  TPxInput* GetLine(int32_t Idx) const;
  TPxInput* GetMicInput(int32_t AInputIdx) override { return GetMic(AInputIdx); }
  TPxInput* GetLineInput(int32_t AInputIdx) override { return GetLine(AInputIdx); }

  HSTREAM MainMixer() const { return FMainMixer; }
  HSTREAM MusicMixer() const { return FMusicMixer; }
  HSTREAM MicMixer() const { return FMicMixer; }
  HSTREAM MicMixerSplit() const { return FMicMixerSplit; }
  HSTREAM MainMixerDSPChan() const { return FMainMixerDSPChan; }
  int64_t MixerStart() const { return FMixerStart; }  // GetTickCount64 ms when the mixers were made
  HWND Wnd() const { return FWnd; }
  const TSystemIni& SystemIni() const { return *FSystemIni; }

  // How a re-initialisation thread waits before rebuilding; tests replace it. Applies to threads
  // started afterwards. Main thread.
  void SetReinitSleep(TReinitSleep sleep) { FReinitSleep = std::move(sleep); }

  // For the device callbacks (audio/AudioOutputCallbacks.cpp).
  // The stream the device callback of slot AOutDev reads (0 when none); any thread.
  HSTREAM OutputStreamForCallback(DWORD AOutDev) const;
  bool Destroying() const { return FDestroying.load(); }
  // Main thread: a WASAPI-style output device went away or failed: report it and, for slots 0
  // and 1, start a thread that rebuilds the slot after delayMs.
  void WasapiDeviceLost(const std::string& deviceId, const std::string& deviceName, int32_t delayMs);
  // Main thread: sends text to the report callback (when there is one).
  void ReportError(const std::string& text) const;

 private:
  friend class TReinitThread;

  void ApplyLibraryConfig();
  void AddFilter(bool use, int32_t cutOffHz, int kind, HFX& filter);
  void AttachMainDSP(DWORD chan);
  void SetOutputsLength();
  TOutputDevice& OutputSettings(int32_t AOutDev) const;
  void InitRegularOutput(int32_t AOutDev, DWORD AMixer, bool isWasapi);
  void InitWasapiOutput(int32_t AOutDev, DWORD AMixer);
  void InitAsioOutput(int32_t AOutDev, DWORD AMixer);
  void ReleaseOutputDevice(const TOutputDevice& device);
  void ClearSlot(int32_t AOutDev);
  void StopReinitThreads();
  void FreeInputs();
  void FreeMixers();
  void FreeDevices();
  // Runs on the main thread for a finished wait of a re-initialisation thread.
  void RebuildOutput(int32_t AOutDev);

  HSTREAM FMainMixer = 0;
  HSTREAM FMicMixerSplit = 0;
  HSTREAM FMusicMixer = 0;
  HSTREAM FMicMixer = 0;
  TSystemIni* FSystemIni = nullptr;
  std::unique_ptr<TSystemIni> FOwnedSystemIni;  // set when FDefaultSystemIni
  HDSP FMainDSP = 0;
  DWORD FMainDSPChan = 0;
  HSTREAM FMainMixerDSPChan = 0;
  int64_t FMixerStart = 0;
  HWND FWnd = 0;
  HFX FLPF = 0;
  HFX FHPF = 0;
  bool FDefaultSystemIni = false;
  std::vector<std::unique_ptr<TPxInput>> FMics;
  std::vector<std::unique_ptr<TPxInput>> FLineIns;
  TSplitterArray FOutputs;
  mutable TMultiReadExclusiveWriteSynchronizer FSplitterLock;  // guards FOutputs
  std::atomic<bool> FDestroying{false};
  TErrorReportCallback FReportErrorCb;
  TReinitSleep FReinitSleep;
  std::vector<std::unique_ptr<TReinitThread>> FReinitThreads;  // main thread only
};

// The engine the window created (not owned here; the creator sets it and clears it before freeing
// the engine). The device callbacks and notifications reach the engine through it. Any thread.
extern std::atomic<TAudio*> Audio;
// GetTickCount64 ms of the main DSP's last block; any thread.
extern std::atomic<uint64_t> LastMainDSPTick;
