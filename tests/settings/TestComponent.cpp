#include "TestComponent.h"

#include "settings/format/PropInfo.h"

namespace {
constexpr std::string_view kCurveNames[] = {"csLine", "csParabolaDown", "csParabolaUp"};
constexpr std::string_view kStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
}  // namespace

const TPropList& TTestBand::Published() const {
  using T = TTestBand;
  static const TPropList props({
      Prop::Integer("CenterFreq", &T::CenterFreq),
      Prop::String("Label", &T::Label),
      Prop::Strings("Aliases", &T::Aliases),
  });
  return props;
}

TTestComponent::TTestComponent() {
  Separators.Add("ft");
  Separators.Add("feat.");
  Bands.Add().CenterFreq = 31;
  Bands.Add().CenterFreq = 62;
}

const TPropList& TTestComponent::Published() const {
  using T = TTestComponent;
  static const TPropList props(TComponent::ClassProperties(), {
      Prop::Integer("Number", &T::Number),
      Prop::Integer("ArtworkSize", &T::ArtworkSize).Default(350),
      Prop::Cardinal("Speakers", &T::Speakers),
      Prop::Boolean("Preload", &T::Preload),
      Prop::Boolean("UseEdgeBrowser", &T::UseEdgeBrowser).Default(true),
      Prop::Enum("Curve", &T::Curve, kCurveNames),
      Prop::Set("Styles", &T::Styles, kStyleNames),
      Prop::Double("Threshold", &T::Threshold),
      Prop::Single("Bandwidth", &T::Bandwidth),
      Prop::String("Title", &T::Title),
      Prop::String("EmptyWritten", &T::EmptyWritten).NoDefault(),
      Prop::Strings("Separators", &T::Separators),
      Prop::Collection("Bands", &T::Bands),
      Prop::Object("MainFont", &T::MainFont),
      Prop::Integer("BackColor", &T::BackColor).Named(ColorIdents),
      Prop::Integer("Hidden", &T::Hidden).Stored(false),
      Prop::Integer("Optional", &T::Optional).StoredIf(&T::IsOptionalStored),
      Prop::Integer("Timeout", &T::Timeout, &T::SetTimeout),
  });
  return props;
}
