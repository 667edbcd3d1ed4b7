#pragma once
// The core's user interface on Qt: message boxes, yes/no questions and file and folder
// pickers, shown over the main window.
//
// Threads: GUI thread only.

#include "common/IUiServices.h"

class QWidget;

namespace orva {

class QtUiServices final : public IUiServices {
public:
    void SetParent(QWidget* parent) { parent_ = parent; }

    void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& title, const std::string& text) override;
    std::optional<std::string> PickFile(const std::string& title, const std::string& filter) override;
    std::optional<std::string> PickFolder(const std::string& title, const std::string& initialFolder) override;

    // "Description (*.ext)|*.ext|All Files (*.*)|*.*||" as Qt's "Description (*.ext);;All Files (*)".
    static std::string QtFilter(const std::string& filter);

private:
    QWidget* parent_ = nullptr;
};

}  // namespace orva
