// The DSP manager's built-in effects on a work channel: equaliser, compressor and gain, each at
// priority 49 in the channel's DSP chain.
//
// Main thread: created, switched and updated there; the effects run on the thread that reads the
// work channel. The item and the channel must outlive the effect object.
#pragma once

#include <atomic>
#include <memory>

#include "audiolib/audiolib.h"
#include "settings/player/DSPItemC.h"

class TSystemIniBase;

// Priority of every DSP manager effect in the work channel's chain.
constexpr int kDSPManagerPriority = 49;

class TIntegratedDSP {
 public:
  TIntegratedDSP(TDSPItemC& inD, DWORD inChan) : FD(inD), Chan(inChan) {}
  virtual ~TIntegratedDSP() = default;
  TIntegratedDSP(const TIntegratedDSP&) = delete;
  TIntegratedDSP& operator=(const TIntegratedDSP&) = delete;

  // true installs the effect on the work channel (neutral until UpdateDSP), false removes it.
  virtual void SetDSP(bool A) = 0;
  // Applies the item's Params; a Params list of the wrong length or with a value that is not a
  // number leaves the effect's settings as they are (see each effect).
  virtual void UpdateDSP() = 0;
  // The effect or DSP handle on the work channel, 0 when not installed.
  DWORD Handle() const { return HFX; }

 protected:
  TDSPItemC& FD;
  DWORD HFX = 0;
  const DWORD Chan;
};

// Peaking equaliser: one band per entry of EQBands up to BandsNum (and at most 32), each
// Bandwidth octaves wide; Params holds one gain per band in whole dB.
class TIntegratedDSPEq : public TIntegratedDSP {
 public:
  TIntegratedDSPEq(TDSPItemC& inD, DWORD inChan, const TSystemIniBase& settings)
      : TIntegratedDSP(inD, inChan), FSettings(settings) {}
  ~TIntegratedDSPEq() override;
  void SetDSP(bool A) override;
  void UpdateDSP() override;

 private:
  int BandCount() const;
  const TSystemIniBase& FSettings;
};

// Compressor: Params holds gain (dB), threshold (dB), ratio, attack (ms), release (ms).
class TIntegratedDSPCompressor : public TIntegratedDSP {
 public:
  using TIntegratedDSP::TIntegratedDSP;
  ~TIntegratedDSPCompressor() override;
  void SetDSP(bool A) override;
  void UpdateDSP() override;
};

// Gain: Params holds one gain in dB, applied clamped to -60..50 dB.
class TIntegratedDSPGain : public TIntegratedDSP {
 public:
  using TIntegratedDSP::TIntegratedDSP;
  ~TIntegratedDSPGain() override;
  void SetDSP(bool A) override;
  void UpdateDSP() override;
  double GainDb() const { return FData.load(); }

 private:
  static DSPPROC GainDSP;
  // Written here, read by GainDSP on the channel's reading thread.
  std::atomic<double> FData{0.0};
  DWORD FSampleBits = 32;  // of the work channel's DSP chain: 32 float, 16 or 8
};

// The leaf for the item's IntDSPKind on `chan`.
std::unique_ptr<TIntegratedDSP> CreateIntegratedDSP(TDSPItemC& item, DWORD chan,
                                                    const TSystemIniBase& settings);
