// StopSignals on Windows: the console's events, through a handler
// (SetConsoleCtrlHandler) that the system runs on a thread of its own.
// Ctrl-C and Ctrl-Break count as SIGINT, which may be answered; closing the
// console, logging off and shutting down as SIGTERM, which may not.
#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/stop_signals.h"

namespace fennimar {
namespace {

std::atomic<int> pending{0};
int holders = 0;

// How long a closing console waits for the run to stop and remove what it
// made; the system ends the process soon after in any case.
constexpr DWORD kCloseGraceMilliseconds = 3000;
constexpr DWORD kCloseStepMilliseconds = 50;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    pending = SIGINT;
    return TRUE;  // the run decides; the process goes on
  }
  pending = SIGTERM;
  // The process ends when this returns; until then the run may stop.
  for (DWORD waited = 0; waited < kCloseGraceMilliseconds && pending != 0;
       waited += kCloseStepMilliseconds) {
    ::Sleep(kCloseStepMilliseconds);
  }
  ::Sleep(kCloseStepMilliseconds);
  return TRUE;
}

}  // namespace

StopSignals::StopSignals() {
  if (holders++ == 0) ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopSignals::~StopSignals() {
  if (--holders == 0) ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

int TakeStopSignal() { return pending.exchange(0); }

}  // namespace fennimar
