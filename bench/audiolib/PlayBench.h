// The playing side of the audio library under load, for audiolib_bench.
#pragma once

namespace playbench {

// Plays 16 copies of `path` (44.1 kHz stereo expected) on the output named `deviceName` at 48 kHz
// for `seconds` and prints the CPU time of the device's update thread (the mixing) and of the whole
// process, each in percent of one core.
int Play(const char* path, const char* deviceName, double seconds);

// On the first virtual output (TONESENTRY_VIRTUAL_DEVICES, real-time clock): the wall time from
// BASS_ChannelPlay on an idle device to the device consuming the channel's first sample, over
// `runs` plays, beside BASS_CONFIG_BUFFER + BASS_CONFIG_UPDATEPERIOD.
int Latency(int runs, unsigned bufferMs, unsigned periodMs);

}  // namespace playbench
