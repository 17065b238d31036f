#include "playback/playlist/ItemKinds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "playback/audio_dtmfgen.h"

namespace {

enum Kind : unsigned {
    Net = 1u << 0,
    Pause = 1u << 1,
    Container = 1u << 2,
    Teaser = 1u << 3,
    Dtmf = 1u << 4,
    Tts = 1u << 5,
    SayTime = 1u << 6,
    Line = 1u << 7,
    List = 1u << 8,
    Cd = 1u << 9,
    Video = 1u << 10,
    CommandItem = 1u << 11,
    TrackList = 1u << 12,
    Comment = 1u << 13,
    HourMarker = 1u << 14,
    Podcast = 1u << 15,
};

unsigned KindsOf(const std::string& name) {
    unsigned kinds = 0;
    if (IsNetworkAddress(name)) kinds |= Net;
    if (IsPauseItem(name)) kinds |= Pause;
    if (IsContainerItem(name)) kinds |= Container;
    if (IsTeaserItem(name)) kinds |= Teaser;
    if (IsDTMFItem(name)) kinds |= Dtmf;
    if (IsTextToSpeechItem(name)) kinds |= Tts;
    if (IsTimeAnnouncementItem(name)) kinds |= SayTime;
    if (LineInputNumber(name) != 0) kinds |= Line;
    if (IsListFile(name)) kinds |= List;
    if (IsCdTrack(name)) kinds |= Cd;
    if (IsVideoFile(name)) kinds |= Video;
    if (IsCommandItem(name)) kinds |= CommandItem;
    if (IsTrackListItem(name)) kinds |= TrackList;
    if (IsCommentItem(name)) kinds |= Comment;
    if (IsHourMarkerItem(name)) kinds |= HourMarker;
    if (IsPodcastItem(name)) kinds |= Podcast;
    return kinds;
}

struct KindCase {
    std::string name;
    unsigned kinds;
};

TEST(ItemKinds, EachNameIsExactlyTheKindsItsNameSays) {
    const std::vector<KindCase> cases = {
        {"/music/song.mp3", 0},
        {"", 0},
        {"http://radio.example/live", Net},
        {"HTTPS://radio.example/live", Net},
        {"ftp://host/file.mp3", Net},
        {"Mms://host/stream", Net},
        {"http:/not-an-address", 0},
        {"rtsp://host/stream", 0},
        {"pause #30", Pause},
        {"PAUSE 2", Pause},
        {"C:\\items\\Pause #5", Pause},
        {"/items/pause 1", Pause},
        {"pause", 0},
        {"pauses 3", 0},
        {"container=%2Fmusic%2Fa.mp3|x", Container},
        {"CONTAINER=a", Container},
        {"teaser=next", Teaser},
        {"dtmf=123#", Dtmf},
        {"DTMF=", Dtmf},
        {"tts=Hello", Tts},
        {"saytime=", SayTime},
        {"SayTime=en", SayTime},
        {"/dev/line.in", Line},
        {"C:\\x\\LINE2.IN", Line},
        {"line3.in.mp3", Line},
        {"line4.in", 0},
        {"offline.in", 0},
        {"/lists/a.m3u", List},
        {"/lists/a.M3U8", List},
        {"/lists/a.m3u.mp3", 0},
        {"/lists.m3u/a.mp3", 0},
        {"track01.cda", Cd},
        {"film.mkv", Video},
        {"film.WEBM", Video},
        {"clip.3gp", Video},
        {"clip.m2ts", Video},
        {"clip.mp4", Video},
        {"song.mp3", 0},
        {"stop.command", CommandItem},
        {"/cmds/Next.COMMAND", CommandItem},
        {"container=x.command", Container},
        {"list*0A", TrackList},
        {"list*f", TrackList},
        {"*9", TrackList},
        {"list*G", 0},
        {"list*0G", 0},
        {"list*0AB", 0},
        {"list*", 0},
        {"note.comment", Comment},
        {"Hour Marker 13:02.HourMarker", HourMarker},
        {"Daily news podcast http://feeds.example/news.xml", Podcast},
        {"http://feeds.example/news.xml podcast 3", Net | Podcast},
        {"PODCAST x", Podcast},
        {"podcast", 0},
        {"podcasts x", 0},
    };
    for (const KindCase& c : cases) {
        EXPECT_EQ(KindsOf(c.name), c.kinds) << '"' << c.name << '"';
    }
}

TEST(ItemKinds, LineInputsAreNumberedByTheirFileNamePart) {
    EXPECT_EQ(LineInputNumber("line.in"), 1);
    EXPECT_EQ(LineInputNumber("/inputs/Line2.in"), 2);
    EXPECT_EQ(LineInputNumber("C:\\inputs\\LINE3.IN"), 3);
    EXPECT_EQ(LineInputNumber("line3.in/song.mp3"), 0);
    EXPECT_EQ(LineInputNumber("song.mp3"), 0);
}

TEST(ItemKinds, ContainerFileIsTheUrlDecodedTextUpToTheFirstBar) {
    EXPECT_EQ(ContainerItemFile("container=%2Fmusic%2FA%20B.mp3|Title|x"), "/music/A B.mp3");
    EXPECT_EQ(ContainerItemFile("Container=/music/a+b.mp3"), "/music/a b.mp3");
    EXPECT_EQ(ContainerItemFile("container=%C3%A4.mp3"), "\xC3\xA4.mp3");
    EXPECT_EQ(ContainerItemFile("container=100%.mp3|"), "100%.mp3");
    EXPECT_EQ(ContainerItemFile("container=a%2"), "a%2");
    EXPECT_EQ(ContainerItemFile("container=%zz"), "%zz");
    EXPECT_EQ(ContainerItemFile("container=|x"), "");
    EXPECT_EQ(ContainerItemFile("/music/a.mp3"), "");
}

TEST(ItemKinds, CommandItemTextIsTheNameWithoutItsExtension) {
    EXPECT_EQ(CommandItemText("setvol 80.command"), "setvol 80");
    EXPECT_EQ(CommandItemText("/cmds/Stop.COMMAND"), "/cmds/Stop");
    EXPECT_EQ(CommandItemText("container=stop.command"), "");
    EXPECT_EQ(CommandItemText("stop"), "");
}

struct DurationCase {
    std::string name;
    int32_t durationMs;
};

TEST(ItemKinds, DurationIsReadFromTheLastWordOfTheName) {
    const std::vector<DurationCase> cases = {
        {"pause #30", 30000},
        {"pause 2", 120000},
        {"pause x", 0},
        {"pause #", 0},
        {"pause ", 0},
        {"pause #1.5", 0},
        {"pause -2", 0},
        {"pause #-2", 0},
        {"pause", 0},
        {"#30", 0},
        {"http://radio.example/live 5", 300000},
        {"http://radio.example/live #90", 90000},
        {"http://radio.example/live", 0},
        {"pause 2 #4", 4000},
        {"pause #2147483", 2147483000},
        {"pause #2147484", 0},
        {"pause 35791", 2147460000},
        {"pause 35792", 0},
        {"pause 99999999999999999999", 0},
    };
    for (const DurationCase& c : cases) {
        EXPECT_EQ(DurationFromItemName(c.name), c.durationMs) << '"' << c.name << '"';
    }
}

struct ClassCase {
    std::string name;
    bool special;
    bool ordinary;
};

TEST(ItemKinds, SpecialItemsAndOrdinaryFilesFollowTheirLists) {
    const std::vector<ClassCase> cases = {
        {"/music/song.mp3", false, true},
        {"http://radio.example/live", true, false},
        {"stop", true, false},
        {"'Next'", true, false},
        {"stop.command", true, false},
        {"list*0A", true, true},
        {"saytime=", true, false},
        {"line.in", true, false},
        {"pause #3", true, false},
        {"tts=hi", true, false},
        {"dtmf=1", true, false},
        {"teaser=x", true, false},
        {"x.comment", true, true},
        {"x.hourmarker", true, true},
        {"container=a.mp3", true, false},
        {"track01.cda", false, false},
        {"film.mkv", false, false},
        {"/lists/a.m3u8", false, false},
        {"Daily news podcast feed", false, true},
    };
    for (const ClassCase& c : cases) {
        EXPECT_EQ(IsSpecialItem(c.name), c.special) << '"' << c.name << '"';
        EXPECT_EQ(IsOrdinaryFile(c.name), c.ordinary) << '"' << c.name << '"';
    }
}

}  // namespace
