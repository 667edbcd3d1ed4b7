#include "CliSession.h"

#include "common/AppPaths.h"
#include "common/Log.h"
#include "common/Settings.h"

namespace orva {

CliSession::CliSession() : settings_(Settings::Instance()) {
    settings_.Load();
    if (!settings_.LogDirectory.empty()) {
        AppPaths::EnsureDirectory(settings_.LogDirectory);
        InitLogFile(settings_.LogDirectory);
    }
    settings_.LogLoadWarning();
}

CliSession::~CliSession() {
    if (IsLogOpen()) InitLogFile("");
}

}  // namespace orva
