// TSystemIni: the machine-level settings (system.ini): output and input devices, mixer rate,
// microphone handling, language, process priority, track-information storage, user agent; and
// the process-wide instance SystemIni.
//
// Main thread: built, read and saved there. The audio engine and its threads read the values
// afterwards without locks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "settings/system/BaseType.h"
#include "settings/system/InputDevice.h"
#include "settings/system/OutputDevice.h"

enum class TAddInfoStorageType { aiNotSet, aiAPE, aiSQLite, aiMySQL, aiFile, aiFileSubdir };

class TSystemIni : public TSystemIniBase {
 public:
  // Five outputs (main on the default device, monitor off, prelisten on the default device with
  // its own mixer, two decode-only spares), four inputs (microphone first), and the VST folder
  // under the program-files folder.
  TSystemIni();

  std::string ClassName() const override { return "TSystemIni"; }
  const TPropList& Published() const override { return ClassProperties(); }
  static const TPropList& ClassProperties();

  // Reads SettingsDir + "system.ini" (restoring it from its backup first), then makes sure there
  // are at least seven outputs (extra ones decode-only, own mixer) and four inputs, and marks
  // the application for screen readers when the process-wide SystemIni asks for it (so the
  // start-up assigns SystemIni before reading it). Exceptions of property setters propagate.
  void Read();
  // Writes SettingsDir + "system.ini" and its backup; a failure is shown in a message box.
  void Save();

  // The stored value when below 3, else 2 (normal).
  int32_t Priority() const { return FPriority < 3 ? FPriority : 2; }
  void SetPriority(int32_t value) { FPriority = value; }
  PUBLISHED_PROPERTY(bool, Lg, false)
  // The language folder under ProgramDir + "Lang/". While unresolved ("/") the first call takes
  // Language of [Setup] in ProgramDir + "setup.ini" when that folder exists, else "En", and
  // stores the result.
  const std::string& LangDir();
  void SetLangDir(const std::string& value) { FLangDir = value; }
  TOutputDevicesList& OutputDevice() { return FOutputDevice; }
  const TOutputDevicesList& OutputDevice() const { return FOutputDevice; }
  PUBLISHED_PROPERTY(int32_t, MixerFreq, 48000)  // Hz
  PUBLISHED_PROPERTY(bool, ProduceSilence, false)
  PUBLISHED_PROPERTY(bool, DisableMFCodecs, true)
  PUBLISHED_PROPERTY(bool, DeviceStallCheck, false)
  PUBLISHED_PROPERTY(int32_t, InputWasapiBufSize, 20)  // ms
  PUBLISHED_PROPERTY(int32_t, InputAsioBufSize, 0)
  TInputDevicesList& Inputs() { return FInputs; }
  const TInputDevicesList& Inputs() const { return FInputs; }
  PUBLISHED_PROPERTY(bool, SeparateMicAndMusicDSP, true)
  // Music under the microphone: level (dB) and fades (ms).
  PUBLISHED_PROPERTY(int32_t, MicMusicVol, -15)
  PUBLISHED_PROPERTY(int32_t, MicMusicFade, 400)
  PUBLISHED_PROPERTY(int32_t, MicMusicFadeOut, 400)
  PUBLISHED_PROPERTY(int32_t, MicPreamp, 0)  // dB
  PUBLISHED_PROPERTY(bool, MicLocalMute, false)
  // Music ducking keyed by the microphone: threshold (dB), attack, release and fades (ms).
  PUBLISHED_PROPERTY(bool, MicSidechain, false)
  PUBLISHED_PROPERTY(double, MicSidechainThreshold, -10)
  PUBLISHED_PROPERTY(int32_t, MicSidechainAttack, 50)
  PUBLISHED_PROPERTY(int32_t, MicSidechainRelease, 300)
  PUBLISHED_PROPERTY(int32_t, MicSidechainFadeIn, 50)
  PUBLISHED_PROPERTY(int32_t, MicSidechainFadeOut, 75)
  // A bed played under the microphone: file, level (dB) and fades (ms).
  PUBLISHED_PROPERTY(bool, MicUseBed, false)
  PUBLISHED_PROPERTY(std::string, MicBedFN, "")
  PUBLISHED_PROPERTY(bool, MicBedWhenNoMusicOnly, true)
  PUBLISHED_PROPERTY(int32_t, MicBedLevel, 0)
  PUBLISHED_PROPERTY(int32_t, MicBedFadeIn, 400)
  PUBLISHED_PROPERTY(int32_t, MicBedFadeOut, 200)
  PUBLISHED_PROPERTY(bool, RequireLogin, false)
  PUBLISHED_PROPERTY(bool, DisableVisThread, false)
  PUBLISHED_PROPERTY(bool, FirstRun, true)
  PUBLISHED_PROPERTY(std::string, InetStreamProxy, "")
  PUBLISHED_PROPERTY(std::string, BroadcastProxy, "")
  PUBLISHED_PROPERTY(std::string, Settings, "")
  PUBLISHED_PROPERTY(bool, ScreenReaderMode, false)
  PUBLISHED_PROPERTY(bool, ScreenReaderVSTTextUI, false)
  PUBLISHED_PROPERTY(bool, DisableScreensaver, true)
  // The audio library's network user agent (handed over at start-up).
  PUBLISHED_PROPERTY(std::string, StreamUserAgent, "Quaverlin")
  PUBLISHED_PROPERTY(TAddInfoStorageType, AdditionalInfoStorage, TAddInfoStorageType::aiSQLite)
  PUBLISHED_PROPERTY(std::string, MySqlHost, "")
  PUBLISHED_PROPERTY(std::string, MySqlUser, "")
  PUBLISHED_PROPERTY(std::string, MySqlPass, "")
  PUBLISHED_PROPERTY(std::string, MySqlDatabase, "quaverlin")
  PUBLISHED_PROPERTY(bool, SQLitePathDedicated, false)
  PUBLISHED_PROPERTY(bool, IsWatchdog, false)
  PUBLISHED_PROPERTY(std::string, MultipleArtistSeparator, ", ")
  PUBLISHED_PROPERTY(bool, SQLiteIgnoreAccents, false)
  PUBLISHED_PROPERTY(bool, EnableVideo, true)
  PUBLISHED_PROPERTY(bool, DisableTags, false)
  PUBLISHED_PROPERTY(int32_t, ValidationMinSilenceAmt, 5)
  PUBLISHED_PROPERTY(bool, TagEditKeepModifiedTime, false)
  PUBLISHED_PROPERTY(bool, SkipCacheValidation, false)
  PUBLISHED_PROPERTY(bool, TagReadHelper, false)
  PUBLISHED_PROPERTY(uint32_t, AnsiCodePage, 0)  // 0: the system's
  PUBLISHED_PROPERTY(bool, UseAPEv2TagForFlac, false)
  PUBLISHED_PROPERTY(bool, ReadCoverArtFromFolder, false)
  PUBLISHED_PROPERTY(int32_t, WaveformPaintAlgo, 0)
  PUBLISHED_PROPERTY(int32_t, NormalizeType, 0)

 private:
  void AddInitialOutputs();
  void AddInitialInputs();
  void AddMissingDevices();

  int32_t FPriority = 2;
  std::string FLangDir = "/";
  // Members after the base: freed before the base part (VSTFolder, EQBands).
  TOutputDevicesList FOutputDevice;
  TInputDevicesList FInputs;
};

// The process-wide system settings: created and read at start-up, freed at shut-down without
// saving; null outside.
extern std::unique_ptr<TSystemIni> SystemIni;

// The application object's Tag; Read sets kScreenReaderModeTag when SystemIni asks for
// screen-reader mode. Main thread.
inline constexpr int32_t kScreenReaderModeTag = 1;
extern int32_t ApplicationTag;
