#include "settings/format/ObjectWriter.h"

#include <gtest/gtest.h>

#include "TestComponent.h"
#include "settings/format/PropInfo.h"
#include "settings/format/StreamErrors.h"

namespace {

// The beginning of a system settings class, as in the format's worked example.
class TEqBand : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  std::string ClassName() const override { return "TEQBandsBand"; }
  const TPropList& Published() const override {
    static const TPropList props({Prop::Integer("CenterFreq", &TEqBand::CenterFreq)});
    return props;
  }
  int32_t CenterFreq = 0;
};

class TSystemIniStart : public TComponent {
 public:
  TSystemIniStart() {
    VSTFolder.Add("C:\\Program Files (x86)\\Steinberg\\VstPlugins\\");
    EQBands.Add().CenterFreq = 31;
    EQBands.Add().CenterFreq = 62;
  }
  std::string ClassName() const override { return "TSystemIni"; }
  const TPropList& Published() const override {
    using T = TSystemIniStart;
    static const TPropList props(TComponent::ClassProperties(), {
        Prop::Boolean("AllowWinampPlugins", &T::AllowWinampPlugins),
        Prop::Boolean("AllowVstPlugins", &T::AllowVstPlugins),
        Prop::Strings("VSTFolder", &T::VSTFolder),
        Prop::String("VSTSkipSettings", &T::VSTSkipSettings),
        Prop::Integer("BandsNum", &T::BandsNum),
        Prop::Collection("EQBands", &T::EQBands),
        Prop::Single("Bandwidth", &T::Bandwidth),
        Prop::Integer("EQRange", &T::EQRange),
    });
    return props;
  }
  bool AllowWinampPlugins = false;
  bool AllowVstPlugins = false;
  TStringList VSTFolder;
  std::string VSTSkipSettings;
  int32_t BandsNum = 10;
  TCollectionOf<TEqBand> EQBands;
  float Bandwidth = 2.5f;
  int32_t EQRange = 10;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(ObjectWriter, WritesTheWorkedExampleByteForByte) {
  TSystemIniStart settings;
  EXPECT_EQ(ComponentToText(settings),
            "object TSystemIni\r\n"
            "  AllowWinampPlugins = False\r\n"
            "  AllowVstPlugins = False\r\n"
            "  VSTFolder.Strings = (\r\n"
            "    'C:\\Program Files (x86)\\Steinberg\\VstPlugins\\')\r\n"
            "  BandsNum = 10\r\n"
            "  EQBands = <\r\n"
            "    item\r\n"
            "      CenterFreq = 31\r\n"
            "    end\r\n"
            "    item\r\n"
            "      CenterFreq = 62\r\n"
            "    end>\r\n"
            "  Bandwidth = 2.500000000000000000\r\n"
            "  EQRange = 10\r\n"
            "end\r\n");
}

TEST(ObjectWriter, WritesEveryKindOfAFreshComponentAndLeavesOutDefaultsAndUnstoredProperties) {
  TTestComponent component;
  EXPECT_EQ(ComponentToText(component),
            "object TTestComponent\r\n"
            "  Number = 5000\r\n"
            "  Speakers = 0\r\n"
            "  Preload = True\r\n"
            "  Curve = csParabolaDown\r\n"
            "  Styles = []\r\n"
            "  Threshold = 0.017782794100000000\r\n"
            "  Bandwidth = 2.500000000000000000\r\n"
            "  Title = 'Quaverlin Stream'\r\n"
            "  EmptyWritten = ''\r\n"
            "  Separators.Strings = (\r\n"
            "    'ft'\r\n"
            "    'feat.')\r\n"
            "  Bands = <\r\n"
            "    item\r\n"
            "      CenterFreq = 31\r\n"
            "    end\r\n"
            "    item\r\n"
            "      CenterFreq = 62\r\n"
            "    end>\r\n"
            "  MainFont.Charset = DEFAULT_CHARSET\r\n"
            "  MainFont.Color = clWindowText\r\n"
            "  MainFont.Height = -11\r\n"
            "  MainFont.Name = 'Tahoma'\r\n"
            "  MainFont.Style = []\r\n"
            "  BackColor = clNone\r\n"
            "  Timeout = 1000\r\n"
            "end\r\n");
}

TEST(ObjectWriter, WritesFloatingPointWithSixteenSignificantDigitsAndEighteenDecimals) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.05, "0.050000000000000000"},
      {-65, "-65.000000000000000000"},
      {0.0177827941, "0.017782794100000000"},
      {0.0070794578438, "0.007079457843800000"},
      {1.0 / 3.0, "0.333333333333333300"},
      {123456.789, "123456.789000000000000000"},
      {1e20, "100000000000000000000.000000000000000000"},
      {1.5e-7, "0.000000150000000000"},
      {2.5e-19, "0.000000000000000000"},
  };
  for (const Case& c : cases) {
    TTestComponent component;
    component.Threshold = c.value;
    EXPECT_TRUE(Contains(ComponentToText(component), std::string("\r\n  Threshold = ") + c.text + "\r\n"))
        << c.text;
  }
}

TEST(ObjectWriter, WidensASingleBeforeWritingIt) {
  TTestComponent component;
  component.Bandwidth = 0.1f;
  EXPECT_TRUE(Contains(ComponentToText(component), "\r\n  Bandwidth = 0.100000001490116100\r\n"));
}

TEST(ObjectWriter, LeavesOutFloatsThatAreZeroAndEmptyStringsAndStringLists) {
  TTestComponent component;
  component.Threshold = 0;
  component.Bandwidth = -0.0f;
  component.Title = "";
  component.Separators.Clear();
  std::string text = ComponentToText(component);
  EXPECT_FALSE(Contains(text, "Threshold"));
  EXPECT_FALSE(Contains(text, "Bandwidth"));
  EXPECT_FALSE(Contains(text, "Title"));
  EXPECT_FALSE(Contains(text, "Separators"));
}

TEST(ObjectWriter, WritesStringsAsQuotedRunsAndUtf16Codes) {
  struct Case {
    const char* value;
    const char* text;
  };
  const Case cases[] = {
      {"Caf\xC3\xA9", "'Caf'#233"},
      {"it's", "'it'#39's'"},
      {"a'b", "'a'#39'b'"},
      {"a\tb", "'a'#9'b'"},
      {"line\r\nnext", "'line'#13#10'next'"},
      {"'", "#39"},
      {"\x7F~ ", "'\x7F~ '"},
      {"\xF0\x9F\x8E\xB5", "#55356#57269"},  // U+1F3B5 as two UTF-16 code units
      {"--cbr --flush -h", "'--cbr --flush -h'"},
  };
  for (const Case& c : cases) {
    TTestComponent component;
    component.Title = c.value;
    EXPECT_TRUE(Contains(ComponentToText(component), std::string("\r\n  Title = ") + c.text + "\r\n")) << c.text;
  }
}

TEST(ObjectWriter, FoldsStringsLongerThanSixtyFourCharactersIntoSegments) {
  const std::string sixtyFour(64, 'x');
  TTestComponent component;
  component.Title = sixtyFour;
  EXPECT_TRUE(Contains(ComponentToText(component), "\r\n  Title = '" + sixtyFour + "'\r\n"));

  component.Title = sixtyFour + "y";
  EXPECT_TRUE(Contains(ComponentToText(component), "\r\n  Title = \r\n    '" + sixtyFour + "' +\r\n    'y'\r\n"));

  // A character written as a code counts as one; 64 tabs and a dot.
  component.Title = std::string(64, '\t') + ".";
  std::string tabs;
  for (int i = 0; i < 64; ++i) tabs += "#9";
  EXPECT_TRUE(Contains(ComponentToText(component), "\r\n  Title = \r\n    " + tabs + " +\r\n    '.'\r\n"));
}

TEST(ObjectWriter, FoldsLongStringsInsideAStringListAtTheListIndent) {
  TTestComponent component;
  component.Separators.Clear();
  component.Separators.Add(std::string(65, 'z'));
  component.Separators.Add("");
  EXPECT_TRUE(Contains(ComponentToText(component), "\r\n  Separators.Strings = (\r\n    '" + std::string(64, 'z') +
                                                        "' +\r\n    'z'\r\n    '')\r\n"));
}

TEST(ObjectWriter, WritesOrdinalFormsAndDeclaredDefaults) {
  TTestComponent component;
  component.SetTag(3);
  component.ArtworkSize = 351;
  component.Speakers = 0xFFFFFFFF;
  component.UseEdgeBrowser = false;
  component.Styles = 0b1011;
  component.Curve = TTestCurve::csLine;
  component.MainFont.SetOrientation(900);
  component.MainFont.SetCharset(3);
  component.BackColor = 0x123456;
  std::string text = ComponentToText(component);
  EXPECT_TRUE(Contains(text, "object TTestComponent\r\n  Tag = 3\r\n  Number = 5000\r\n  ArtworkSize = 351\r\n"));
  EXPECT_TRUE(Contains(text, "\r\n  Speakers = -1\r\n"));
  EXPECT_TRUE(Contains(text, "\r\n  UseEdgeBrowser = False\r\n"));
  EXPECT_TRUE(Contains(text, "\r\n  Curve = csLine\r\n"));
  EXPECT_TRUE(Contains(text, "\r\n  Styles = [fsBold, fsItalic, fsStrikeOut]\r\n"));
  EXPECT_TRUE(Contains(text, "\r\n  MainFont.Charset = 3\r\n"));
  EXPECT_TRUE(Contains(text, "\r\n  MainFont.Orientation = 900\r\n"));
  EXPECT_TRUE(Contains(text, "\r\n  BackColor = 1193046\r\n"));
}

TEST(ObjectWriter, AsksTheStoredConditionAndNeverWritesNeverStoredProperties) {
  TTestComponent component;
  EXPECT_FALSE(Contains(ComponentToText(component), "Optional"));
  component.WriteOptional = true;
  std::string text = ComponentToText(component);
  EXPECT_TRUE(Contains(text, "\r\n  Optional = 3\r\n"));
  EXPECT_FALSE(Contains(text, "Hidden"));
  EXPECT_FALSE(Contains(text, "MainFont.Size"));
}

TEST(ObjectWriter, WritesAnEmptyCollectionAsAngleBrackets) {
  TTestComponent component;
  component.Bands.Clear();
  EXPECT_TRUE(Contains(ComponentToText(component), "\r\n  Bands = <>\r\n"));
}

TEST(ObjectWriter, NestsCollectionItemPropertiesOneLevelDeeper) {
  TTestComponent component;
  component.Bands.Clear();
  TTestBand& band = component.Bands.Add();
  band.Label = std::string(65, 'L');
  band.Aliases.Add("a");
  EXPECT_TRUE(Contains(ComponentToText(component), "\r\n  Bands = <\r\n    item\r\n      CenterFreq = 1000\r\n"
                                                   "      Label = \r\n        '" + std::string(64, 'L') +
                                                       "' +\r\n        'L'\r\n"
                                                       "      Aliases.Strings = (\r\n        'a')\r\n    end>\r\n"));
}

TEST(ObjectWriter, NamesTheObjectInTheHeaderAndAddsAByteOrderMarkOnlyForNonAsciiIdentifiers) {
  TTestComponent component;
  component.SetName("Settings1");
  EXPECT_TRUE(ComponentToText(component).starts_with("object Settings1: TTestComponent\r\n"));
  component.SetName("Caf\xC3\xA9");
  EXPECT_TRUE(ComponentToText(component).starts_with("\xEF\xBB\xBFobject Caf\xC3\xA9: TTestComponent\r\n"));
}

TEST(ObjectWriter, RefusesAnEnumerationValueOutsideItsIdentifiers) {
  TTestComponent component;
  component.Curve = static_cast<TTestCurve>(7);
  EXPECT_THROW(ComponentToText(component), EWriteError);
}
