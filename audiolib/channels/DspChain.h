// The DSP procedures set on one channel, run in priority order over each block it yields.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/audiolib.h"
#include "audiolib/dsp/Effect.h"

namespace audiolib {

// The DSP procedures and effects of a channel share one order. Add, AddEffect and Remove may be
// called from any thread, also from inside a DSP procedure of this chain; Run is called by the
// channel's reader. Run takes only a short lock to pick up the current list (a copy-on-write
// snapshot), so it allocates nothing and never waits on a procedure.
class DspChain {
 public:
  // `chans`: the channel count of the blocks effects will process.
  explicit DspChain(DWORD chans);

  // Higher `priority` runs first; equal priorities run in the order they were set.
  void Add(HDSP handle, DSPPROC* proc, void* user, int priority);
  void AddEffect(HFX handle, std::shared_ptr<Effect> effect, int priority);
  bool Remove(DWORD handle);
  // Effects need float samples: the caller gives float blocks whenever HasEffects().
  void Run(DWORD channel, void* buffer, DWORD bytes) const;
  bool IsEmpty() const;
  bool HasEffects() const;

 private:
  struct Entry {
    DWORD handle;
    DSPPROC* proc;  // null for an effect
    void* user;
    int priority;
    std::shared_ptr<Effect> effect;
  };
  using List = std::vector<Entry>;
  void Insert(Entry entry);

  const DWORD chans_;
  mutable std::mutex mutex_;
  std::shared_ptr<const List> entries_;
};

}  // namespace audiolib
