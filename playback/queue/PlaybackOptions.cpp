#include "playback/queue/PlaybackOptions.h"

#include "playback/playlist/PlaybackController.h"

void TPlaybackOptions::Changed(const char* debugText)
{
    if (!FPlayback)
        return;
    FPlayback->DebugLog(debugText);
    FPlayback->InvalidateNextTrack();
}

void TPlaybackOptions::SetRepeatTrack(bool value)
{
    FRepeatTrack = value;
    Changed("Opt:Rpt");
}

void TPlaybackOptions::SetShuffle(bool value)
{
    FShuffle = value;
    Changed("Opt:Shf");
}

void TPlaybackOptions::SetRepeatList(bool value)
{
    FRepeatList = value;
    Changed("Opt:Rpl");
}

void TPlaybackOptions::SetBreak(bool value)
{
    FBreak = value;
    Changed("Opt:Brk");
}

void TPlaybackOptions::SetOptions(bool repeatTrack, bool shuffle, bool repeatList, bool breakAfterItem)
{
    FRepeatTrack = repeatTrack;
    FShuffle = shuffle;
    FRepeatList = repeatList;
    FBreak = breakAfterItem;
    Changed("Opt:All");
}
