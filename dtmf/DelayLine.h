// The delay line of the analysis signal: a ring of float samples swapped with each mixed block, so
// the detector hears the signal delayed by the ring's length. One per process (the running
// sentry's), guarded by DelayLock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audiolib/audiolib.h"

// Module life (main thread, no worker running).
void InitializeDelayLine();
void FinalizeDelayLine();

// Sizes the ring to delayMs of `mixer`'s audio in float samples (empty for 0 ms; left unchanged
// when the mixer's size query fails) and fills it with silence. Any thread.
void ResetDelayLine(HSTREAM mixer, uint32_t delayMs);

// Samples in the ring now; any thread.
size_t DelayLineLength();

// The DSP procedure to install on the analysis mixer: swaps each float of the block with the ring.
// Runs on the thread reading the mixer; takes DelayLock for the block.
DSPPROC DelayLineDSP;
