#include "CliUiServices.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace orva {

CliUiServices::CliUiServices(std::string prefix)
    : prefix_(std::move(prefix)), terminal_(isatty(STDERR_FILENO) != 0) {}

void CliUiServices::Print(const std::string& line) {
    // A progress line on the terminal gives way to the message.
    std::fprintf(stderr, "%s%s: %s\n", terminal_ ? "\r\x1b[K" : "", prefix_.c_str(), line.c_str());
}

std::string CliUiServices::OneLine(const std::string& title, const std::string& text) {
    std::string line = title.empty() ? text : title + ": " + text;
    std::string out;
    for (const char c : line) {
        if (c == '\n' || c == '\r') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

void CliUiServices::ShowMessage(const std::string& title, const std::string& text, MessageIcon) {
    lastMessage_ = OneLine(title, text);
    Print(lastMessage_);
}

bool CliUiServices::AskYesNo(const std::string& title, const std::string& text) {
    Print(OneLine(title, text) + " (answered no)");
    return false;
}

std::optional<std::string> CliUiServices::PickFile(const std::string&, const std::string&) { return std::nullopt; }

std::optional<std::string> CliUiServices::PickFolder(const std::string&, const std::string&) { return std::nullopt; }

}  // namespace orva
