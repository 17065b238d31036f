// TDSPManager: an ordered, saved list of effects applied to one work channel: Winamp-style DSP
// plug-ins and VST plug-ins when their add-ons exist (see qv_plugins.h), and the built-in
// equaliser, compressor and gain (DSPIntegrated.h), all at priority 49 in list order.
//
// Main thread only; the effects run on the thread that reads the work channel. The work channel
// belongs to the caller and must outlive the running effects (StopAllDSPs, or the destructor,
// takes them off it).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/DSPIntegrated.h"
#include "audio/DSPListFile.h"
#include "audiolib/audiolib.h"

class TDSPManager {
 public:
  // Registers the manager in DSPManagers.
  explicit TDSPManager(const std::string& AName);
  // Takes its effects off the work channel and leaves DSPManagers.
  ~TDSPManager();
  TDSPManager(const TDSPManager&) = delete;
  TDSPManager& operator=(const TDSPManager&) = delete;

  const std::string& Name() const { return FName; }
  // The list: add and edit items freely, but stop the running ones (StopAllDSPs) before clearing.
  TDSPItemsC& DSPList() { return FListFile->DSPList(); }
  const TDSPItemsC& DSPList() const { return FListFile->DSPList(); }
  DWORD WorkChannel() const { return FWorkChannel; }
  // Stops every running effect first; StartAllDSPs then starts the active ones on the new channel.
  void SetWorkChannel(DWORD channel);

  // Looks the plug-ins up (when the settings allow them), stops every item and starts the active
  // ones in list order.
  void StartAllDSPs();
  // Starts item idx on the work channel (an item already running is restarted); State becomes
  // psActive once it runs. Throws std::out_of_range for a bad index.
  void StartDSP(int idx);
  // Takes item idx off the work channel; State is kept. Throws std::out_of_range for a bad index.
  void StopDSP(int idx);
  void StopAllDSPs();
  void StopVST();
  void SaveAllVSTParams();
  void LoadVSTParams(int idx);
  void SaveVSTParams(int idx);

  const std::string& SongTitle() const { return FSongTitle; }
  // Passes the title to the running Winamp-style plug-ins.
  void SetSongTitle(const std::string& Value);

  // Saves the list (EDSPListError on failure; the old file stays whole).
  void SaveDSPList(const std::string& fileName);
  // Replaces the list by the one saved in fileName and, with a work channel set, starts its active
  // items. A file that cannot be read or is damaged throws EDSPListError and changes nothing: the
  // current list and its running effects stay.
  void LoadDSPList(const std::string& fileName);

  // The built-in effect of item idx while it runs, else null.
  const TIntegratedDSP* IntegratedDSP(int idx) const;

  // Fires OnChange.
  void Changed();
  std::function<void(TDSPManager& Sender)> OnChange;

 private:
  // What runs for one item.
  struct TDSPItemRun {
    DWORD H = 0;  // Winamp-style plug-in or VST handle
    std::unique_ptr<TIntegratedDSP> IntDsp;
  };
  TDSPItemRun& Run(const TDSPItemC& item) { return FRuns[&item]; }
  void StartPlugin(TDSPItemC& item);
  void StopPlugin(int idx);
  void AssignWinampHandles();

  std::unique_ptr<TDSPListFile> FListFile = std::make_unique<TDSPListFile>();  // holds FDSPList
  std::map<const TDSPItemC*, TDSPItemRun> FRuns;
  DWORD FWorkChannel = 0;
  std::string FSongTitle;
  std::string FName;
};

// Every manager alive, in creation order.
extern std::vector<TDSPManager*> DSPManagers;
