#pragma once
// Something that wants to hear about a change published on the notification centre.

#include <string>

namespace orva {

class NotificationReceiver {
public:
    virtual ~NotificationReceiver() = default;
    virtual void Notify(const std::string& topic) = 0;
};

}  // namespace orva
