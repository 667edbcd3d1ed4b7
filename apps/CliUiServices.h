#pragma once
// The headless station's user interface: messages go to standard error as one line
// ("<prefix>: Title: text"), on a terminal in place of a progress line being shown;
// questions are answered "No", pickers cancelled.
//
// Threads: the station's main thread.

#include "common/IUiServices.h"

#include <string>

namespace orva {

class CliUiServices final : public IUiServices {
public:
    explicit CliUiServices(std::string prefix);

    void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& title, const std::string& text) override;
    std::optional<std::string> PickFile(const std::string& title, const std::string& filter) override;
    std::optional<std::string> PickFolder(const std::string& title, const std::string& initialFolder) override;

    // The last message shown, as one line; empty when none was shown.
    const std::string& LastMessage() const { return lastMessage_; }
    // Title and text as one line: line ends become blanks.
    static std::string OneLine(const std::string& title, const std::string& text);

private:
    void Print(const std::string& line);

    std::string prefix_;
    bool terminal_;
    std::string lastMessage_;
};

}  // namespace orva
