#include "cli/interrupt.h"

#include <csignal>

#include "io/output_target.h"

namespace veltrix::cli {

namespace {

// Setting it is all the first signal does, which is safe only when it needs no lock.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> interrupted{false};

// The first signal asks the conversions to end with whole lines. A second one stops a stuck
// process at once (an output FIFO that nobody reads), as the signal's default would, leaving no
// temporary file behind.
extern "C" void OnInterrupt(int signal) {
  if (!interrupted.exchange(true)) return;
  RemovePendingOutputs();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

} // namespace

const std::atomic<bool>& InterruptFlag() {
  return interrupted;
}

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Either signal is held off while the handler runs for the other.
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM}) {
    // A signal ignored on entry (a background job of a script, nohup) stays ignored.
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

} // namespace veltrix::cli
