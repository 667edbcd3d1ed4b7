#include "ui/CDlgTelescopeRates.h"

#include "ui/ActionButton.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orva {
namespace {

template <class Fields>
std::array<std::string, TelescopeRatesDialogModel::kRows> Texts(const Fields& fields) {
    std::array<std::string, TelescopeRatesDialogModel::kRows> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = fields[i]->text().trimmed().toStdString();
    return texts;
}

template <class Fields, class ModelFields>
void ShowFields(const Fields& fields, const ModelFields& shown, bool rewrite) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (rewrite) fields[i]->setText(Q(shown[i].text));
        fields[i]->setEnabled(shown[i].enabled);
    }
}

}  // namespace

CDlgTelescopeRates::CDlgTelescopeRates(TelescopeDialogModel& telescope, QWidget* parent)
    : QDialog(parent), telescope_(telescope), model_(telescope.Rates()) {
    setWindowTitle(TelescopeRatesDialogModel::kTitle);
    setModal(false);
    driver_ = new QLabel(this);
    useCustom_ = new QCheckBox("Use custom rates", this);
    connect(useCustom_, &QCheckBox::clicked, this, [this](bool checked) {
        model_.SetUseCustomRates(checked);
        Refresh();
    });
    apply_ = MakeActionButton(this, "Apply", [this] { model_.Apply(Texts(ra_), Texts(dec_)); }, [this] { Refresh(); });

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("RA (deg/s)", this), 0, 1);
    grid->addWidget(new QLabel("DEC (deg/s)", this), 0, 2);
    for (int row = 0; row < TelescopeRatesDialogModel::kRows; ++row) {
        const auto i = static_cast<std::size_t>(row);
        grid->addWidget(new QLabel(QString::number(row + 1), this), row + 1, 0);
        ra_[i] = new QLineEdit(this);
        dec_[i] = new QLineEdit(this);
        grid->addWidget(ra_[i], row + 1, 1);
        grid->addWidget(dec_[i], row + 1, 2);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(driver_);
    layout->addWidget(useCustom_);
    layout->addLayout(grid);
    layout->addWidget(apply_, 0, Qt::AlignRight);
}

void CDlgTelescopeRates::showEvent(QShowEvent* event) {
    telescope_.OpenRates();
    Refresh();
    QDialog::showEvent(event);
}

void CDlgTelescopeRates::hideEvent(QHideEvent* event) {
    telescope_.CloseRates();
    QDialog::hideEvent(event);
}

void CDlgTelescopeRates::Refresh() {
    driver_->setText(Q(model_.Title()));
    useCustom_->setChecked(model_.UseCustomRates());
    const bool rewrite = model_.FieldsVersion() != fieldsVersion_;
    fieldsVersion_ = model_.FieldsVersion();
    ShowFields(ra_, model_.RightAscensionFields(), rewrite);
    ShowFields(dec_, model_.DeclinationFields(), rewrite);
    apply_->setEnabled(model_.ApplyEnabled());
}

}  // namespace orva
