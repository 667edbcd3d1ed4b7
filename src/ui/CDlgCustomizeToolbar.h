#pragma once
// "Customize Toolbar...": the toolbars (the Record toolbar and the observer's own), the
// commands on the chosen one in their order, and the commands that can be added. Every
// change is made on a ToolbarLayout; the window takes it on OK.
//
// Threads: GUI thread only.

#include "station/ToolbarLayout.h"

#include <QDialog>

class QComboBox;
class QListWidget;
class QPushButton;

namespace orva {

class CDlgCustomizeToolbar final : public QDialog {
public:
    CDlgCustomizeToolbar(const ToolbarLayout& layout, QWidget* parent = nullptr);

    const ToolbarLayout& Layout() const { return layout_; }

    // The controls, for the tests.
    QComboBox* ToolbarList() { return toolbars_; }
    QListWidget* OnToolbar() { return onToolbar_; }
    QListWidget* AvailableList() { return available_; }
    // The buttons' work, as the buttons do it (the tests call them; "New toolbar..." asks
    // for the name first).
    void AddSelected();
    void RemoveSelected();
    void MoveSelected(int delta);
    bool NewToolbar(const std::string& name);
    void DeleteToolbar();
    void ResetToDefault();

private:
    void Show(int selectCommand = -1);
    std::size_t Current() const;

    ToolbarLayout layout_;
    QComboBox* toolbars_ = nullptr;
    QListWidget* onToolbar_ = nullptr;
    QListWidget* available_ = nullptr;
    QPushButton* deleteToolbar_ = nullptr;
};

}  // namespace orva
