#include "platform/TextEncoding.h"

#include "platform/TextCodec.h"

std::string_view TTextEncoding::Preamble() const
{
    switch (FKind) {
    case TKind::Utf8:
        return "\xEF\xBB\xBF";
    case TKind::Utf16LE:
        return "\xFF\xFE";
    case TKind::Windows1252:
        break;
    }
    return {};
}

std::string TTextEncoding::Encode(std::string_view text) const
{
    switch (FKind) {
    case TKind::Utf8:
        // Ill-formed input is mended the same way as on the other paths: through UTF-16.
        return IsValidUtf8(text) ? std::string(text) : Utf16ToUtf8(Utf8ToUtf16(text));
    case TKind::Utf16LE: {
        const std::u16string units = Utf8ToUtf16(text);
        std::string bytes;
        bytes.reserve(units.size() * 2);
        for (const char16_t unit : units) {
            bytes.push_back(static_cast<char>(unit & 0xFF));
            bytes.push_back(static_cast<char>(unit >> 8));
        }
        return bytes;
    }
    case TKind::Windows1252:
        return Utf8ToWindows1252(text);
    }
    return std::string(text);
}
