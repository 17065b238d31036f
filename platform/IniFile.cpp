#include "platform/IniFile.h"

#include <ini.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/LocalFile.h"

namespace {

// INI files here are a few lines; anything larger is not one (and /dev/zero never ends).
constexpr size_t kMaxIniFileBytes = 16 * 1024 * 1024;

// libinih's defaults differ from Windows INI reading: it cuts lines at 200 bytes, strips
// " ;comment" tails and joins indented lines to the previous value. This program is libinih's only
// user, so the settings are changed once, before the first parse.
void ConfigureIniParser()
{
    static std::once_flag configured;
    std::call_once(configured, [] {
        ini_allow_multiline = false;
        ini_allow_inline_comments = false;
        ini_use_stack = false;  // a heap line buffer that grows up to ini_max_line
        ini_allow_realloc = true;
        ini_max_line = 1 << 20;
    });
}

// The whole file's text; "" when it was read or is missing (a missing file reads as empty),
// else why not.
std::string ReadWholeFile(const std::string& fileName, std::string& text)
{
    TFileContents contents = ReadRegularFile(fileName, kMaxIniFileBytes);
    if (contents.errorNumber == ENOENT || contents.errorNumber == ENOTDIR)
        return "";
    if (!contents.problem.empty())
        return "Cannot open file \"" + fileName + "\". " + AsSentence(contents.problem);
    text = std::move(contents.bytes);
    return "";
}

// Windows drops one pair of matching quotes around a value: "7" and '7' read as 7.
std::string WithoutMatchingQuotes(const std::string& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

std::optional<int> ParseInteger(const std::string& text)
{
    std::string digits = text;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
        negative = digits[0] == '-';
        digits.erase(0, 1);
    }
    int base = 10;
    if (!digits.empty() && digits[0] == '$') {
        base = 16;
        digits.erase(0, 1);
    } else if (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.erase(0, 2);
    }
    if (digits.empty() || !std::isxdigit(static_cast<unsigned char>(digits[0])))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(digits.c_str(), &end, base);
    if (*end != '\0' || errno == ERANGE)
        return std::nullopt;
    const long long signedValue = negative ? -value : value;
    // Hexadecimal text may spell a negative number as its 32-bit pattern ($FFFFFFFF is -1).
    if (base == 16 && !negative && value <= UINT_MAX)
        return static_cast<int>(static_cast<uint32_t>(value));
    if (signedValue < INT_MIN || signedValue > INT_MAX)
        return std::nullopt;
    return static_cast<int>(signedValue);
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName))
{
    ConfigureIniParser();
    // A missing or unreadable file reads as empty; malformed lines are skipped.
    std::string text;
    FReadErrorText = ReadWholeFile(FFileName, text);
    if (FReadErrorText.empty())
        ini_parse_string(text.c_str(), &TIniFile::OnIniValue, this);
}

int TIniFile::OnIniValue(void* user, const char* section, const char* name, const char* value)
{
    auto& self = *static_cast<TIniFile*>(user);
    auto found = std::find_if(self.FSections.begin(), self.FSections.end(),
                              [&](const Section& s) { return EqualsIgnoringCase(s.name, section); });
    if (found == self.FSections.end()) {
        self.FSections.push_back({section, {}});
        found = std::prev(self.FSections.end());
    }
    const bool keyKnown = std::any_of(found->entries.begin(), found->entries.end(),
                                      [&](const Entry& e) { return EqualsIgnoringCase(e.key, name); });
    if (!keyKnown)
        found->entries.push_back({name, value});
    return 1;
}

const TIniFile::Section* TIniFile::FindSection(const std::string& section) const
{
    const auto found = std::find_if(FSections.begin(), FSections.end(),
                                    [&](const Section& s) { return EqualsIgnoringCase(s.name, section); });
    return found == FSections.end() ? nullptr : &*found;
}

const std::string* TIniFile::FindValue(const std::string& section, const std::string& ident) const
{
    const Section* found = FindSection(section);
    if (!found)
        return nullptr;
    for (const auto& entry : found->entries) {
        if (EqualsIgnoringCase(entry.key, ident))
            return &entry.value;
    }
    return nullptr;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const
{
    const std::string* value = FindValue(section, ident);
    return value ? WithoutMatchingQuotes(*value) : defaultValue;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident,
                          int defaultValue) const
{
    if (!FindValue(section, ident))
        return defaultValue;
    return ParseInteger(ReadString(section, ident, "")).value_or(defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident,
                        bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(const std::string& section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const
{
    return FindValue(section, ident) != nullptr;
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const auto& section : FSections)
        names.push_back(section.name);
    return names;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> keys;
    if (const Section* found = FindSection(section)) {
        for (const auto& entry : found->entries)
            keys.push_back(entry.key);
    }
    return keys;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) const
{
    std::vector<std::string> lines;
    if (const Section* found = FindSection(section)) {
        for (const auto& entry : found->entries)
            lines.push_back(entry.key + "=" + entry.value);
    }
    return lines;
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) const
{
    const std::string* stored = FindValue(section, ident);
    std::string value = stored ? *stored : defaultValue;
    if (!value.empty() && value.front() == '\'') {
        value.erase(0, 1);
        if (!value.empty() && value.back() == '\'')
            value.pop_back();
    }
    return value;
}
