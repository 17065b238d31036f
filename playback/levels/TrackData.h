#pragma once
// What the controller knows of the item being started beyond its tags: the result of the track
// scan (silence cut at both ends, detected mix points) and its replay gain. Plain data, copied
// by value; main thread.
#include <cstdint>

struct TTrackScanData {
    double start_sec = 0.0;              // silence cut at the start, seconds
    double end_sec = 0.0;                // silence cut at the end, seconds
    int64_t start_bytes = 0;             // the same cuts in bytes of decoded audio
    int64_t end_bytes = 0;
    int64_t length_bytes = 0;            // decoded length, bytes
    double length_sec = 0.0;             // decoded length, seconds
    int64_t PrescannedLength = -1;       // length found by an earlier scan; -1 none
    int64_t DetectedMixPoint = -1;       // ms before the end; -1 none
    int64_t DetectedMixStartPoint = 0;   // ms
};

struct TTrackData {
    TTrackScanData ScanData;
    bool Scanned = false;
    double ReplayGain = 0.0;  // dB
};
