#include "playback/commands/CommandClassifier.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CommandCase {
    std::string text;
    int number;
};

void ExpectNumbers(const std::vector<CommandCase>& cases) {
    for (const CommandCase& c : cases) {
        EXPECT_EQ(static_cast<int>(ClassifyCommand(c.text)), c.number) << '"' << c.text << '"';
        EXPECT_EQ(IsCommandText(c.text), c.number > 0) << '"' << c.text << '"';
    }
}

// One row per table entry, in table order, each with a text that the rows before it must not take.
TEST(CommandClassifier, EveryTableRowGivesItsNumber) {
    ExpectNumbers({
        {"stop", 1},
        {"nextitem", 2},
        {"profile Morning", 4},
        {"setvol 80", 5},
        {"playrequestedsong", 29},
        {"playlist Evening", 44},
        {"play", 6},
        {"set 5 x", 7},
        {"clr 5", 7},
        {"load /lists/a.m3u", 8},
        {"poweroff", 9},
        {"reboot now", 10},
        {"clearplaylist", 12},
        {"getrandomplaylist rock", 13},
        {"fadeout 3000", 14},
        {"generate", 16},
        {"pause", 17},
        {"connect", 18},
        {"disconnect", 19},
        {"scheduler on", 20},
        {"run /bin/true", 21},
        {"streamarchive on", 22},
        {"makelibrary /music", 23},
        {"adsupdate", 24},
        {"createbackup /backup", 25},
        {"download http://x/a.mp3", 26},
        {"setencodersource 1", 27},
        {"silencedetector off", 28},
        {"getfile http://x/a.mp3", 30},
        {"weather Helsinki", 31},
        {"series 3", 32},
        {"send text", 33},
        {"setdtmfsource 2", 34},
        {"stopoverlays", 35},
        {"enablegroup 4", 36},
        {"disablegroup 4", 37},
        {"enablevo", 38},
        {"disablevo", 39},
        {"autointro 1", 40},
        {"relaystart 2", 41},
        {"relaystop", 42},
        {"eqpreset Rock", 43},
        {"resetplayedstate", 45},
        {"adsremote", 46},
        {"enableevent 12", 47},
        {"disableevent 12", 48},
        {"prev", 49},
        {"runevent 7", 50},
        {"setcasttitle Now", 51},
        {"dsp on", 52},
        {"hello", 0},
        {"", 0},
    });
}

TEST(CommandClassifier, EqualsRowsCompareTheWholeTextAndPrefixesKeepTheirBlank) {
    ExpectNumbers({
        {"stop now", 0},
        {"stopx", 0},
        {"next", 2},
        {"playx", 6},
        {"set", 0},
        {"setx 1", 0},
        {"setvol", 0},
        {"clr", 0},
        {"run", 0},
        {"runx", 0},
        {"dsp", 0},
        {"profile", 0},
        {"resetplayedstate now", 0},
        {"adsremote ", 0},
        {" stop", 0},
        {"stop ", 0},
    });
}

TEST(CommandClassifier, APauseItemIsNoPauseCommand) {
    ExpectNumbers({
        {"pause", 17},
        {"pausefor", 17},
        {"pause 5", 0},
        {"PAUSE #30", 0},
        {"'pause 5'", 0},
    });
}

TEST(CommandClassifier, OnePairOfEnclosingQuotesIsRemoved) {
    ExpectNumbers({
        {"'stop'", 1},
        {"\"stop\"", 1},
        {"''stop''", 0},
        {"'stop", 0},
        {"stop'", 0},
        {"'stop\"", 0},
        {"\"'stop'\"", 0},
        {"'", 0},
        {"''", 0},
        {"'setvol 50'", 5},
    });
}

TEST(CommandClassifier, LetterCaseIsIgnoredAlsoOutsideAscii) {
    ExpectNumbers({
        {"STOP", 1},
        {"'StOp'", 1},
        {"Setvol 50", 5},
        {"RESETPLAYEDSTATE", 45},
        // The Kelvin sign lowers to an ASCII k.
        {"MA\xE2\x84\xAA" "ELIBRARY /music", 23},
        // Non-ASCII letters are lowered too and never make a command of a non-command.
        {"PLAYLIST \xC3\x84\xC3\x96", 44},
        {"\xC3\x84stop", 0},
        {"STOP\xFF", 0},
    });
}

}  // namespace
