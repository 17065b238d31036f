#include "settings/format/ObjectReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "TestComponent.h"
#include "settings/format/ObjectParser.h"
#include "settings/format/ObjectWriter.h"
#include "settings/format/StreamErrors.h"
#include "settings/format/px_utils.h"

namespace {

// Every property away from its constructor value.
void ChangeEverything(TTestComponent& c) {
  c.SetName("Changed");
  c.SetTag(-9);
  c.Number = -2147483647 - 1;
  c.ArtworkSize = 1;
  c.Speakers = 0xFFFFFFF0;
  c.Preload = false;
  c.UseEdgeBrowser = false;
  c.Curve = TTestCurve::csParabolaUp;
  c.Styles = fsItalic | fsUnderline;
  c.Threshold = -0.0070794578438;
  c.Bandwidth = 0.1f;
  c.Title = std::string(130, 'q') + "\t'\xC3\xA9\xF0\x9F\x8E\xB5";
  c.EmptyWritten = "now set";
  c.Separators.Clear();
  c.Separators.Add("");
  c.Separators.Add("&");
  c.Separators.Add(std::string(70, ','));
  c.Bands.Clear();
  TTestBand& band = c.Bands.Add();
  band.CenterFreq = 16000;
  band.Label = "x'y";
  band.Aliases.Add("hi");
  c.Bands.Add().CenterFreq = -1;
  c.MainFont.SetName("DejaVu Sans");
  c.MainFont.SetHeight(-13);
  c.MainFont.SetStyle(fsBold);
  c.MainFont.SetColor(clMoneyGreen);
  c.MainFont.SetCharset(238);
  c.MainFont.SetPitch(TFontPitch::fpFixed);
  c.BackColor = 0x00ABCDEF;
  c.SetTimeout(29999);
}

std::string Text(TTestComponent& c) { return ComponentToText(c); }

std::unique_ptr<TTestComponent> ReadText(const std::string& text) {
  auto c = std::make_unique<TTestComponent>();
  LoadComponentFromText(*c, text);
  return c;
}

}  // namespace

TEST(ObjectReader, RoundTripsEveryKindByteForByte) {
  TTestComponent written;
  ChangeEverything(written);
  std::string text = Text(written);
  auto read = ReadText(text);
  EXPECT_EQ(Text(*read), text);
  EXPECT_EQ(read->Name(), "Changed");
  EXPECT_EQ(read->Number, written.Number);
  EXPECT_EQ(read->Speakers, 0xFFFFFFF0u);
  EXPECT_EQ(read->Title, written.Title);
  EXPECT_EQ(read->Bandwidth, 0.1f);
  EXPECT_EQ(read->Threshold, written.Threshold);
  EXPECT_EQ(read->Separators, written.Separators);
  ASSERT_EQ(read->Bands.Count(), 2);
  EXPECT_EQ(read->Bands.Items(0).Label, "x'y");
  EXPECT_EQ(read->Bands.Items(0).Aliases.Strings(0), "hi");
  EXPECT_EQ(read->MainFont.Charset(), 238);
  EXPECT_EQ(read->MainFont.Pitch(), TFontPitch::fpFixed);
}

TEST(ObjectReader, RoundTripsAFreshComponentAndKeepsConstructorValuesForWhatIsLeftOut) {
  TTestComponent fresh;
  fresh.Threshold = 0;  // absent from the file, so the reader keeps the constructor's value
  auto read = ReadText(Text(fresh));
  EXPECT_EQ(read->Threshold, 0.0177827941);
  fresh.Threshold = 0.0177827941;
  EXPECT_EQ(Text(*read), Text(fresh));
}

TEST(ObjectReader, RoundTripsNonFiniteFloats) {
  TTestComponent c;
  c.Threshold = std::numeric_limits<double>::infinity();
  c.Bandwidth = -std::numeric_limits<float>::infinity();
  EXPECT_EQ(ReadText(Text(c))->Threshold, std::numeric_limits<double>::infinity());
  EXPECT_EQ(ReadText(Text(c))->Bandwidth, -std::numeric_limits<float>::infinity());
  c.Threshold = std::nan("");
  EXPECT_TRUE(std::isnan(ReadText(Text(c))->Threshold));
}

TEST(ObjectReader, SkipsWhatDoesNotFitAndReadsEverythingElse) {
  struct Case {
    const char* line;
    const char* why;
  };
  const Case cases[] = {
      {"NoSuchProperty = 'x'", "unknown name"},
      {"NoSuch.Deeper = 1", "unknown dotted name"},
      {"Number.Strings = ('a')", "not a string list"},
      {"Curve = csWave", "identifier outside the enumeration"},
      {"Preload = Maybe", "identifier outside Boolean"},
      {"Styles = [fsBold, fsShadow]", "unknown set member"},
      {"Number = 'text'", "text for an Integer"},
      {"Number = 1.5", "float for an Integer"},
      {"Number = 4294967296", "beyond 32 bits"},
      {"Title = [fsBold]", "set for a string"},
      {"Threshold = 0.5s", "Single suffix for a Double"},
      {"Threshold = 2d", "date suffix"},
      {"Threshold = clNone", "identifier for a Double"},
      {"Bands = 5", "integer for a collection"},
      {"Separators = ('a')", "list without .Strings"},
      {"Separators.Strings = ('a' 5)", "non-string in a list"},
      {"MainFont = 3", "value for a nested object"},
      {"BackColor = clUnknown", "unknown colour name"},
      {"Name = '\x04Sans'", "a name the header could not hold"},
  };
  for (const Case& c : cases) {
    auto read = ReadText(std::string("object TTestComponent\r\n  Number = 1\r\n  ") + c.line +
                                   "\r\n  Title = 'after'\r\nend\r\n");
    TTestComponent fresh;
    fresh.Number = 1;
    fresh.Title = "after";
    EXPECT_EQ(Text(*read), Text(fresh)) << c.why;
  }
}

TEST(ObjectReader, AppliesEveryAcceptedValueForm) {
  auto c = ReadText(
      "object TTestComponent\n"
      "Number=$10 Speakers=-1 Preload=FALSE Curve=CSLINE Styles=[FSBOLD]\n"
      "Threshold = 5 Bandwidth = 0.25F Title = 'a' + #66\n"
      "MainFont.Color = $FF0000 mainfont.charset = RUSSIAN_CHARSET MAINFONT.SIZE = 12\n"
      "BackColor = clMoneyGreen Timeout = 99999\n"
      "END");
  EXPECT_EQ(c->Number, 16);
  EXPECT_EQ(c->Speakers, 0xFFFFFFFFu);
  EXPECT_FALSE(c->Preload);
  EXPECT_EQ(c->Curve, TTestCurve::csLine);
  EXPECT_EQ(c->Styles, fsBold);
  EXPECT_EQ(c->Threshold, 5.0);
  EXPECT_EQ(c->Bandwidth, 0.25f);
  EXPECT_EQ(c->Title, "aB");
  EXPECT_EQ(c->MainFont.Color(), 0xFF0000);
  EXPECT_EQ(c->MainFont.Charset(), 204);
  EXPECT_EQ(c->MainFont.Height(), -16);  // through the Size setter
  EXPECT_EQ(c->BackColor, clMoneyGreen);
  EXPECT_EQ(c->Timeout(), 30000);  // through the clamping setter
  EXPECT_EQ(ReadText("object TTestComponent Timeout = -1 end")->Timeout(), 750);
}

TEST(ObjectReader, KeepsCollectionItemsForAnEmptyListAndReplacesThemOtherwise) {
  auto kept = ReadText("object TTestComponent\n  Bands = <>\nend\n");
  ASSERT_EQ(kept->Bands.Count(), 2);
  EXPECT_EQ(kept->Bands.Items(1).CenterFreq, 62);

  auto replaced = ReadText(
      "object TTestComponent\n  Bands = <\n    item [7]\n      Label = 'one'\n      Unknown = 1\n    end>\nend\n");
  ASSERT_EQ(replaced->Bands.Count(), 1);
  EXPECT_EQ(replaced->Bands.Items(0).CenterFreq, 1000);  // the item's constructor value
  EXPECT_EQ(replaced->Bands.Items(0).Label, "one");
}

TEST(ObjectReader, EmptiesAndRefillsAStringList) {
  auto c = ReadText("object TTestComponent\n  Separators.Strings = (\n    'vs')\nend\n");
  ASSERT_EQ(c->Separators.Count(), 1);
  EXPECT_EQ(c->Separators.Strings(0), "vs");
  EXPECT_EQ(ReadText("object TTestComponent Separators.Strings = () end")->Separators.Count(), 0);
}

TEST(ObjectReader, TakesTheHeaderNameAndIgnoresTheClassNameAndNestedObjects) {
  auto c = ReadText("object Main: TSomethingElse\n  object Child: TX\n    Number = 2\n  end\n"
                              "  Number = 3\nend\n");
  EXPECT_EQ(c->Name(), "Main");
  EXPECT_EQ(c->Number, 3);
  EXPECT_EQ(ReadText("object TTestComponent Name = 'Renamed' end")->Name(), "Renamed");
}

TEST(ObjectReader, RaisesAReadErrorWhenNoErrorHandlerTakesThePropertyError) {
  TTestComponent c;
  TReader reader;
  TTextObject text = ParseObjectText("object TTestComponent\n  Number = 1\n  Unknown = 2\n  Title = 'x'\nend\n");
  EXPECT_THROW(reader.ReadRootComponent(text, c), EReadError);
  EXPECT_EQ(c.Number, 1);  // what was read before the failure stays
  EXPECT_EQ(c.Title, "Quaverlin Stream");

  std::vector<std::string> messages;
  reader.OnError = [&](TReader&, const std::string& message, bool& handled) {
    messages.push_back(message);
    handled = true;
  };
  reader.ReadRootComponent(text, c);
  EXPECT_EQ(messages, std::vector<std::string>{"Property Unknown does not exist"});
  EXPECT_EQ(c.Title, "x");
}
