#include "CliExit.h"

#include <cstdio>

namespace orva {

int CliExit::Usage(const char* command, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", command, message.c_str());
    return kUsage;
}

int CliExit::Failure(const char* command, const std::string& message) {
    if (!message.empty()) std::fprintf(stderr, "%s: %s\n", command, message.c_str());
    return kFailed;
}

}  // namespace orva
