#include <csignal>

#include "platform/stop_signals.h"

namespace fennimar {
namespace {

volatile std::sig_atomic_t pending = 0;
int holders = 0;

extern "C" void OnStopSignal(int signal) {
  pending = signal;
  // The handler is reset to the default before it runs; the next Ctrl-C
  // asks again.
  std::signal(signal, OnStopSignal);
}

}  // namespace

// Windows has no SIGHUP; closing the console ends the process.
StopSignals::StopSignals() {
  if (holders++ == 0) {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
  }
}

StopSignals::~StopSignals() {
  if (--holders == 0) {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
  }
}

int TakeStopSignal() {
  int signal = pending;
  pending = 0;
  return signal;
}

}  // namespace fennimar
