#include "support/FakeUiServices.h"

namespace orva::test {

void FakeUiServices::ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) {
    messages.push_back({title, text, icon});
}

bool FakeUiServices::AskYesNo(const std::string& title, const std::string& text) {
    questions.push_back({title, text});
    if (yesNoReplies.empty()) return false;
    const bool reply = yesNoReplies.front();
    yesNoReplies.pop_front();
    return reply;
}

std::optional<std::string> FakeUiServices::PickFile(const std::string& title, const std::string&) {
    pickerTitles.push_back(title);
    if (pickReplies.empty()) return std::nullopt;
    std::optional<std::string> reply = pickReplies.front();
    pickReplies.pop_front();
    return reply;
}

std::optional<std::string> FakeUiServices::PickFolder(const std::string& title, const std::string&) {
    return PickFile(title, "");
}

}  // namespace orva::test
