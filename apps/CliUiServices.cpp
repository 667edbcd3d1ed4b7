#include "CliUiServices.h"

#include <cstdio>

namespace orva {

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
    std::fprintf(stderr, "%s: %s\n", prefix_.c_str(), lastMessage_.c_str());
}

bool CliUiServices::AskYesNo(const std::string& title, const std::string& text) {
    std::fprintf(stderr, "%s: %s (answered no)\n", prefix_.c_str(), OneLine(title, text).c_str());
    return false;
}

std::optional<std::string> CliUiServices::PickFile(const std::string&, const std::string&) { return std::nullopt; }

std::optional<std::string> CliUiServices::PickFolder(const std::string&, const std::string&) { return std::nullopt; }

}  // namespace orva
