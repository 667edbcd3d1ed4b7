#pragma once
// What the core asks of the user interface: message boxes, yes/no questions, file and
// folder pickers. The Qt layer implements it; tests use a fake with scripted replies.
//
// Threads: GUI thread only.

#include <optional>
#include <string>

namespace orva {

enum class MessageIcon { Information, Warning, Error, Question };

class IUiServices {
public:
    virtual ~IUiServices() = default;

    virtual void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) = 0;
    // True for "Yes".
    virtual bool AskYesNo(const std::string& title, const std::string& text) = 0;
    // The chosen path; empty when the user cancelled. The filter has the form
    // "Description (*.ext)|*.ext|All Files (*.*)|*.*||".
    virtual std::optional<std::string> PickFile(const std::string& title, const std::string& filter) = 0;
    virtual std::optional<std::string> PickFolder(const std::string& title, const std::string& initialFolder) = 0;
};

}  // namespace orva
