#include "cli/StopSignals.h"

namespace {

volatile std::sig_atomic_t StopRequested = 0;

void RequestStop(int) { StopRequested = 1; }

}  // namespace

TStopSignals::TStopSignals() {
  StopRequested = 0;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &FOldInt);
  sigaction(SIGTERM, &action, &FOldTerm);
}

TStopSignals::~TStopSignals() {
  sigaction(SIGINT, &FOldInt, nullptr);
  sigaction(SIGTERM, &FOldTerm, nullptr);
}

bool TStopSignals::Requested() { return StopRequested != 0; }
