#include "settings/system/SystemIni.h"

#include <filesystem>

#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "settings/format/PropInfo.h"
#include "settings/location/com_settings.h"

std::unique_ptr<TSystemIni> SystemIni;
int32_t ApplicationTag = 0;

namespace {

constexpr int kMinOutputCount = 7;
constexpr int kMinInputCount = 4;
constexpr int32_t kSharedBufSizeMs = 75;
constexpr const char* kUnresolvedLangDir = "/";
constexpr const char* kDefaultLanguage = "En";

constexpr std::string_view kAddInfoStorageTypeNames[] = {"aiNotSet", "aiAPE",  "aiSQLite",
                                                         "aiMySQL",  "aiFile", "aiFileSubdir"};

// A WASAPI-method output that decodes only; used for the spare slots.
void MakeDecodeOnly(TOutputDevice& output, TOutputDevType devType) {
  output.SetMethod(kMethodWasapi);
  output.SetDeviceID(kDecodeDeviceID);
  output.SetBufSize(kSharedBufSizeMs);
  output.SetDevType(devType);
}

// setup.ini names a folder under Lang/; anything that would lead elsewhere is not a language.
bool IsLanguageFolderName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

TSystemIni::TSystemIni() {
  AddInitialOutputs();
  AddInitialInputs();
  const std::string programFiles = SHGetFolderPath(CSIDL_PROGRAM_FILES);
  if (!programFiles.empty()) VSTFolder().Add(programFiles + "/Steinberg/VstPlugins/");
}

void TSystemIni::AddInitialOutputs() {
  TOutputDevice& main = FOutputDevice.Add();
  main.SetSampleFreq(FMixerFreq);
  main.SetMethod(kMethodWasapi);
  main.SetIsDefault(true);
  main.SetBufSize(kSharedBufSizeMs);

  FOutputDevice.Add().SetMethod(kMethodNone);

  TOutputDevice& prelisten = FOutputDevice.Add();
  prelisten.SetDevType(TOutputDevType::odRegular);
  prelisten.SetIsDefault(true);
  prelisten.SetMethod(kMethodWasapi);
  prelisten.SetBufSize(kSharedBufSizeMs);

  MakeDecodeOnly(FOutputDevice.Add(), TOutputDevType::odNotUsed);
  MakeDecodeOnly(FOutputDevice.Add(), TOutputDevType::odNotUsed);
}

void TSystemIni::AddInitialInputs() {
  TInputDevice& microphone = FInputs.Add();
  microphone.SetMethod(-2);  // the microphone role; the audio engine gives it its meaning
  microphone.SetKeepAlive(true);
  for (int line = 1; line <= 3; ++line) FInputs.Add().SetStereo(true);
}

void TSystemIni::Read() {
  ReadFile(SettingsDir + "system.ini");
  AddMissingDevices();
  if (SystemIni && SystemIni->ScreenReaderMode()) ApplicationTag |= kScreenReaderModeTag;
}

void TSystemIni::AddMissingDevices() {
  while (FOutputDevice.Count() < kMinOutputCount) {
    MakeDecodeOnly(FOutputDevice.Add(), TOutputDevType::odRegular);
  }
  while (FInputs.Count() < kMinInputCount) FInputs.Add();
}

void TSystemIni::Save() { SaveFile(SettingsDir + "system.ini", "system.ini"); }

const std::string& TSystemIni::LangDir() {
  if (FLangDir != kUnresolvedLangDir) return FLangDir;
  FLangDir = kDefaultLanguage;
  const std::string language =
      TIniFile(ProgramDir + "setup.ini").ReadString("Setup", "Language", kDefaultLanguage);
  std::error_code ec;
  if (IsLanguageFolderName(language) && std::filesystem::is_directory(ProgramDir + "Lang/" + language, ec)) {
    FLangDir = language;
  }
  return FLangDir;
}

const TPropList& TSystemIni::ClassProperties() {
  using T = TSystemIni;
  static const TPropList props(TSystemIniBase::ClassProperties(), {
      Prop::Integer("Priority", &T::Priority, &T::FPriority),
      Prop::Boolean("Lg", &T::FLg),
      Prop::String("LangDir", &T::LangDir, &T::FLangDir),
      Prop::Collection("OutputDevice", &T::FOutputDevice),
      Prop::Integer("MixerFreq", &T::FMixerFreq),
      Prop::Boolean("ProduceSilence", &T::FProduceSilence),
      Prop::Boolean("DisableMFCodecs", &T::FDisableMFCodecs),
      Prop::Boolean("DeviceStallCheck", &T::FDeviceStallCheck),
      Prop::Integer("InputWasapiBufSize", &T::FInputWasapiBufSize),
      Prop::Integer("InputAsioBufSize", &T::FInputAsioBufSize),
      Prop::Collection("Inputs", &T::FInputs),
      Prop::Boolean("SeparateMicAndMusicDSP", &T::FSeparateMicAndMusicDSP),
      Prop::Integer("MicMusicVol", &T::FMicMusicVol),
      Prop::Integer("MicMusicFade", &T::FMicMusicFade),
      Prop::Integer("MicMusicFadeOut", &T::FMicMusicFadeOut),
      Prop::Integer("MicPreamp", &T::FMicPreamp),
      Prop::Boolean("MicLocalMute", &T::FMicLocalMute),
      Prop::Boolean("MicSidechain", &T::FMicSidechain),
      Prop::Double("MicSidechainThreshold", &T::FMicSidechainThreshold),
      Prop::Integer("MicSidechainAttack", &T::FMicSidechainAttack),
      Prop::Integer("MicSidechainRelease", &T::FMicSidechainRelease),
      Prop::Integer("MicSidechainFadeIn", &T::FMicSidechainFadeIn),
      Prop::Integer("MicSidechainFadeOut", &T::FMicSidechainFadeOut),
      Prop::Boolean("MicUseBed", &T::FMicUseBed),
      Prop::String("MicBedFN", &T::FMicBedFN),
      Prop::Boolean("MicBedWhenNoMusicOnly", &T::FMicBedWhenNoMusicOnly),
      Prop::Integer("MicBedLevel", &T::FMicBedLevel),
      Prop::Integer("MicBedFadeIn", &T::FMicBedFadeIn),
      Prop::Integer("MicBedFadeOut", &T::FMicBedFadeOut),
      Prop::Boolean("RequireLogin", &T::FRequireLogin),
      Prop::Boolean("DisableVisThread", &T::FDisableVisThread),
      Prop::Boolean("FirstRun", &T::FFirstRun),
      Prop::String("InetStreamProxy", &T::FInetStreamProxy),
      Prop::String("BroadcastProxy", &T::FBroadcastProxy),
      Prop::String("Settings", &T::FSettings),
      Prop::Boolean("ScreenReaderMode", &T::FScreenReaderMode),
      Prop::Boolean("ScreenReaderVSTTextUI", &T::FScreenReaderVSTTextUI),
      Prop::Boolean("DisableScreensaver", &T::FDisableScreensaver),
      Prop::String("StreamUserAgent", &T::FStreamUserAgent),
      Prop::Enum("AdditionalInfoStorage", &T::FAdditionalInfoStorage, kAddInfoStorageTypeNames),
      Prop::String("MySqlHost", &T::FMySqlHost),
      Prop::String("MySqlUser", &T::FMySqlUser),
      Prop::String("MySqlPass", &T::FMySqlPass),
      Prop::String("MySqlDatabase", &T::FMySqlDatabase),
      Prop::Boolean("SQLitePathDedicated", &T::FSQLitePathDedicated),
      Prop::Boolean("IsWatchdog", &T::FIsWatchdog),
      Prop::String("MultipleArtistSeparator", &T::FMultipleArtistSeparator),
      Prop::Boolean("SQLiteIgnoreAccents", &T::FSQLiteIgnoreAccents),
      Prop::Boolean("EnableVideo", &T::FEnableVideo),
      Prop::Boolean("DisableTags", &T::FDisableTags),
      Prop::Integer("ValidationMinSilenceAmt", &T::FValidationMinSilenceAmt),
      Prop::Boolean("TagEditKeepModifiedTime", &T::FTagEditKeepModifiedTime),
      Prop::Boolean("SkipCacheValidation", &T::FSkipCacheValidation),
      Prop::Boolean("TagReadHelper", &T::FTagReadHelper),
      Prop::Cardinal("AnsiCodePage", &T::FAnsiCodePage),
      Prop::Boolean("UseAPEv2TagForFlac", &T::FUseAPEv2TagForFlac),
      Prop::Boolean("ReadCoverArtFromFolder", &T::FReadCoverArtFromFolder),
      Prop::Integer("WaveformPaintAlgo", &T::FWaveformPaintAlgo),
      Prop::Integer("NormalizeType", &T::FNormalizeType),
  });
  return props;
}
