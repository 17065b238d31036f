#pragma once
// A text encoding for files the program writes: how UTF-8 text becomes the file's bytes and which
// byte-order mark starts such a file. A small value type; copies are independent.
#include <string>
#include <string_view>

class TTextEncoding {
public:
    enum class TKind { Utf8, Utf16LE, Windows1252 };

    static TTextEncoding UTF8() { return TTextEncoding(TKind::Utf8); }
    static TTextEncoding Unicode() { return TTextEncoding(TKind::Utf16LE); }  // UTF-16 little-endian
    static TTextEncoding ANSI() { return TTextEncoding(TKind::Windows1252); }

    TKind Kind() const { return FKind; }
    // The byte-order mark a new file starts with: EF BB BF, FF FE, or nothing for Windows-1252.
    std::string_view Preamble() const;
    // text (UTF-8) in this encoding; ill-formed input and unmappable characters are replaced, never
    // thrown on (see TextCodec.h).
    std::string Encode(std::string_view text) const;

private:
    explicit TTextEncoding(TKind kind) : FKind(kind) {}
    TKind FKind;
};
