#pragma once
// "Occultation Event Editor": the fields of OccultationEditorModel in their order. OK
// hands the typed texts to the model; when it keeps the editor open the window beeps and
// focuses and selects the field in error. Modal.
//
// Threads: GUI thread only.

#include "events/OccultationEditorModel.h"

#include <QDialog>

#include <array>

class QLineEdit;

namespace orva {

class CDlgOccultationEditor final : public QDialog {
public:
    explicit CDlgOccultationEditor(OccultationEditorModel& model, QWidget* parent = nullptr);

    QLineEdit* Field(OccultationEditorModel::Field field) const { return fields_[static_cast<std::size_t>(field)]; }
    void Confirm();
    void Cancel();

private:
    OccultationEditorModel& model_;
    std::array<QLineEdit*, OccultationEditorModel::kFieldCount> fields_{};
};

}  // namespace orva
