#pragma once
// The plate-solving window's change notifications, without its widgets: for the life of
// the window it follows "ResolutionChanged" and "InstrumentChanged" (the image scale, so
// the scale hint, may have changed) and "SolverChanged" (the step line names the solver),
// logs each and asks the window to refresh. Subscribed once when made, whether or not
// the window is shown; unsubscribed when destroyed.
//
// Threads: GUI thread only (the notification centre's).

#include "common/NotificationReceiver.h"

#include <functional>
#include <string>

namespace orva {

class NotificationCenter;

class PlateSolvingNotifications final : public NotificationReceiver {
public:
    PlateSolvingNotifications(NotificationCenter& center, std::function<void()> updateScaleHint,
                              std::function<void()> updateStatusTexts);
    ~PlateSolvingNotifications() override;
    PlateSolvingNotifications(const PlateSolvingNotifications&) = delete;
    PlateSolvingNotifications& operator=(const PlateSolvingNotifications&) = delete;

    void Notify(const std::string& topic) override;

private:
    NotificationCenter& center_;
    std::function<void()> updateScaleHint_;
    std::function<void()> updateStatusTexts_;
};

}  // namespace orva
