// Shared use of PortAudio. Its initialisation and device queries work on global state that is not
// thread-safe, so every Pa_Initialize, Pa_Terminate and device query runs under one lock.
#pragma once

#include <mutex>

namespace audiolib {

std::mutex& PortAudioMutex();

// Pa_Initialize (PortAudio counts nested initialisations; pair each success with Pa_Terminate).
// The first call silences the messages that the ALSA and JACK libraries print to standard error
// while PortAudio probes them; PortAudio's own results report what matters. Caller holds
// PortAudioMutex(). False when PortAudio cannot start.
bool InitializePortAudio();

}  // namespace audiolib
