#pragma once
// One of the four equipment dialogs (observers, observing sites, instruments, telescope
// mounts) over EquipmentDialogModel: the list of names, the selected entry's fields
// (editable), Add (asks for the name) and Delete (the model asks for confirmation).
//
// Threads: GUI thread only.

#include "equipment/EquipmentDialogModel.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QListWidget;
class QPushButton;
class QTableWidget;

namespace orva {

class CDlgEquipment final : public QDialog {
public:
    // `title` is the model's dialog name.
    CDlgEquipment(EquipmentManager& list, IUiServices& ui, const char* title, QWidget* parent = nullptr);

    // Asks for a new entry's name ("Add Equipment"); nothing when cancelled. Tests replace it.
    std::function<std::optional<std::string>()> askName;

    EquipmentDialogModel& Model() { return model_; }
    QListWidget* Names() { return names_; }
    QTableWidget* Fields() { return fields_; }
    QPushButton* AddButton() { return add_; }
    QPushButton* DeleteButton() { return delete_; }

private:
    void Refresh();

    EquipmentDialogModel model_;
    QListWidget* names_ = nullptr;
    QTableWidget* fields_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    bool refreshing_ = false;
};

}  // namespace orva
