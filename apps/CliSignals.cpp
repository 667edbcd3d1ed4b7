#include "CliSignals.h"

#include <atomic>
#include <csignal>

namespace orva {
namespace {

// A lock-free atomic is safe to store from a signal handler.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int) { stopRequested.store(true); }

}  // namespace

void CliSignals::InstallStopHandler() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool CliSignals::StopRequested() { return stopRequested.load(); }

}  // namespace orva
