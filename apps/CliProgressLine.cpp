#include "CliProgressLine.h"

#include <unistd.h>

#include <cstdio>

namespace orva {

CliProgressLine::CliProgressLine() : terminal_(isatty(STDERR_FILENO) != 0) {}

CliProgressLine::~CliProgressLine() { End(); }

void CliProgressLine::Show(const std::string& text) {
    if (!terminal_) return;
    std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void CliProgressLine::End() {
    if (shown_) std::fprintf(stderr, "\r\x1b[K");
    shown_ = false;
}

}  // namespace orva
