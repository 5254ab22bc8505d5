// StopSignals: SIGINT, SIGTERM and SIGHUP ask the run to stop instead of
// ending the process at once, so that it stops at its next check and every
// owner of a temporary file or directory removes what it made. The handlers
// are in place while at least one StopSignals lives (a whole command, or a
// progress dialog inside it); the last one to end restores the defaults.
#pragma once

namespace fennimar {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
};

// The last stop signal that arrived and was not yet taken (SIGINT, SIGTERM,
// SIGHUP), 0 for none; taking it clears it.
int TakeStopSignal();

}  // namespace fennimar
