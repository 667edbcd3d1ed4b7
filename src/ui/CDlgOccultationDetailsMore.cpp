#include "ui/CDlgOccultationDetailsMore.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orva {

CDlgOccultationDetailsMore::CDlgOccultationDetailsMore(OccultationDetailsMoreModel& model, OwEventManager& store,
                                                       OwEventId id, QWidget* parent)
    : QDialog(parent), model_(model), store_(store), id_(id) {
    using L = OccultationDetailsMoreModel::List;
    setWindowTitle("Occultation Details: More");
    setModal(true);
    auto* form = new QFormLayout;
    const std::pair<L, const char*> rows[] = {
        {L::Site, "Observing site"}, {L::Observer, "Observer"}, {L::Instrument, "Instrument"}, {L::Mount, "Mount"}};
    for (const auto& [list, label] : rows) {
        auto* combo = new QComboBox(this);
        for (const std::string& name : model_.Names(list)) combo->addItem(QString::fromStdString(name));
        combo->setCurrentIndex(model_.Selected(list));
        connect(combo, &QComboBox::activated, this, [this, list](int item) { model_.Select(list, item); });
        lists_[static_cast<std::size_t>(list)] = combo;
        form->addRow(label, combo);
    }
    comment1_ = new QLineEdit(QString::fromStdString(model_.comment1), this);
    comment2_ = new QLineEdit(QString::fromStdString(model_.comment2), this);
    form->addRow("Comment 1", comment1_);
    form->addRow("Comment 2", comment2_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgOccultationDetailsMore::Confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CDlgOccultationDetailsMore::Confirm() {
    model_.comment1 = comment1_->text().toStdString();
    model_.comment2 = comment2_->text().toStdString();
    model_.Apply(store_, id_);
    accept();
}

}  // namespace orva
