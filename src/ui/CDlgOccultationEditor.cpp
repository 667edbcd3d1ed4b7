#include "ui/CDlgOccultationEditor.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orva {

CDlgOccultationEditor::CDlgOccultationEditor(OccultationEditorModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    using M = OccultationEditorModel;
    setWindowTitle("Occultation Event Editor");
    setModal(true);
    auto* form = new QFormLayout;
    // Shown in reading order: the time, the prediction's numbers, the names, the position.
    const M::Field order[] = {M::Field::DateTime,    M::Field::ErrorInTime,  M::Field::MaxDuration,
                              M::Field::Probability, M::Field::AsteroidName, M::Field::AsteroidMag,
                              M::Field::StarName,    M::Field::StarMag,      M::Field::CombinedMag,
                              M::Field::DeltaMag,    M::Field::Position};
    for (const M::Field f : order) {
        auto* edit = new QLineEdit(QString::fromStdString(model_.Text(f)), this);
        fields_[static_cast<std::size_t>(f)] = edit;
        form->addRow(M::Label(f), edit);
    }
    QLineEdit* date = Field(M::Field::DateTime);
    date->setFocus();
    date->setSelection(static_cast<int>(M::kTimeSelectionStart),
                       static_cast<int>(M::kTimeSelectionEnd - M::kTimeSelectionStart));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgOccultationEditor::Confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgOccultationEditor::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CDlgOccultationEditor::Confirm() {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        model_.SetText(static_cast<OccultationEditorModel::Field>(i), fields_[i]->text().toStdString());
    }
    if (model_.Confirm() == OccultationEditorModel::Result::Closed) {
        accept();
        return;
    }
    QApplication::beep();
    if (const auto field = model_.InvalidField()) {
        QLineEdit* edit = Field(*field);
        edit->setFocus();
        edit->selectAll();
    }
}

void CDlgOccultationEditor::Cancel() {
    model_.Cancel();
    reject();
}

}  // namespace orva
