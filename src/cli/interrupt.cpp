#include "cli/interrupt.h"

#include <csignal>

namespace veltrix::cli {

namespace {

// Setting it is the only thing the handler does, which is safe only when it needs no lock.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
  interrupted.store(true);
}

} // namespace

const std::atomic<bool>& InterruptFlag() {
  return interrupted;
}

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Back to the default after the first signal: a second Ctrl-C stops a stuck process at once.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM}) {
    // A signal ignored on entry (a background job of a script, nohup) stays ignored.
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

} // namespace veltrix::cli
