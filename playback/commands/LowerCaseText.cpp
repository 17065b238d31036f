#include "playback/commands/LowerCaseText.h"

#include <locale.h>
#include <wctype.h>

#include "platform/TextCodec.h"

namespace {

// Made once and never freed: the case tables of glibc's built-in C.UTF-8 locale, shared read-only
// by every thread. (locale_t)0 when the C library has no such locale.
locale_t Utf8CaseLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

char32_t LowerCodePoint(char32_t codePoint, locale_t locale) {
    if (codePoint < 0x80) {
        return (codePoint >= U'A' && codePoint <= U'Z') ? codePoint + (U'a' - U'A') : codePoint;
    }
    if (locale == static_cast<locale_t>(0)) return codePoint;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(codePoint), locale));
}

void AppendUtf16(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out += static_cast<char16_t>(codePoint);
    } else {
        codePoint -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
        out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    }
}

std::string LowerAsciiOnly(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::string LowerCaseText(std::string_view text) {
    if (IsAscii(text)) return LowerAsciiOnly(text);
    const locale_t locale = Utf8CaseLocale();
    const std::u16string units = Utf8ToUtf16(text);
    std::u16string lower;
    lower.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t codePoint = units[i];
        // Utf8ToUtf16 makes only well-formed surrogate pairs.
        if (codePoint >= 0xD800 && codePoint < 0xDC00 && i + 1 < units.size()) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf16(lower, LowerCodePoint(codePoint, locale));
    }
    return Utf16ToUtf8(lower);
}
