#include "playback/commands/CommandClassifier.h"

#include <array>
#include <string_view>

#include "playback/commands/LowerCaseText.h"
#include "playback/playlist/ItemKinds.h"

namespace {

enum class TMatch { Equals, StartsWith, StartsWithNotPauseItem };

struct TCommandRow {
    TMatch Match;
    std::string_view Text;  // lower case; a trailing blank belongs to the prefix
    uint8_t Number;
};

// Tested in this order: "stopoverlays" must not reach "stop", "playlist " must come before
// "play", "setvol " before "set ".
constexpr std::array<TCommandRow, 50> commandTable = {{
    {TMatch::Equals, "stop", 1},
    {TMatch::StartsWith, "next", 2},
    {TMatch::StartsWith, "profile ", 4},
    {TMatch::StartsWith, "setvol ", 5},
    {TMatch::StartsWith, "playrequestedsong", 29},
    {TMatch::StartsWith, "playlist ", 44},
    {TMatch::StartsWith, "play", 6},
    {TMatch::StartsWith, "set ", 7},
    {TMatch::StartsWith, "clr ", 7},
    {TMatch::StartsWith, "load ", 8},
    {TMatch::StartsWith, "poweroff", 9},
    {TMatch::StartsWith, "reboot", 10},
    {TMatch::StartsWith, "clearplaylist", 12},
    {TMatch::StartsWith, "getrandomplaylist ", 13},
    {TMatch::StartsWith, "fadeout", 14},
    {TMatch::StartsWith, "generate", 16},
    {TMatch::StartsWithNotPauseItem, "pause", 17},
    {TMatch::StartsWith, "connect", 18},
    {TMatch::StartsWith, "disconnect", 19},
    {TMatch::StartsWith, "scheduler ", 20},
    {TMatch::StartsWith, "run ", 21},
    {TMatch::StartsWith, "streamarchive ", 22},
    {TMatch::StartsWith, "makelibrary ", 23},
    {TMatch::StartsWith, "adsupdate", 24},
    {TMatch::StartsWith, "createbackup ", 25},
    {TMatch::StartsWith, "download ", 26},
    {TMatch::StartsWith, "setencodersource ", 27},
    {TMatch::StartsWith, "silencedetector ", 28},
    {TMatch::StartsWith, "getfile ", 30},
    {TMatch::StartsWith, "weather ", 31},
    {TMatch::StartsWith, "series ", 32},
    {TMatch::StartsWith, "send ", 33},
    {TMatch::StartsWith, "setdtmfsource ", 34},
    {TMatch::StartsWith, "stopoverlays", 35},
    {TMatch::StartsWith, "enablegroup ", 36},
    {TMatch::StartsWith, "disablegroup ", 37},
    {TMatch::StartsWith, "enablevo", 38},
    {TMatch::StartsWith, "disablevo", 39},
    {TMatch::StartsWith, "autointro ", 40},
    {TMatch::StartsWith, "relaystart ", 41},
    {TMatch::StartsWith, "relaystop", 42},
    {TMatch::StartsWith, "eqpreset ", 43},
    {TMatch::Equals, "resetplayedstate", 45},
    {TMatch::Equals, "adsremote", 46},
    {TMatch::StartsWith, "enableevent", 47},
    {TMatch::StartsWith, "disableevent", 48},
    {TMatch::StartsWith, "prev", 49},
    {TMatch::StartsWith, "runevent", 50},
    {TMatch::StartsWith, "setcasttitle", 51},
    {TMatch::StartsWith, "dsp ", 52},
}};

std::string_view WithoutEnclosingQuotes(std::string_view text) {
    if (text.size() >= 2 && text.front() == text.back() && (text.front() == '\'' || text.front() == '"')) {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

bool Matches(const TCommandRow& row, const std::string& prepared) {
    switch (row.Match) {
        case TMatch::Equals:
            return prepared == row.Text;
        case TMatch::StartsWith:
            return prepared.starts_with(row.Text);
        case TMatch::StartsWithNotPauseItem:
            return prepared.starts_with(row.Text) && !IsPauseItem(prepared);
    }
    return false;
}

}  // namespace

uint8_t ClassifyCommand(const std::string& S) {
    const std::string prepared = LowerCaseText(WithoutEnclosingQuotes(S));
    for (const TCommandRow& row : commandTable) {
        if (Matches(row, prepared)) return row.Number;
    }
    return 0;
}

bool IsCommandText(const std::string& S) { return ClassifyCommand(S) > 0; }
