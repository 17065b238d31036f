#pragma once
// The kinds of playlist item told apart by the item's name alone (a file name, a network address
// or a pseudo name such as "pause #30" or "dtmf=123"). Every test ignores the letter case of ASCII
// letters; the "file-name part" of a name is the text after its last '\' or '/'. Names are UTF-8.
// Pure functions: any thread, no allocation except where a string is returned, never throw.
#include <cstdint>
#include <string>

// Starts with "http://", "https://", "ftp://" or "mms://".
bool IsNetworkAddress(const std::string& name);
// The name or its file-name part starts with "pause " (a pause of the length in its last word).
bool IsPauseItem(const std::string& name);
// Starts with "container=".
bool IsContainerItem(const std::string& name);
// The file a container item stands for: the text after "container=" up to the first '|' (or the
// end), URL-decoded (%XX escapes and '+' for a blank; a malformed escape stays as written). Empty
// when the name is not a container item.
std::string ContainerItemFile(const std::string& name);
// Starts with "teaser=".
bool IsTeaserItem(const std::string& name);
// "dtmf=" items (keys played as tones): IsDTMFItem in playback/audio_dtmfgen.h.
// Starts with "tts=".
bool IsTextToSpeechItem(const std::string& name);
// Starts with "saytime=".
bool IsTimeAnnouncementItem(const std::string& name);
// The line input the file-name part names: "line.in..." 1, "line2.in..." 2, "line3.in..." 3;
// 0 when the name is no line input.
int LineInputNumber(const std::string& name);
// Extension ".m3u" or ".m3u8".
bool IsListFile(const std::string& name);
// Extension ".cda".
bool IsCdTrack(const std::string& name);
// Extension 3gp, avi, divx, flv, mkv, mov, mpeg, mpg, vob, wmv, mp4, m2ts, m2v, ogm or webm.
bool IsVideoFile(const std::string& name);
// Extension ".command" and not a container item.
bool IsCommandItem(const std::string& name);
// The command text of a command item: the name without its ".command" extension. Empty when the
// name is not a command item.
std::string CommandItemText(const std::string& name);
// Ends in '*' and one or two hexadecimal digits ("list*0A").
bool IsTrackListItem(const std::string& name);
// Ends with ".comment".
bool IsCommentItem(const std::string& name);
// Ends with ".hourmarker".
bool IsHourMarkerItem(const std::string& name);
// The blank-separated word before the last word is "podcast".
bool IsPodcastItem(const std::string& name);

// Content that is not played from an audio file of its own: a network address, command text,
// command item, track-list item, time announcement, line input, pause, text-to-speech, dtmf,
// teaser, comment, hour-marker or container item.
bool IsSpecialItem(const std::string& name);
// A file to play as it is: none of network address, CD track, video file, line input, pause,
// dtmf, text-to-speech, time announcement, command text, command item, list file, teaser or
// container item.
bool IsOrdinaryFile(const std::string& name);

// The length written in a network address's or pause item's name, in ms: its last blank-separated
// word, "#n" meaning n seconds and "n" n minutes (decimal digits only). 0 when the name has no
// blank, the word is no such number, or the length does not fit 32 bits.
int32_t DurationFromItemName(const std::string& name);
