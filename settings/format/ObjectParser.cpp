#include "settings/format/ObjectParser.h"

#include <charconv>

#include "platform/TextCodec.h"
#include "settings/format/FloatText.h"
#include "settings/format/StreamErrors.h"
#include "settings/format/TextCase.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::u16string DecodeText(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Bom)) return Utf8ToUtf16(bytes.substr(kUtf8Bom.size()));
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    throw EParserError("ANSI or UTF8 encoding expected", 1);
  }
  return Utf8ToUtf16(Windows1252ToUtf8(bytes));
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHexDigit(char16_t c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
bool IsIdentStart(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c > 127; }
bool IsIdentChar(char16_t c) { return IsIdentStart(c) || IsDigit(c); }

bool IsObjectKeyword(std::string_view word) {
  return SameText(word, "object") || SameText(word, "inherited") || SameText(word, "inline");
}

std::string Ascii(std::u16string_view text) { return Utf16ToUtf8(text); }

class TObjectTextParser {
 public:
  explicit TObjectTextParser(std::u16string text) : FText(std::move(text)) {}

  TTextObject Parse() {
    SkipBlanks();
    return ParseObject(0);
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const { throw EParserError(message, FLine); }

  bool AtEnd() const { return FPos >= FText.size(); }
  char16_t Peek() const { return AtEnd() ? u'\0' : FText[FPos]; }

  void SkipBlanks() {
    while (!AtEnd() && FText[FPos] <= u' ') {
      if (FText[FPos] == u'\n') ++FLine;
      ++FPos;
    }
  }

  void Expect(char16_t c, const char* message) {
    SkipBlanks();
    if (Peek() != c) Fail(message);
    ++FPos;
  }

  std::string Identifier() {
    SkipBlanks();
    if (!IsIdentStart(Peek())) Fail("Identifier expected");
    size_t start = FPos;
    while (!AtEnd() && IsIdentChar(FText[FPos])) ++FPos;
    return Utf16ToUtf8(std::u16string_view(FText).substr(start, FPos - start));
  }

  // The identifier at the current position without consuming it; empty when there is none.
  std::string PeekIdentifier() {
    SkipBlanks();
    size_t saved = FPos;
    std::string word = IsIdentStart(Peek()) ? Identifier() : std::string();
    FPos = saved;
    return word;
  }

  void Enter(int depth) const {
    if (depth > kMaxObjectTextDepth) Fail("Objects nested too deeply");
  }

  TTextObject ParseObject(int depth) {
    Enter(depth);
    if (!IsObjectKeyword(Identifier())) Fail("'object' expected");
    TTextObject object;
    object.ClassName = Identifier();
    SkipBlanks();
    if (Peek() == u':') {
      ++FPos;
      object.ObjectName = object.ClassName;
      object.ClassName = Identifier();
    }
    SkipIndex();
    for (;;) {
      std::string word = PeekIdentifier();
      if (SameText(word, "end")) break;
      if (IsObjectKeyword(word)) {
        object.Children.push_back(ParseObject(depth + 1));
      } else {
        object.Properties.push_back(ParseProperty(depth));
      }
    }
    Identifier();  // "end"
    return object;
  }

  // "[" index "]" after a header or "item"; the index carries no meaning.
  void SkipIndex() {
    SkipBlanks();
    if (Peek() != u'[') return;
    ++FPos;
    SkipBlanks();
    if (ParseNumber().Kind != TTextValue::TKind::Integer) Fail("Integer expected");
    Expect(u']', "']' expected");
  }

  TTextProperty ParseProperty(int depth) {
    SkipBlanks();
    if (AtEnd()) Fail("Unexpected end of file");
    TTextProperty property;
    property.Name = Identifier();
    for (SkipBlanks(); Peek() == u'.'; SkipBlanks()) {
      ++FPos;
      property.Name += "." + Identifier();
    }
    Expect(u'=', "'=' expected");
    property.Value = ParseValue(depth);
    return property;
  }

  TTextValue ParseValue(int depth) {
    SkipBlanks();
    char16_t c = Peek();
    if (c == u'\'' || c == u'#') return ParseString();
    if (c == u'-' || c == u'$' || IsDigit(c)) return ParseNumber();
    if (c == u'[') return ParseSet();
    if (c == u'(') return ParseList(depth + 1);
    if (c == u'<') return ParseCollection(depth + 1);
    if (IsIdentStart(c)) {
      TTextValue value;
      value.Kind = TTextValue::TKind::Identifier;
      value.Text = Identifier();
      return value;
    }
    Fail("Invalid property value");
  }

  // Quoted runs and "#" codes without separators, several such strings joined with "+".
  TTextValue ParseString() {
    std::u16string text;
    for (;;) {
      ParseStringPieces(text);
      SkipBlanks();
      if (Peek() != u'+') break;
      ++FPos;
      SkipBlanks();
      if (Peek() != u'\'' && Peek() != u'#') Fail("Invalid string constant");
    }
    TTextValue value;
    value.Kind = TTextValue::TKind::String;
    value.Text = Utf16ToUtf8(text);
    return value;
  }

  void ParseStringPieces(std::u16string& text) {
    while (Peek() == u'\'' || Peek() == u'#') {
      if (Peek() == u'\'') {
        ParseQuotedRun(text);
      } else {
        text += ParseCharCode();
      }
    }
  }

  void ParseQuotedRun(std::u16string& text) {
    ++FPos;
    for (;;) {
      if (AtEnd() || FText[FPos] == u'\r' || FText[FPos] == u'\n') Fail("Invalid string constant");
      char16_t c = FText[FPos++];
      if (c != u'\'') {
        text += c;
      } else if (Peek() == u'\'') {
        text += u'\'';
        ++FPos;
      } else {
        return;
      }
    }
  }

  char16_t ParseCharCode() {
    ++FPos;  // '#'
    bool hex = Peek() == u'$';
    if (hex) ++FPos;
    size_t start = FPos;
    while (!AtEnd() && (hex ? IsHexDigit(FText[FPos]) : IsDigit(FText[FPos]))) ++FPos;
    std::string digits = Ascii(std::u16string_view(FText).substr(start, FPos - start));
    unsigned code = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (digits.empty() || ec != std::errc() || code > 0xFFFF) Fail("Invalid string constant");
    return static_cast<char16_t>(code);
  }

  // Integers ("-" digits, "$" hex digits) and floating-point literals with an optional suffix.
  TTextValue ParseNumber() {
    TTextValue value;
    if (Peek() == u'$') {
      ++FPos;
      size_t start = FPos;
      while (!AtEnd() && IsHexDigit(FText[FPos])) ++FPos;
      std::string digits = Ascii(std::u16string_view(FText).substr(start, FPos - start));
      uint64_t bits = 0;
      auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), bits, 16);
      if (digits.empty() || ec != std::errc()) Fail("Invalid integer");
      value.Integer = static_cast<int64_t>(bits);
      return value;
    }
    size_t start = FPos;
    if (Peek() == u'-') ++FPos;
    if (!IsDigit(Peek())) Fail("Invalid property value");
    bool isFloat = false;
    while (!AtEnd()) {
      char16_t c = FText[FPos];
      bool afterExponent = FPos > start && (FText[FPos - 1] == u'e' || FText[FPos - 1] == u'E');
      if (c == u'.' || c == u'e' || c == u'E' || ((c == u'+' || c == u'-') && afterExponent)) {
        isFloat = true;
      } else if (!IsDigit(c)) {
        break;
      }
      ++FPos;
    }
    std::string literal = Ascii(std::u16string_view(FText).substr(start, FPos - start));
    char suffix = FloatSuffix();
    if (isFloat || suffix != 0) {
      std::optional<double> parsed = SettingsTextToFloat(literal);
      if (!parsed) Fail("Invalid floating point number");
      value.Kind = TTextValue::TKind::Float;
      value.Float = *parsed;
      value.FloatSuffix = suffix;
      return value;
    }
    auto [end, ec] = std::from_chars(literal.data(), literal.data() + literal.size(), value.Integer);
    if (ec != std::errc()) Fail("Invalid integer");
    return value;
  }

  // One letter s, c, d or f (any case) right after a number, not starting a longer word.
  char FloatSuffix() {
    char16_t c = Peek();
    if (c > 127) return 0;
    char lower = static_cast<char>(c | 0x20);
    bool isSuffix = lower == 's' || lower == 'c' || lower == 'd' || lower == 'f';
    if (!isSuffix || (FPos + 1 < FText.size() && IsIdentChar(FText[FPos + 1]))) return 0;
    ++FPos;
    return lower;
  }

  TTextValue ParseSet() {
    ++FPos;  // '['
    TTextValue value;
    value.Kind = TTextValue::TKind::Set;
    SkipBlanks();
    if (Peek() == u']') {
      ++FPos;
      return value;
    }
    for (;;) {
      value.Members.push_back(Identifier());
      SkipBlanks();
      if (Peek() == u']') break;
      Expect(u',', "',' or ']' expected");
    }
    ++FPos;
    return value;
  }

  TTextValue ParseList(int depth) {
    Enter(depth);
    ++FPos;  // '('
    TTextValue value;
    value.Kind = TTextValue::TKind::List;
    for (SkipBlanks(); Peek() != u')'; SkipBlanks()) {
      if (AtEnd()) Fail("')' expected");
      value.Elements.push_back(ParseValue(depth));
    }
    ++FPos;
    return value;
  }

  TTextValue ParseCollection(int depth) {
    Enter(depth);
    ++FPos;  // '<'
    TTextValue value;
    value.Kind = TTextValue::TKind::Collection;
    for (SkipBlanks(); Peek() != u'>'; SkipBlanks()) {
      if (!SameText(Identifier(), "item")) Fail("'item' expected");
      SkipIndex();
      TTextItem item;
      while (!SameText(PeekIdentifier(), "end")) item.Properties.push_back(ParseProperty(depth));
      Identifier();  // "end"
      value.Items.push_back(std::move(item));
    }
    ++FPos;
    return value;
  }

  std::u16string FText;
  size_t FPos = 0;
  int FLine = 1;
};

}  // namespace

TTextObject ParseObjectText(std::string_view bytes) { return TObjectTextParser(DecodeText(bytes)).Parse(); }
