// Plug-in discovery for the DSP manager: Winamp-style DSP plug-ins (through the audio library's
// Winamp-DSP add-on) and the VST add-on, both optional libraries. On a system without them the
// scan finds nothing and the VST add-on counts as unavailable; neither says anything.
//
// Main thread only: the module state below is set by the host and read by the DSP managers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audiolib/audiolib.h"
#include "settings/player/DSPItemC.h"  // TPluginType

class TSystemIniBase;

// A discovered Winamp-style plug-in.
struct TPluginItem {
  std::string DisplayName;  // "(DSP) <plug-in name> [<file name>]"
  std::string Path;         // file name in PluginFolder
  TPluginType T = TPluginType::ptDSP;
  DWORD H = 0;              // handle from BASS_WADSP_Load
};

// Set by the host. Null PluginSettings: plug-ins off and the equaliser on the default bands.
extern TSystemIniBase* PluginSettings;
extern std::string PluginFolder;  // folder of the Winamp-style plug-ins, ending with '/'
extern void* PluginHostWnd;       // window handed to BASS_WADSP_Init
// Filled by ScanWinampPlugins.
extern std::vector<TPluginItem> PluginList;

// The settings in force: PluginSettings, or a default-constructed system settings base.
const TSystemIniBase& PluginSettingsOrDefault();

// With AllowWinampPlugins off: frees the add-on's plug-ins and empties PluginList. On: the first
// time only, initialises the add-on and loads every file "dsp_*.dll" of PluginFolder. A missing
// add-on or a plug-in that does not load is skipped without a message.
void ScanWinampPlugins();

// The VST add-on's functions, looked up at run time.
struct TVSTAddOn {
  using ChannelSetDSPProc = DWORD (*)(DWORD channel, const void* file, DWORD flags, int priority);
  using ChannelRemoveDSPProc = BOOL (*)(DWORD channel, DWORD vst);
  using EmbedEditorProc = BOOL (*)(DWORD vst, void* parentWindow);
  using GetInfoProc = BOOL (*)(DWORD vst, void* info);
  using GetParamProc = float (*)(DWORD vst, int index);
  using SetParamProc = BOOL (*)(DWORD vst, int index, float value);
  using GetParamCountProc = int (*)(DWORD vst);
  using GetParamInfoProc = BOOL (*)(DWORD vst, int index, void* info);

  ChannelSetDSPProc ChannelSetDSP = nullptr;
  ChannelRemoveDSPProc ChannelRemoveDSP = nullptr;
  EmbedEditorProc EmbedEditor = nullptr;
  GetInfoProc GetInfo = nullptr;
  GetParamProc GetParam = nullptr;
  SetParamProc SetParam = nullptr;
  GetParamCountProc GetParamCount = nullptr;
  GetParamInfoProc GetParamInfo = nullptr;
  void* Library = nullptr;  // BASS_AddOnOpen handle; closed by UnloadVSTAddOn
};

// Loads "bass_vst.dll" (its Linux library) once; true when it and all eight functions are there.
// A missing library or function ("Unable to locate a function (VST)") leaves VST unavailable,
// silently.
bool LoadVSTAddOn();
// The loaded add-on, or null.
const TVSTAddOn* VSTAddOn();
void UnloadVSTAddOn();
