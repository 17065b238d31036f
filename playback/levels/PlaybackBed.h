#pragma once
// The background bed an engine plays under its item (a music bed under a voice track, say).
// Each engine owns one; plain data, main thread.
#include <string>

struct TPlaybackBed {
    bool Enabled = false;
    std::string FN;       // the bed's file
    double Level = 0.0;   // dB
    bool IsVTBed = false; // set up for a voice track
};
