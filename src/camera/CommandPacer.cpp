#include "camera/CommandPacer.h"

namespace orva {

CommandPacer::CommandPacer(Clock& clock, Clock::Duration spacing) : clock_(clock), spacing_(spacing) {}

void CommandPacer::WaitForTurn() {
    if (!lastEnd_) return;
    const Clock::TimePoint earliest = *lastEnd_ + spacing_;
    const Clock::TimePoint now = clock_.Now();
    if (now < earliest) clock_.SleepFor(earliest - now);
}

}  // namespace orva
