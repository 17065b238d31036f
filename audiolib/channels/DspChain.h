// The DSP procedures set on one channel, run in priority order over each block it yields.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/audiolib.h"

namespace audiolib {

// Add and Remove may be called from any thread, also from inside a DSP procedure of this chain;
// Run is called by the channel's reader. Run takes only a short lock to pick up the current list
// (a copy-on-write snapshot), so it allocates nothing and never waits on a procedure.
class DspChain {
 public:
  DspChain();

  // Higher `priority` runs first; equal priorities run in the order they were set.
  void Add(HDSP handle, DSPPROC* proc, void* user, int priority);
  bool Remove(HDSP handle);
  void Run(DWORD channel, void* buffer, DWORD bytes) const;
  bool IsEmpty() const;

 private:
  struct Entry {
    HDSP handle;
    DSPPROC* proc;
    void* user;
    int priority;
  };
  using List = std::vector<Entry>;

  mutable std::mutex mutex_;
  std::shared_ptr<const List> entries_;
};

}  // namespace audiolib
