// TPlayerIni: the player settings, and the process-wide instance PlayerIni.
//
// For now this holds the DTMF group; the full settings class grows around it. Created and read on
// the main thread at start-up; worker threads read it without locks, so the main thread changes
// only the fields a running worker does not read (see the DTMF worker).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class TPlayerIni {
 public:
  TPlayerIni() = default;

  // DTMF group, in declaration (and file) order.
  int32_t DTMFSource() const { return FDTMFSource; }
  void SetDTMFSource(int32_t value) { FDTMFSource = value; }
  const std::string& DTMFUrl() const { return FDTMFUrl; }
  void SetDTMFUrl(const std::string& value) { FDTMFUrl = value; }
  int32_t DTMFPeriod() const { return FDTMFPeriod; }
  void SetDTMFPeriod(int32_t value) { FDTMFPeriod = value; }
  int32_t DTMFPeriodAfter() const { return FDTMFPeriodAfter; }
  void SetDTMFPeriodAfter(int32_t value) { FDTMFPeriodAfter = value; }
  // Minimum tone level, a linear amplitude on a full scale of 1.0 (0.05 is about -26 dB).
  double DTMFThreshold() const { return FDTMFThreshold; }
  void SetDTMFThreshold(double value) { FDTMFThreshold = value; }
  // Analysis delay in seconds.
  double DTMFDelay() const { return FDTMFDelay; }
  void SetDTMFDelay(double value) { FDTMFDelay = value; }
  // 0 left, 1 right, 2 left + right, 3 left - right (counterphase).
  int32_t DTMFChannelMode() const { return FDTMFChannelMode; }
  void SetDTMFChannelMode(int32_t value) { FDTMFChannelMode = value; }
  bool DTMFSkipExitFT() const { return FDTMFSkipExitFT; }
  void SetDTMFSkipExitFT(bool value) { FDTMFSkipExitFT = value; }
  const std::string& DTMFSkipExitFTSelected() const { return FDTMFSkipExitFTSelected; }
  void SetDTMFSkipExitFTSelected(const std::string& value) { FDTMFSkipExitFTSelected = value; }

 private:
  int32_t FDTMFSource = 0;
  std::string FDTMFUrl;
  int32_t FDTMFPeriod = 5;
  int32_t FDTMFPeriodAfter = 5;
  double FDTMFThreshold = 0.05;
  double FDTMFDelay = 0;
  int32_t FDTMFChannelMode = 0;
  bool FDTMFSkipExitFT = false;
  std::string FDTMFSkipExitFTSelected;
};

// The process-wide player settings: created at start-up, freed at shut-down; null outside.
extern std::unique_ptr<TPlayerIni> PlayerIni;
