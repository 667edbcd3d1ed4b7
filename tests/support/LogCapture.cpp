#include "support/LogCapture.h"

#include "common/Log.h"

#include <algorithm>
#include <sstream>

namespace orva::test {

LogCapture::LogCapture() { InitLogFile(dir_.Path()); }

LogCapture::~LogCapture() { InitLogFile(""); }

std::vector<std::string> LogCapture::Messages() const {
    std::vector<std::string> result;
    std::istringstream in(ReadFile(LogFilePath()));
    std::string line;
    // "YYYY-MM-DD HH:MM:SS.mmm  " is 25 characters.
    while (std::getline(in, line)) {
        if (line.size() < 25) continue;
        std::string message = line.substr(25);
        if (message == "I ---------- Application started ----------") continue;
        result.push_back(message);
    }
    return result;
}

std::vector<std::string> LogCapture::MessagesStartingWith(const std::string& prefix) const {
    std::vector<std::string> result;
    for (auto& m : Messages()) {
        if (m.rfind(prefix, 0) == 0) result.push_back(m);
    }
    return result;
}

bool LogCapture::Contains(const std::string& message) const {
    const auto all = Messages();
    return std::find(all.begin(), all.end(), message) != all.end();
}

}  // namespace orva::test
