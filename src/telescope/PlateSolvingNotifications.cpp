#include "telescope/PlateSolvingNotifications.h"

#include "common/Log.h"
#include "common/NotificationCenter.h"

namespace orva {

PlateSolvingNotifications::PlateSolvingNotifications(NotificationCenter& center,
                                                     std::function<void()> updateScaleHint,
                                                     std::function<void()> updateStatusTexts)
    : center_(center),
      updateScaleHint_(std::move(updateScaleHint)),
      updateStatusTexts_(std::move(updateStatusTexts)) {
    for (const char* topic : {kTopicResolutionChanged, kTopicInstrumentChanged, kTopicSolverChanged}) {
        center_.Subscribe(this, topic);
    }
}

PlateSolvingNotifications::~PlateSolvingNotifications() { center_.Unsubscribe(this); }

void PlateSolvingNotifications::Notify(const std::string& topic) {
    if (topic == kTopicResolutionChanged || topic == kTopicInstrumentChanged) {
        LogMessage("I Platesolving dialog: Resolution or instrument changed");
        if (updateScaleHint_) updateScaleHint_();
    } else if (topic == kTopicSolverChanged) {
        LogMessage("I Platesolving dialog: Solver changed");
        if (updateStatusTexts_) updateStatusTexts_();
    }
}

}  // namespace orva
