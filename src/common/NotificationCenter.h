#pragma once
// A small publish/subscribe centre through which changes of the instrument, the solver
// and the video resolution reach the windows that depend on them.
//
// Threads: GUI thread only; no locking.
// Publish notifies a copy of the topic's list, so a receiver may subscribe or unsubscribe
// (itself or others) inside Notify. A receiver removed during a publish is still
// notified by that publish: receivers must not be destroyed inside another's Notify.

#include "common/NotificationReceiver.h"

#include <map>
#include <string>
#include <vector>

namespace orva {

inline constexpr const char* kTopicResolutionChanged = "ResolutionChanged";
inline constexpr const char* kTopicInstrumentChanged = "InstrumentChanged";
inline constexpr const char* kTopicSolverChanged = "SolverChanged";

class NotificationCenter {
public:
    // The process-wide centre, created on first use.
    static NotificationCenter& Instance();

    // Appends; a receiver subscribed twice is notified twice.
    void Subscribe(NotificationReceiver* receiver, const std::string& topic);
    // Removes every occurrence of the receiver from every topic.
    void Unsubscribe(NotificationReceiver* receiver);
    // A topic nobody subscribed to is ignored.
    void Publish(const std::string& topic);

private:
    std::map<std::string, std::vector<NotificationReceiver*>> receivers_;
};

}  // namespace orva
