#include "settings/format/ObjectWriter.h"

#include "platform/TextCodec.h"
#include "settings/format/FloatText.h"
#include "settings/format/PropInfo.h"
#include "settings/format/StreamErrors.h"

namespace {

constexpr size_t kSegmentUnits = 64;  // UTF-16 code units per line of a folded string

bool IsQuotable(char16_t c) { return c >= 32 && c <= 127 && c != u'\''; }

// Quoted runs for printable ASCII, "#" and the UTF-16 code unit for everything else.
std::string QuoteSegment(std::u16string_view text) {
  if (text.empty()) return "''";
  std::string out;
  bool inQuotes = false;
  for (char16_t c : text) {
    if (IsQuotable(c) != inQuotes) {
      out += '\'';
      inQuotes = !inQuotes;
    }
    if (inQuotes) {
      out += static_cast<char>(c);
    } else {
      out += '#' + std::to_string(static_cast<unsigned>(c));
    }
  }
  if (inQuotes) out += '\'';
  return out;
}

std::string EnumName(const TPropInfo& prop, int64_t ordinal) {
  TEnumNames names = prop.EnumNames();
  if (ordinal < 0 || ordinal >= static_cast<int64_t>(names.size())) {
    throw EWriteError("Invalid value " + std::to_string(ordinal) + " of property " + prop.Name());
  }
  return std::string(names[static_cast<size_t>(ordinal)]);
}

std::string SetText(const TPropInfo& prop, int64_t mask) {
  std::string out = "[";
  TEnumNames names = prop.EnumNames();
  for (size_t i = 0; i < names.size() && i < 64; ++i) {
    if ((mask >> i) & 1) {
      if (out.size() > 1) out += ", ";
      out += names[i];
    }
  }
  return out + "]";
}

std::string IntegerText(const TPropInfo& prop, int32_t value) {
  for (const TIdentMapEntry& entry : prop.Idents()) {
    if (entry.Value == value) return std::string(entry.Name);
  }
  return std::to_string(value);
}

std::string OrdinalText(const TPropInfo& prop, int64_t value) {
  switch (prop.Kind()) {
    case TPropKind::Integer: return IntegerText(prop, static_cast<int32_t>(value));
    case TPropKind::Cardinal: return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(value)));
    case TPropKind::Boolean: return value ? "True" : "False";
    case TPropKind::Enumeration: return EnumName(prop, value);
    default: return SetText(prop, value);
  }
}

class TObjectTextWriter {
 public:
  std::string Write(TComponent& root) {
    FText = "object " + (root.Name().empty() ? root.ClassName() : root.Name() + ": " + root.ClassName());
    WriteProperties(root, 1, "");
    NewLine(0);
    FText += "end\r\n";
    return FText;
  }

 private:
  void NewLine(int level) {
    FText += "\r\n";
    FText.append(static_cast<size_t>(level) * 2, ' ');
  }

  void WriteProperties(TPersistent& object, int level, const std::string& prefix) {
    for (const TPropInfo& prop : object.Published().Items()) {
      if (prop.IsStored(object)) WriteProperty(object, prop, level, prefix + prop.Name());
    }
  }

  void WriteProperty(TPersistent& object, const TPropInfo& prop, int level, const std::string& name) {
    if (prop.IsOrdinal()) {
      int64_t value = prop.GetOrdinal(object);
      if (prop.DeclaredDefault() == value) return;
      StartLine(level, name);
      FText += OrdinalText(prop, value);
      return;
    }
    switch (prop.Kind()) {
      case TPropKind::Double:
      case TPropKind::Single: {
        double value = prop.GetFloat(object);
        if (value == 0) return;
        StartLine(level, name);
        FText += FloatToSettingsText(value);
        return;
      }
      case TPropKind::String: {
        std::string value = prop.GetString(object);
        if (value.empty() && !prop.HasNoDefault()) return;
        StartLine(level, name);
        WriteStringValue(Utf8ToUtf16(value), level);
        return;
      }
      case TPropKind::StringList: WriteStringList(prop.StringList(object), level, name); return;
      case TPropKind::Collection: WriteCollection(prop.Collection(object), level, name); return;
      default: WriteProperties(prop.Object(object), level, name + "."); return;
    }
  }

  void StartLine(int level, const std::string& name) {
    NewLine(level);
    FText += name + " = ";
  }

  // A string longer than one segment starts on a new line, one level deeper, folded with " +".
  void WriteStringValue(const std::u16string& text, int level) {
    if (text.size() <= kSegmentUnits) {
      FText += QuoteSegment(text);
      return;
    }
    NewLine(level + 1);
    WriteSegments(text, level + 1);
  }

  void WriteSegments(const std::u16string& text, int level) {
    for (size_t start = 0; start < text.size() || start == 0; start += kSegmentUnits) {
      if (start > 0) {
        FText += " +";
        NewLine(level);
      }
      FText += QuoteSegment(std::u16string_view(text).substr(start, kSegmentUnits));
    }
  }

  void WriteStringList(TStringList& list, int level, const std::string& name) {
    if (list.Count() == 0) return;
    StartLine(level, name + ".Strings");
    FText += '(';
    for (int i = 0; i < list.Count(); ++i) {
      NewLine(level + 1);
      WriteSegments(Utf8ToUtf16(list.Strings(i)), level + 1);
    }
    FText += ')';
  }

  void WriteCollection(TCollection& collection, int level, const std::string& name) {
    StartLine(level, name);
    FText += '<';
    for (int i = 0; i < collection.Count(); ++i) {
      NewLine(level + 1);
      FText += "item";
      WriteProperties(collection.Item(i), level + 2, "");
      NewLine(level + 1);
      FText += "end";
    }
    FText += '>';
  }

  std::string FText;
};

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 127) return false;
  }
  return true;
}

}  // namespace

std::string ComponentToText(TComponent& instance) {
  std::string text = TObjectTextWriter().Write(instance);
  // Strings are always written with "#" codes, so only identifiers can carry non-ASCII bytes.
  return IsAscii(text) ? text : "\xEF\xBB\xBF" + text;
}
