#pragma once
// Read-only INI files (parsed with libinih). Sections and keys compare case-insensitively; keys
// and values are trimmed; a line "key=value" whose key repeats reads as its first occurrence; a
// missing or unreadable file reads as empty. Lines are read whole (up to 1 MiB), ';' only starts a comment at
// the start of a line, and indented lines are ordinary lines, as Windows INI files expect.
// The file is read once, when the object is made; reads are then safe from several threads.
// Reading never blocks: a FIFO or device is refused without being opened, and so is a file
// larger than 16 MB; such a file reads as empty and ReadErrorText says why.
#include <string>
#include <vector>

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    virtual ~TIniFile() = default;

    const std::string& FileName() const { return FFileName; }
    // Why the file could not be read ("Cannot open file \"uid.ini\". Not a regular file (a
    // FIFO)"); empty when it was read or does not exist.
    const std::string& ReadErrorText() const { return FReadErrorText; }

    // The value; one pair of matching double or single quotes around it is removed, as Windows
    // does ("7" and '7' read as 7).
    virtual std::string ReadString(const std::string& section, const std::string& ident,
                                   const std::string& defaultValue) const;
    // The value as ReadString gives it: decimal, or hexadecimal with a "$" or "0x" prefix;
    // defaultValue when missing or not a number.
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    // A number other than 0 is true; defaultValue when missing or not a number.
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;
    std::vector<std::string> ReadSections() const;                            // file order
    std::vector<std::string> ReadSection(const std::string& section) const;   // keys, file order
    std::vector<std::string> ReadSectionValues(const std::string& section) const;  // "key=value"

protected:
    // The stored value as written in the file, or nullptr when the key is missing.
    const std::string* FindValue(const std::string& section, const std::string& ident) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    static int OnIniValue(void* user, const char* section, const char* name, const char* value);
    const Section* FindSection(const std::string& section) const;

    std::string FFileName;
    std::string FReadErrorText;
    std::vector<Section> FSections;
};

// The in-memory variant: ReadString drops one leading apostrophe and, when there was one, also
// one trailing apostrophe, so that 'text' reads as text (and 'text reads as text). Double quotes
// are kept.
class TMemIniFile : public TIniFile {
public:
    using TIniFile::TIniFile;
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const override;
};
