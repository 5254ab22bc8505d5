#include "platform/stop_signals.h"

#include <csignal>

namespace fennimar {
namespace {

volatile std::sig_atomic_t pending = 0;
int holders = 0;

extern "C" void OnStopSignal(int signal) { pending = signal; }

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void Install(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // Reads and writes go on after the handler; the run looks at the signal
  // at its next check.
  action.sa_flags = SA_RESTART;
  for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

StopSignals::StopSignals() {
  if (holders++ == 0) Install(OnStopSignal);
}

StopSignals::~StopSignals() {
  if (--holders == 0) Install(SIG_DFL);
}

int TakeStopSignal() {
  int signal = pending;
  pending = 0;
  return signal;
}

}  // namespace fennimar
