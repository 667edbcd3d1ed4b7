#pragma once
// The Settings dialog over SettingsDialogModel: the recording folders, the report file
// name, the recording options, the log, the plate solver. OK stores through the model;
// the folder buttons use the station's folder picker.
//
// Threads: GUI thread only.

#include "common/SettingsDialogModel.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace orva {

class IUiServices;

class CDlgSettings final : public QDialog {
public:
    CDlgSettings(SettingsDialogModel& model, IUiServices& ui, QWidget* parent = nullptr);

    // The line edit of a text field, by its label ("SER files", ...); null when none.
    QLineEdit* Edit(const QString& label) const;
    QCheckBox* Check(const QString& text) const;
    QComboBox* Solver() { return solver_; }

    void accept() override;

private:
    struct TextField {
        QString label;
        std::string* value;
        QLineEdit* edit;
    };
    struct CheckField {
        QCheckBox* box;
        bool* value;
    };

    void FromModel();

    SettingsDialogModel& model_;
    std::vector<TextField> texts_;
    std::vector<CheckField> checks_;
    QRadioButton* resolution100us_ = nullptr;
    QRadioButton* resolution1ms_ = nullptr;
    QComboBox* solver_ = nullptr;
    QLabel* solverUrlLabel_ = nullptr;
    QLineEdit* solverUrl_ = nullptr;
};

}  // namespace orva
