#include "settings/player/PlayerIni.h"

#include "settings/player/Random.h"
#include "settings/location/com_settings.h"

std::unique_ptr<TPlayerIni> PlayerIni;

namespace {

constexpr int32_t kUIDRange = 100000;  // UIDs run from 0 to 99999
constexpr int32_t kTrackListSelectTimeoutForNegative = 750;
constexpr int32_t kTrackListSelectTimeoutMax = 30000;

constexpr const char* kArtistSeparators[] = {"ft", "ft.", "feat", "feat.", "vs", "vs.", "&", "and", "with", ","};

void AddIntegratedDSP(TCollectionOf<TDSPItemC>& list, TIntDSPKind kind, const std::string& name) {
  TDSPItemC& item = list.Add();
  item.SetT(TDSPType::dspIntegrated);
  item.SetIntDSPKind(kind);
  item.SetDispName(name);
}

}  // namespace

TPlayerIni::TPlayerIni() {
  FUID = RandomBelow(kUIDRange);
  FSAPath = SettingsDir + "Stream Archive/%y%m%d_%t";
  for (const char* separator : kArtistSeparators) FArtistSeparator.Add(separator);
  AddIntegratedDSP(FDSPList, TIntDSPKind::dspEqualizer, "Equalizer");
  AddIntegratedDSP(FDSPList, TIntDSPKind::dspCompressor, "Compressor");
}

void TPlayerIni::Read() { ReadFile(SettingsDir + "player.ini"); }

void TPlayerIni::Save() { SaveFile(SettingsDir + "player.ini", "player.ini"); }

void TPlayerIni::SetTrackListSelectTimeout(int32_t value) {
  if (value < 0) value = kTrackListSelectTimeoutForNegative;
  if (value > kTrackListSelectTimeoutMax) value = kTrackListSelectTimeoutMax;
  FTrackListSelectTimeout = value;
}
