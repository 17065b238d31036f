#include "settings/player/DSPItemC.h"

#include <string_view>

#include "settings/format/PropInfo.h"

namespace {
constexpr std::string_view kDSPTypeNames[] = {"dspPlugin", "dspIntegrated"};
constexpr std::string_view kPluginTypeNames[] = {"ptDSP", "ptGEN", "ptVST"};
constexpr std::string_view kPluginStateNames[] = {"psOff", "psActive"};
constexpr std::string_view kIntDSPKindNames[] = {"dspEqualizer", "dspCompressor", "dspGain"};
}  // namespace

const TPropList& TDSPItemC::Published() const {
  using C = TDSPItemC;
  static const TPropList props({
      Prop::Enum("T", &C::FT, kDSPTypeNames),
      Prop::Strings("Params", &C::FParams),
      Prop::String("DispName", &C::FDispName),
      Prop::String("PluginPath", &C::FPluginPath),
      Prop::Enum("PluginType", &C::FPluginType, kPluginTypeNames),
      Prop::Enum("State", &C::FState, kPluginStateNames),
      Prop::Enum("IntDSPKind", &C::FIntDSPKind, kIntDSPKindNames),
      Prop::String("PresetName", &C::FPresetName),
  });
  return props;
}
