// The DTMF tone generator: a decode-only stream that plays the keys of a "dtmf=" item as tones.
#pragma once

#include <string>

#include "audiolib/audiolib.h"

// True when the item text begins with "dtmf=", in any case.
bool IsDTMFItem(const std::string& itemText);

// A new 44100 Hz mono 16-bit stream playing the keys after the first five characters of itemText
// (upper-cased): per key a 20 ms rise, 80 ms at full level, a 20 ms fall and 40 ms of silence,
// both tones at 12000 of 32767; characters that are not keys play as silent slots; one more silent
// slot follows the last key, then the stream ends. `flags` go to the stream (BASS_STREAM_DECODE to
// pull it). Any thread; the stream owns its state and frees it when the stream is freed. Returns 0
// with the library's error code set when the stream cannot be created.
HSTREAM CreateDTMFStream(const std::string& itemText, DWORD flags);
