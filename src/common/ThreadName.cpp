#include "common/ThreadName.h"

#include <pthread.h>

namespace orva {

void ThreadName::SetCurrent(const std::string& name) {
    pthread_setname_np(pthread_self(), name.substr(0, kMaxLength).c_str());
}

std::string ThreadName::Current() {
    char name[kMaxLength + 1] = {};
    if (pthread_getname_np(pthread_self(), name, sizeof name) != 0) return {};
    return name;
}

}  // namespace orva
