#include "settings/format/ObjectParser.h"

#include <gtest/gtest.h>

#include <limits>

#include "settings/format/StreamErrors.h"

namespace {

std::string ParserErrorOf(const std::string& text) {
  try {
    ParseObjectText(text);
  } catch (const EParserError& error) {
    return error.what();
  }
  return "(no error)";
}

const TTextValue& OnlyValue(const TTextObject& object) { return object.Properties.at(0).Value; }

}  // namespace

TEST(ObjectParser, ReadsHeadersInEveryAcceptedForm) {
  struct Case {
    const char* text;
    const char* objectName;
    const char* className;
  };
  const Case cases[] = {
      {"object TPlayerIni\r\nend\r\n", "", "TPlayerIni"},
      {"OBJECT TPlayerIni END", "", "TPlayerIni"},
      {"inherited Form1: TForm1 [2]\nend", "Form1", "TForm1"},
      {"Inline  Frame : TFrame\n\tend", "Frame", "TFrame"},
  };
  for (const Case& c : cases) {
    TTextObject object = ParseObjectText(c.text);
    EXPECT_EQ(object.ObjectName, c.objectName) << c.text;
    EXPECT_EQ(object.ClassName, c.className) << c.text;
  }
}

TEST(ObjectParser, ReadsStringsFromRunsCodesAndJoins) {
  struct Case {
    const char* value;
    const char* text;
  };
  const Case cases[] = {
      {"'abc'", "abc"},
      {"''", ""},
      {"'it''s'", "it's"},
      {"'it'#39's'", "it's"},
      {"#$41#66'c'", "ABc"},
      {"'Caf'#233", "Caf\xC3\xA9"},
      {"'ab' +\r\n    'cd' + #13#10", "abcd\r\n"},
      {"#55356#57269", "\xF0\x9F\x8E\xB5"},
      {"#55356", "\xEF\xBF\xBD"},  // an unpaired surrogate becomes U+FFFD
  };
  for (const Case& c : cases) {
    TTextObject object = ParseObjectText(std::string("object T\n  S = ") + c.value + "\nend\n");
    EXPECT_EQ(OnlyValue(object).Kind, TTextValue::TKind::String) << c.value;
    EXPECT_EQ(OnlyValue(object).Text, c.text) << c.value;
  }
}

TEST(ObjectParser, ReadsNumbersInDecimalHexAndFloatingPointWithSuffixes) {
  struct Case {
    const char* value;
    TTextValue::TKind kind;
    int64_t integer;
    double number;
    char suffix;
  };
  using K = TTextValue::TKind;
  const Case cases[] = {
      {"-4", K::Integer, -4, 0, 0},
      {"$1FFFFFFF", K::Integer, 0x1FFFFFFF, 0, 0},
      {"$ffffffff", K::Integer, 0xFFFFFFFF, 0, 0},
      {"0.050000000000000000", K::Float, 0, 0.05, 0},
      {"-65.000000000000000000", K::Float, 0, -65, 0},
      {"1.5E-3", K::Float, 0, 0.0015, 0},
      {"2e+2", K::Float, 0, 200, 0},
      {"2.5f", K::Float, 0, 2.5, 'f'},
      {"2.5S", K::Float, 0, 2.5, 's'},
      {"3c", K::Float, 0, 3, 'c'},
      {"1E9999", K::Float, 0, std::numeric_limits<double>::infinity(), 0},
  };
  for (const Case& c : cases) {
    const TTextValue value = OnlyValue(ParseObjectText(std::string("object T N = ") + c.value + " end"));
    EXPECT_EQ(value.Kind, c.kind) << c.value;
    EXPECT_EQ(value.Integer, c.integer) << c.value;
    EXPECT_DOUBLE_EQ(value.Float, c.number) << c.value;
    EXPECT_EQ(value.FloatSuffix, c.suffix) << c.value;
  }
}

TEST(ObjectParser, ReadsSetsListsCollectionsAndDottedNames) {
  TTextObject object = ParseObjectText(
      "object T\n"
      "  Font.Style = [fsBold,fsItalic ]\n"
      "  Empty = []\n"
      "  Names.Strings = ('a' 'b'\n 'c')\n"
      "  Items = <item [3] A = 1 end ITEM B = True End>\n"
      "  None = <>\n"
      "end\n");
  ASSERT_EQ(object.Properties.size(), 5u);
  EXPECT_EQ(object.Properties[0].Name, "Font.Style");
  EXPECT_EQ(object.Properties[0].Value.Members, (std::vector<std::string>{"fsBold", "fsItalic"}));
  EXPECT_TRUE(object.Properties[1].Value.Members.empty());
  EXPECT_EQ(object.Properties[2].Name, "Names.Strings");
  EXPECT_EQ(object.Properties[2].Value.Elements.size(), 3u);
  const TTextValue& items = object.Properties[3].Value;
  ASSERT_EQ(items.Items.size(), 2u);
  EXPECT_EQ(items.Items[0].Properties[0].Name, "A");
  EXPECT_EQ(items.Items[1].Properties[0].Value.Text, "True");
  EXPECT_EQ(object.Properties[4].Value.Kind, TTextValue::TKind::Collection);
  EXPECT_TRUE(object.Properties[4].Value.Items.empty());
}

TEST(ObjectParser, DecodesUtf8AfterAByteOrderMarkAndWindows1252Otherwise) {
  EXPECT_EQ(OnlyValue(ParseObjectText("\xEF\xBB\xBFobject T S = 'Caf\xC3\xA9' end")).Text, "Caf\xC3\xA9");
  EXPECT_EQ(OnlyValue(ParseObjectText("object T S = 'Caf\xE9 \x80' end")).Text, "Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(ObjectParser, SkipsNestedObjectBlocksIntoChildren) {
  TTextObject object = ParseObjectText("object T A = 1 object Child: TX B = 2 end C = 3 end");
  EXPECT_EQ(object.Properties.size(), 2u);
  ASSERT_EQ(object.Children.size(), 1u);
  EXPECT_EQ(object.Children[0].ObjectName, "Child");
}

TEST(ObjectParser, RaisesTheFixedErrorTexts) {
  EXPECT_EQ(ParserErrorOf("object T\n  S = 'broken\n  string'\nend\n"), "Invalid string constant");
  EXPECT_EQ(ParserErrorOf("object T\n  S = 'unterminated"), "Invalid string constant");
  EXPECT_EQ(ParserErrorOf("object T\n  S = #\nend\n"), "Invalid string constant");
  EXPECT_EQ(ParserErrorOf("object T\n  S = #70000\nend\n"), "Invalid string constant");
  EXPECT_EQ(ParserErrorOf("object T\n  S = 'a' +\nend\n"), "Invalid string constant");
  EXPECT_EQ(ParserErrorOf("object T\n  S = @\nend\n"), "Invalid property value");
  EXPECT_EQ(ParserErrorOf("object T\n  S = -x\nend\n"), "Invalid property value");
  EXPECT_EQ(ParserErrorOf("\xFF\xFEo\0b\0"), "ANSI or UTF8 encoding expected");
  EXPECT_EQ(ParserErrorOf("\xFE\xFF\0o"), "ANSI or UTF8 encoding expected");
}

TEST(ObjectParser, RejectsDamagedStructure) {
  const char* damaged[] = {
      "",
      "object",
      "thing T end",
      "object T\n  Number = 5",        // truncated in the middle of the object
      "object T\n  Number = ",         // truncated in the middle of a property line
      "object T\n  Number 5\nend",     // no '='
      "object T\n  L.Strings = ('a'\nend",
      "object T\n  C = <\n    item\n      A = 1\n",
      "object T\n  C = <\n    A = 1\n  >\nend",
      "object T\n  S = [a b]\nend",
      "object T\n  N = 99999999999999999999\nend",
      "object T\n  N = $\nend",
      "object T\n  N = 1.2.3\nend",
  };
  for (const char* text : damaged) EXPECT_THROW(ParseObjectText(text), EParserError) << text;
}

TEST(ObjectParser, LimitsNestingDepthInsteadOfExhaustingTheStack) {
  std::string deep = "object T\n  L = " + std::string(10000, '(') + std::string(10000, ')') + "\nend\n";
  EXPECT_THROW(ParseObjectText(deep), EParserError);
  std::string fine = "object T\n  L = " + std::string(kMaxObjectTextDepth, '(') +
                     std::string(kMaxObjectTextDepth, ')') + "\nend\n";
  EXPECT_NO_THROW(ParseObjectText(fine));
}

TEST(ObjectParser, ReportsTheLineWhereParsingStopped) {
  try {
    ParseObjectText("object T\n  A = 1\n  B = @\nend\n");
    FAIL() << "no error";
  } catch (const EParserError& error) {
    EXPECT_EQ(error.Line(), 3);
  }
}
