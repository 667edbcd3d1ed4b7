#pragma once
// One progress line on standard error that a terminal shows in place; where standard
// error is not a terminal (a script, a log file) nothing is shown, so that only the
// command's result lines remain. A message shown meanwhile takes the line's place (see
// CliUiServices); the next Show starts a new one.
//
// Threads: the command's main thread.

#include <string>

namespace orva {

class CliProgressLine {
public:
    CliProgressLine();
    ~CliProgressLine();
    CliProgressLine(const CliProgressLine&) = delete;
    CliProgressLine& operator=(const CliProgressLine&) = delete;

    void Show(const std::string& text);
    // Erases the line, so that what follows is written where it stood.
    void End();

private:
    bool terminal_;
    bool shown_ = false;
};

}  // namespace orva
