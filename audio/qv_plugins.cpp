#include "audio/qv_plugins.h"

#include <algorithm>
#include <filesystem>

#include "settings/system/BaseType.h"

TSystemIniBase* PluginSettings = nullptr;
std::string PluginFolder;
void* PluginHostWnd = nullptr;
std::vector<TPluginItem> PluginList;

namespace {

bool winampInitialised = false;
std::unique_ptr<TVSTAddOn> vstAddOn;

bool IsWinampDspFileName(const std::string& name) {
  return name.size() > 8 && name.rfind("dsp_", 0) == 0 &&
         name.compare(name.size() - 4, 4, ".dll") == 0;
}

// File names of the folder's Winamp-style DSP plug-ins, sorted; none when it cannot be read.
std::vector<std::string> WinampDspFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (IsWinampDspFileName(name) && !entry.is_directory(error)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string FolderWithSlash(const std::string& folder) {
  return folder.empty() || folder.back() == '/' ? folder : folder + '/';
}

template <class TProc>
bool LookUp(void* library, const char* name, TProc& proc) {
  proc = reinterpret_cast<TProc>(BASS_AddOnSymbol(library, name));
  return proc != nullptr;
}

}  // namespace

const TSystemIniBase& PluginSettingsOrDefault() {
  static const TSystemIniBase defaults;
  return PluginSettings ? *PluginSettings : defaults;
}

void ScanWinampPlugins() {
  if (!PluginSettingsOrDefault().AllowWinampPlugins()) {
    BASS_WADSP_Free();
    PluginList.clear();
    winampInitialised = false;
    return;
  }
  if (winampInitialised) return;
  winampInitialised = true;
  if (!BASS_WADSP_Init(PluginHostWnd)) return;  // no add-on on this system
  const std::string folder = FolderWithSlash(PluginFolder);
  for (const std::string& name : WinampDspFiles(folder)) {
    const std::string path = folder + name;
    const DWORD handle = BASS_WADSP_Load(path.c_str(), 0, 0, 10, 10, nullptr);
    if (handle == 0) continue;
    const char* pluginName = BASS_WADSP_GetName(handle);
    TPluginItem item;
    item.DisplayName = "(DSP) " + std::string(pluginName ? pluginName : "") + " [" + name + "]";
    item.Path = name;
    item.H = handle;
    PluginList.push_back(item);
  }
}

bool LoadVSTAddOn() {
  if (vstAddOn) return true;
  auto addOn = std::make_unique<TVSTAddOn>();
  addOn->Library = BASS_AddOnOpen("bass_vst.dll");
  if (!addOn->Library) return false;
  void* library = addOn->Library;
  const bool complete = LookUp(library, "BASS_VST_ChannelSetDSP", addOn->ChannelSetDSP) &&
                        LookUp(library, "BASS_VST_ChannelRemoveDSP", addOn->ChannelRemoveDSP) &&
                        LookUp(library, "BASS_VST_EmbedEditor", addOn->EmbedEditor) &&
                        LookUp(library, "BASS_VST_GetInfo", addOn->GetInfo) &&
                        LookUp(library, "BASS_VST_GetParam", addOn->GetParam) &&
                        LookUp(library, "BASS_VST_SetParam", addOn->SetParam) &&
                        LookUp(library, "BASS_VST_GetParamCount", addOn->GetParamCount) &&
                        LookUp(library, "BASS_VST_GetParamInfo", addOn->GetParamInfo);
  if (!complete) {  // "Unable to locate a function (VST)": unavailable, no message
    BASS_AddOnClose(library);
    return false;
  }
  vstAddOn = std::move(addOn);
  return true;
}

const TVSTAddOn* VSTAddOn() { return vstAddOn.get(); }

void UnloadVSTAddOn() {
  if (!vstAddOn) return;
  BASS_AddOnClose(vstAddOn->Library);
  vstAddOn.reset();
}
