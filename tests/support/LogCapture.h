#pragma once
// Opens the application log in a temporary folder for one test and reads back its
// messages without their time stamps. Closes the log on destruction.

#include "support/TempDir.h"

#include <string>
#include <vector>

namespace orva::test {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();

    // The message texts ("I ...", "W ...", "E ..."), the start line excluded.
    std::vector<std::string> Messages() const;
    // Messages that start with the prefix.
    std::vector<std::string> MessagesStartingWith(const std::string& prefix) const;
    bool Contains(const std::string& message) const;
    const std::string& Directory() const { return dir_.Path(); }

private:
    TempDir dir_;
};

}  // namespace orva::test
