// TDSPItemC: one entry of a stored DSP chain (items of the player settings' DSPList and MicDSPList):
// a plug-in or one of the built-in effects, its state and its parameters. The audio engine builds
// the chain from these. Main thread, like the settings that hold it.
#pragma once

#include <string>

#include "settings/format/Collection.h"
#include "settings/format/PublishedProperty.h"
#include "settings/format/StringList.h"

enum class TDSPType { dspPlugin, dspIntegrated };
enum class TPluginType { ptDSP, ptGEN, ptVST };
enum class TPluginState { psOff, psActive };
enum class TIntDSPKind { dspEqualizer, dspCompressor, dspGain };

class TDSPItemC : public TCollectionItem {
 public:
  explicit TDSPItemC(TCollection& collection) : TCollectionItem(collection) {}
  std::string ClassName() const override { return "TDSPItemC"; }
  const TPropList& Published() const override;

  PUBLISHED_PROPERTY(TDSPType, T, TDSPType::dspPlugin)
  // The effect's stored parameters, one per line, in the effect's own text form.
  TStringList& Params() { return FParams; }
  const TStringList& Params() const { return FParams; }
  PUBLISHED_PROPERTY(std::string, DispName, "")
  // Plug-in library path (dspPlugin only).
  PUBLISHED_PROPERTY(std::string, PluginPath, "")
  PUBLISHED_PROPERTY(TPluginType, PluginType, TPluginType::ptDSP)
  PUBLISHED_PROPERTY(TPluginState, State, TPluginState::psOff)
  // Which built-in effect (dspIntegrated only).
  PUBLISHED_PROPERTY(TIntDSPKind, IntDSPKind, TIntDSPKind::dspEqualizer)
  PUBLISHED_PROPERTY(std::string, PresetName, "")

 private:
  TStringList FParams;
};
