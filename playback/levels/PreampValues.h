#pragma once
// The gain values of one playback engine: written by the controller on the main thread, read by
// the engine's sample procedure on the audio library's mixing threads. Every value but Volume is
// in dB and starts at 0.0; Volume is a percentage and starts at 100.0. Every access holds the
// multi-reader single-writer lock FSync; OnChange runs outside it, on the writer's thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/MultiReadExclusiveWriteSynchronizer.h"

// The indexes of TPreampValues::GetByIndex / SetByIndex.
enum TPreampIndex : int32_t {
    piGain = 0,
    piMic = 1,
    piFileType = 2,
    piReplayGain = 3,
    piTagLevel = 4,
    piSegueLevel = 5,
    piVolume = 6,
    piGain2 = 7,
};

class TPreampValues {
public:
    TPreampValues();
    TPreampValues(const TPreampValues&) = delete;
    TPreampValues& operator=(const TPreampValues&) = delete;

    // The value of index 0..7 (see TPreampIndex); 0.0 for any other index. Any thread.
    double GetByIndex(int32_t AIndex) const;
    // Stores value at index 0..7 (nothing for another index), then fires OnChange (also for an
    // index outside 0..7). Main thread (the writer of the engine's values).
    void SetByIndex(int32_t AIndex, double value);

    double Gain() const { return GetByIndex(piGain); }              // dB, the controller's stream gain
    void SetGain(double value) { SetByIndex(piGain, value); }
    double Mic() const { return GetByIndex(piMic); }                // dB, microphone attenuation
    void SetMic(double value) { SetByIndex(piMic, value); }
    double FileType() const { return GetByIndex(piFileType); }      // dB, the file type's amplification
    void SetFileType(double value) { SetByIndex(piFileType, value); }
    double ReplayGain() const { return GetByIndex(piReplayGain); }  // dB, the item's replay gain
    void SetReplayGain(double value) { SetByIndex(piReplayGain, value); }
    double TagLevel() const { return GetByIndex(piTagLevel); }      // dB, the entry's level
    void SetTagLevel(double value) { SetByIndex(piTagLevel, value); }
    double SegueLevel() const { return GetByIndex(piSegueLevel); }  // dB, the item's level
    void SetSegueLevel(double value) { SetByIndex(piSegueLevel, value); }
    double Volume() const { return GetByIndex(piVolume); }          // percent, the stream volume
    void SetVolume(double value) { SetByIndex(piVolume, value); }
    double Gain2() const { return GetByIndex(piGain2); }            // dB, voice-track music attenuation
    void SetGain2(double value) { SetByIndex(piGain2, value); }

    bool GetMute() const;
    // Does not fire OnChange.
    void SetMute(bool value);
    bool Mute() const { return GetMute(); }

    // Gain + Mic + FileType + ReplayGain + TagLevel + SegueLevel + Gain2, in dB (Volume and Mute
    // are not part of it).
    double GetLevel() const;
    // -(ReplayGain + TagLevel + SegueLevel), in dB: the level an engine gives its overlays.
    double GetLevelForMixed() const;
    // The linear factor for the engine's samples: 0 when Mic <= -50 dB, Gain <= -31 dB or muted;
    // else (Volume / 100) x 10^(level / 20) with the level sum limited to -60 .. +50 dB. Called on
    // mixing threads once per block: only the read lock and one power.
    double GetSampleMultiplier() const;
    // "G%.0f/M%.0f/F%.0f/R%.0f/T%.0f/S%.0f/g%.0f" of Gain, Mic, FileType, ReplayGain, TagLevel,
    // SegueLevel and Gain2, each rounded half away from zero ("-0" is shown as "0").
    std::string GetLevelStr() const;

    // Fired with this object after every SetByIndex, on the writer's thread, outside the lock.
    // Assign before the values are shared with other threads.
    std::function<void(TPreampValues* ASender)> OnChange;

private:
    // The field of index 0..7; null for any other index.
    static double TPreampValues::* ValueAt(int32_t AIndex);
    double LevelSum() const;  // the caller holds the lock

    std::unique_ptr<TMultiReadExclusiveWriteSynchronizer> FSync;  // owned
    double FGain = 0.0;
    double FMic = 0.0;
    double FFileType = 0.0;
    double FReplayGain = 0.0;
    double FTagLevel = 0.0;
    double FSegueLevel = 0.0;
    bool FMute = false;
    double FVolume = 100.0;
    double FGain2 = 0.0;
};
