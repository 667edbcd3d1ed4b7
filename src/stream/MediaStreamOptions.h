#pragma once
// How the stream facade and its worker are wired to the rest of the station.

#include "common/Clock.h"

#include <functional>
#include <string>

namespace orva {

struct MediaStreamOptions {
    // Time-outs, the watchdog, pacing sleeps and processing times follow this clock.
    Clock* clock = &SteadyClock::Instance();
    // False leaves the producer and consumer threads unstarted; the owner then drives the
    // worker with RunOneProducerStep and RunOneConsumerStep.
    bool startThreads = true;
    // The current exposure time in milliseconds, for the stall watchdog. When empty, the
    // expected frame time (SetExpectedFrameTimeMs) is used. Called on the producer thread.
    std::function<double()> exposureTimeMs;
    // Shows a warning to the observer (title, text) and returns when it was dismissed.
    // Called on the producer thread. When empty the warning is only logged.
    std::function<void(const std::string& title, const std::string& text)> showWarning;
};

}  // namespace orva
