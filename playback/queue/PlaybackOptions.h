#pragma once
// The user's switches of playback order, and the one-shot manual-next flag. Every change is
// written to the controller's debug log and makes it choose the next item again. Main thread.
class TPlaybackController;

class TPlaybackOptions {
public:
    bool RepeatTrack() const { return FRepeatTrack; }
    void SetRepeatTrack(bool value);
    bool Shuffle() const { return FShuffle; }
    void SetShuffle(bool value);
    bool RepeatList() const { return FRepeatList; }
    void SetRepeatList(bool value);
    bool Break() const { return FBreak; }
    void SetBreak(bool value);
    void SetOptions(bool repeatTrack, bool shuffle, bool repeatList, bool breakAfterItem);

    // Set by Next, cleared when the next item has been chosen.
    bool ManualNext() const { return FManualNext; }
    void SetManualNext(bool value) { FManualNext = value; }

    // The controller that owns these options (null: changes reach no controller).
    void SetPlayback(TPlaybackController* playback) { FPlayback = playback; }

private:
    void Changed(const char* debugText);

    bool FShuffle = false;
    bool FRepeatList = false;
    bool FBreak = false;
    bool FRepeatTrack = false;
    bool FManualNext = false;
    TPlaybackController* FPlayback = nullptr;
};
