#include "playback/levels/PreampValues.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "playback/levels/SyncGuards.h"

namespace {

constexpr double silentMicDb = -50.0;
constexpr double silentGainDb = -31.0;
constexpr double minLevelDb = -60.0;
constexpr double maxLevelDb = 50.0;

// Half away from zero, and never a negative zero, so -0.4 dB shows as "0".
double RoundForText(double valueDb) { return std::round(valueDb) + 0.0; }

}  // namespace

TPreampValues::TPreampValues() : FSync(std::make_unique<TMultiReadExclusiveWriteSynchronizer>()) {}

double TPreampValues::* TPreampValues::ValueAt(int32_t AIndex) {
    static constexpr std::array<double TPreampValues::*, 8> valuesByIndex = {
        &TPreampValues::FGain,       &TPreampValues::FMic,       &TPreampValues::FFileType,
        &TPreampValues::FReplayGain, &TPreampValues::FTagLevel,  &TPreampValues::FSegueLevel,
        &TPreampValues::FVolume,     &TPreampValues::FGain2};
    if (AIndex < 0 || AIndex >= static_cast<int32_t>(valuesByIndex.size())) return nullptr;
    return valuesByIndex[static_cast<size_t>(AIndex)];
}

double TPreampValues::GetByIndex(int32_t AIndex) const {
    TReadGuard guard(*FSync);
    const auto value = ValueAt(AIndex);
    return value ? this->*value : 0.0;
}

void TPreampValues::SetByIndex(int32_t AIndex, double value) {
    {
        TWriteGuard guard(*FSync);
        if (const auto stored = ValueAt(AIndex)) this->*stored = value;
    }
    if (OnChange) OnChange(this);
}

bool TPreampValues::GetMute() const {
    TReadGuard guard(*FSync);
    return FMute;
}

void TPreampValues::SetMute(bool value) {
    TWriteGuard guard(*FSync);
    FMute = value;
}

double TPreampValues::LevelSum() const {
    return FGain + FMic + FFileType + FReplayGain + FTagLevel + FSegueLevel + FGain2;
}

double TPreampValues::GetLevel() const {
    TReadGuard guard(*FSync);
    return LevelSum();
}

double TPreampValues::GetLevelForMixed() const {
    TReadGuard guard(*FSync);
    return -(FReplayGain + FTagLevel + FSegueLevel);
}

double TPreampValues::GetSampleMultiplier() const {
    TReadGuard guard(*FSync);
    if (FMic <= silentMicDb || FGain <= silentGainDb || FMute) return 0.0;
    const double levelDb = std::clamp(LevelSum(), minLevelDb, maxLevelDb);
    return (FVolume / 100.0) * std::pow(10.0, levelDb / 20.0);
}

std::string TPreampValues::GetLevelStr() const {
    TReadGuard guard(*FSync);
    const auto format = [this](char* text, size_t size) {
        return std::snprintf(text, size, "G%.0f/M%.0f/F%.0f/R%.0f/T%.0f/S%.0f/g%.0f", RoundForText(FGain),
                             RoundForText(FMic), RoundForText(FFileType), RoundForText(FReplayGain),
                             RoundForText(FTagLevel), RoundForText(FSegueLevel), RoundForText(FGain2));
    };
    // Ordinary levels fit the buffer; a huge value is written in full.
    char text[96];
    const int length = format(text, sizeof text);
    if (length < static_cast<int>(sizeof text)) return std::string(text, static_cast<size_t>(length));
    std::string longText(static_cast<size_t>(length) + 1, '\0');
    format(longText.data(), longText.size());
    longText.resize(static_cast<size_t>(length));
    return longText;
}
