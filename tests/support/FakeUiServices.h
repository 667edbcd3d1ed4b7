#pragma once
// Records every message, question and picker call, and answers from scripted replies.
// With no reply scripted, a question is answered "No" and a picker is cancelled.

#include "common/IUiServices.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace orva::test {

class FakeUiServices final : public IUiServices {
public:
    struct Message {
        std::string title;
        std::string text;
        MessageIcon icon;
        bool operator==(const Message&) const = default;
    };
    struct Question {
        std::string title;
        std::string text;
        bool operator==(const Question&) const = default;
    };

    void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& title, const std::string& text) override;
    std::optional<std::string> PickFile(const std::string& title, const std::string& filter) override;
    std::optional<std::string> PickFolder(const std::string& title, const std::string& initialFolder) override;

    // Replies, used in order.
    std::deque<bool> yesNoReplies;
    std::deque<std::optional<std::string>> pickReplies;

    std::vector<Message> messages;
    std::vector<Question> questions;
    std::vector<std::string> pickerTitles;
};

}  // namespace orva::test
