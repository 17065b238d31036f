#pragma once
// Text conversions: std::string holds UTF-8; UTF-16 where code units are counted or written; the
// 8-bit "ANSI" code page is Windows-1252. Invalid input never throws.
#include <string>
#include <string_view>

// True when text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Ill-formed UTF-8 sequences become U+FFFD, one per maximal ill-formed subpart.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// The five bytes Windows-1252 leaves undefined map to the C1 controls of the same value.
std::string Windows1252ToUtf8(std::string_view text);
// Characters Windows-1252 cannot hold (and ill-formed UTF-8) become '?'.
std::string Utf8ToWindows1252(std::string_view text);
