#include "platform/TextCodec.h"

#include <array>
#include <cstdint>

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

// Reads one code point at text[pos] and advances pos. An ill-formed sequence yields nothing
// (valid = false) and advances past its maximal ill-formed subpart, so each costs one U+FFFD.
struct Decoded {
    char32_t codePoint;
    bool valid;
};

Decoded DecodeUtf8(std::string_view text, size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return {lead, true};
    int length = 0;
    char32_t codePoint = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // nothing past U+10FFFF
    } else {
        return {0, false};
    }
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size())
            return {0, false};
        const auto next = static_cast<unsigned char>(text[pos]);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
            return {0, false};
        codePoint = (codePoint << 6) | (next & 0x3F);
        ++pos;
    }
    return {codePoint, true};
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Unicode code points of Windows-1252 bytes 0x80..0x9F; the five undefined bytes keep their value.
constexpr std::array<char16_t, 32> windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ToWindows1252(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (size_t i = 0; i < windows1252High.size(); ++i) {
        if (windows1252High[i] == codePoint)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

}  // namespace

bool IsValidUtf8(std::string_view text)
{
    for (size_t pos = 0; pos < text.size();) {
        if (!DecodeUtf8(text, pos).valid)
            return false;
    }
    return true;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const Decoded decoded = DecodeUtf8(text, pos);
        const char32_t codePoint = decoded.valid ? decoded.codePoint : replacementCharacter;
        if (codePoint < 0x10000) {
            out += static_cast<char16_t>(codePoint);
        } else {
            out += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        char32_t codePoint = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            codePoint = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            codePoint = replacementCharacter;
        }
        AppendUtf8(out, codePoint);
    }
    return out;
}

std::string Windows1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte >= 0x80 && byte <= 0x9F ? windows1252High[byte - 0x80] : char32_t(byte));
    }
    return out;
}

std::string Utf8ToWindows1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const Decoded decoded = DecodeUtf8(text, pos);
        out += decoded.valid ? ToWindows1252(decoded.codePoint) : '?';
    }
    return out;
}
