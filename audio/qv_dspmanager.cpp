#include "audio/qv_dspmanager.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "audio/qv_plugins.h"
#include "platform/TextCodec.h"
#include "platform/MessageBox.h"
#include "settings/format/FloatText.h"
#include "settings/format/px_utils.h"
#include "settings/system/BaseType.h"

std::vector<TDSPManager*> DSPManagers;

namespace {

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsWinampItem(const TDSPItemC& item) {
  return item.T() == TDSPType::dspPlugin && item.PluginType() == TPluginType::ptDSP;
}

bool IsVSTItem(const TDSPItemC& item) {
  return item.T() == TDSPType::dspPlugin && item.PluginType() == TPluginType::ptVST;
}

// VSTSkipSettings lists file names separated by ';'.
bool SkipsSettings(const std::string& pluginPath) {
  const std::string fileName = std::filesystem::path(pluginPath).filename().string();
  const std::string& list = PluginSettingsOrDefault().VSTSkipSettings();
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = std::min(list.find(';', start), list.size());
    if (SameTextIgnoringCase(list.substr(start, end - start), fileName)) return true;
    start = end + 1;
  }
  return false;
}

// Shortest text that reads back as the same float, with '.'.
std::string InvariantFloatText(float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  return std::string(text, result.ptr);
}

}  // namespace

TDSPManager::TDSPManager(const std::string& AName) : FName(AName) { DSPManagers.push_back(this); }

TDSPManager::~TDSPManager() {
  OnChange = nullptr;  // its owner may be half gone
  StopAllDSPs();
  std::erase(DSPManagers, this);
}

void TDSPManager::SetWorkChannel(DWORD channel) {
  StopAllDSPs();
  FWorkChannel = channel;
}

void TDSPManager::AssignWinampHandles() {
  for (const TPluginItem& plugin : PluginList) {
    for (int i = 0; i < DSPList().Count(); ++i) {
      const TDSPItemC& item = DSPList().Items(i);
      if (IsWinampItem(item) && SameTextIgnoringCase(item.PluginPath(), plugin.Path)) {
        Run(item).H = plugin.H;
      }
    }
  }
}

void TDSPManager::StartAllDSPs() {
  const TSystemIniBase& settings = PluginSettingsOrDefault();
  if (settings.AllowWinampPlugins()) {
    ScanWinampPlugins();
    AssignWinampHandles();
  }
  if (settings.AllowVstPlugins()) LoadVSTAddOn();
  for (int i = 0; i < DSPList().Count(); ++i) StopDSP(i);
  for (int i = 0; i < DSPList().Count(); ++i) {
    if (DSPList().Items(i).State() == TPluginState::psActive) StartDSP(i);
  }
}

void TDSPManager::StartDSP(int idx) {
  TDSPItemC& item = DSPList().Items(idx);
  TDSPItemRun& run = Run(item);
  if (item.T() == TDSPType::dspIntegrated) {
    run.IntDsp.reset();  // a running effect is replaced, never doubled
    item.SetState(TPluginState::psActive);
    run.IntDsp = CreateIntegratedDSP(item, FWorkChannel, PluginSettingsOrDefault());
    run.IntDsp->SetDSP(true);
    run.IntDsp->UpdateDSP();
  } else {
    StartPlugin(item);
  }
  Changed();
}

void TDSPManager::StartPlugin(TDSPItemC& item) {
  TDSPItemRun& run = Run(item);
  if (IsWinampItem(item)) {
    // Without the add-on (or the plug-in) there is no handle and nothing runs.
    if (run.H == 0 || !BASS_WADSP_Start(run.H, 0, 0)) return;
    item.SetState(TPluginState::psActive);
    BASS_WADSP_ChannelSetDSP(run.H, FWorkChannel, kDSPManagerPriority);
    return;
  }
  const TVSTAddOn* vst = VSTAddOn();
  if (!IsVSTItem(item) || !vst) return;
  if (run.H != 0) vst->ChannelRemoveDSP(FWorkChannel, run.H);
  run.H = vst->ChannelSetDSP(FWorkChannel, item.PluginPath().c_str(), BASS_UNICODE, kDSPManagerPriority);
  if (run.H == 0) {
    MyMessageBox("Unable to start VST plugin (" + item.PluginPath() + "): error " +
                     std::to_string(BASS_ErrorGetCode()),
                 "", MB_ICONERROR);
    return;
  }
  item.SetState(TPluginState::psActive);
  if (!SkipsSettings(item.PluginPath())) {
    for (int i = 0; i < DSPList().Count(); ++i) {
      if (&DSPList().Items(i) == &item) LoadVSTParams(i);
    }
  }
}

void TDSPManager::StopDSP(int idx) {
  TDSPItemC& item = DSPList().Items(idx);
  TDSPItemRun& run = Run(item);
  if (item.T() == TDSPType::dspIntegrated) {
    if (run.IntDsp) run.IntDsp->SetDSP(false);
    run.IntDsp.reset();
  } else {
    StopPlugin(idx);
  }
  Changed();
}

void TDSPManager::StopPlugin(int idx) {
  TDSPItemC& item = DSPList().Items(idx);
  TDSPItemRun& run = Run(item);
  if (run.H == 0) return;
  if (IsWinampItem(item)) {
    BASS_WADSP_ChannelRemoveDSP(run.H);
    BASS_WADSP_Stop(run.H);  // the handle stays: it belongs to the loaded plug-in
  } else if (const TVSTAddOn* vst = VSTAddOn(); vst && IsVSTItem(item)) {
    SaveVSTParams(idx);
    vst->ChannelRemoveDSP(FWorkChannel, run.H);
    run.H = 0;
  }
}

void TDSPManager::StopAllDSPs() {
  for (int i = 0; i < DSPList().Count(); ++i) StopDSP(i);
}

void TDSPManager::StopVST() {
  for (int i = 0; i < DSPList().Count(); ++i) {
    if (IsVSTItem(DSPList().Items(i))) StopDSP(i);
  }
}

void TDSPManager::SaveAllVSTParams() {
  for (int i = 0; i < DSPList().Count(); ++i) {
    if (IsVSTItem(DSPList().Items(i))) SaveVSTParams(i);
  }
}

void TDSPManager::LoadVSTParams(int idx) {
  TDSPItemC& item = DSPList().Items(idx);
  const TVSTAddOn* vst = VSTAddOn();
  const DWORD handle = Run(item).H;
  if (!vst || !IsVSTItem(item) || handle == 0 || item.State() != TPluginState::psActive) return;
  const int count = vst->GetParamCount(handle);
  // Stored values of another version of the plug-in would land on the wrong parameters.
  if (count != item.Params().Count()) return;
  for (int i = 0; i < count; ++i) {
    const auto value = SettingsTextToFloat(item.Params().Strings(i));
    if (value) vst->SetParam(handle, i, static_cast<float>(*value));
  }
}

void TDSPManager::SaveVSTParams(int idx) {
  TDSPItemC& item = DSPList().Items(idx);
  const TVSTAddOn* vst = VSTAddOn();
  const DWORD handle = Run(item).H;
  if (!vst || !IsVSTItem(item) || handle == 0 || item.State() != TPluginState::psActive) return;
  item.Params().Clear();
  const int count = vst->GetParamCount(handle);
  for (int i = 0; i < count; ++i) item.Params().Add(InvariantFloatText(vst->GetParam(handle, i)));
}

void TDSPManager::SetSongTitle(const std::string& Value) {
  FSongTitle = Value;
  const std::string title = Utf8ToWindows1252(Value);
  for (int i = 0; i < DSPList().Count(); ++i) {
    const TDSPItemC& item = DSPList().Items(i);
    const DWORD handle = Run(item).H;
    if (!IsWinampItem(item) || handle == 0) continue;
    BASS_WADSP_SetSongTitle(handle, title.c_str());
    BASS_WADSP_SetFileName(handle, title.c_str());
  }
}

void TDSPManager::SaveDSPList(const std::string& fileName) { FListFile->Save(fileName); }

void TDSPManager::LoadDSPList(const std::string& fileName) {
  auto loaded = std::make_unique<TDSPListFile>();
  loaded->Load(fileName);  // throws before anything here has changed
  StopAllDSPs();
  FRuns.clear();
  FListFile = std::move(loaded);
  if (FWorkChannel != 0) StartAllDSPs();
  Changed();
}

const TIntegratedDSP* TDSPManager::IntegratedDSP(int idx) const {
  const auto run = FRuns.find(&DSPList().Items(idx));
  return run == FRuns.end() ? nullptr : run->second.IntDsp.get();
}

void TDSPManager::Changed() {
  if (OnChange) OnChange(*this);
}
