#include "ui/CDlgSettings.h"

#include "ui/QtText.h"

#include "common/IUiServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orva {

CDlgSettings::CDlgSettings(SettingsDialogModel& model, IUiServices& ui, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle("Settings");
    setMinimumWidth(620);  // whole folder paths
    model_.Open();
    auto* layout = new QVBoxLayout(this);

    auto* folders = new QGroupBox("Folders", this);
    auto* form = new QFormLayout(folders);
    const auto folder = [&](const char* label, std::string& value) {
        auto* row = new QHBoxLayout();
        auto* edit = new QLineEdit(folders);
        auto* browse = new QPushButton("...", folders);
        browse->setMaximumWidth(32);
        connect(browse, &QPushButton::clicked, this, [this, &ui, edit, label] {
            if (const auto picked = ui.PickFolder(label, edit->text().toStdString())) edit->setText(Q(*picked));
        });
        row->addWidget(edit, 1);
        row->addWidget(browse);
        form->addRow(label, row);
        texts_.push_back({label, &value, edit});
    };
    folder("FITS files", model_.fitsDirectory);
    folder("SER files", model_.serDirectory);
    folder("ADV files", model_.advDirectory);
    folder("Dark frames", model_.darkFramesDirectory);
    folder("Flat frames", model_.flatFramesDirectory);
    folder("Reports", model_.reportsDirectory);
    folder("Log files", model_.logDirectory);
    layout->addWidget(folders);

    auto* options = new QGroupBox("Options", this);
    auto* optionsForm = new QFormLayout(options);
    const auto text = [&](const char* label, std::string& value) {
        auto* edit = new QLineEdit(options);
        optionsForm->addRow(label, edit);
        texts_.push_back({label, &value, edit});
    };
    text("Report file name", model_.reportFileNameTemplate);
    text("c2aw.exe", model_.c2awExePath);
    text("Default duration (s)", model_.defaultDurationSec);
    const auto check = [&](const char* label, bool& value) {
        auto* box = new QCheckBox(label, options);
        optionsForm->addRow(box);
        checks_.push_back({box, &value});
    };
    check("Create GPS status CSV file", model_.createStatusCsvFile);
    check("ADV compression", model_.enableAdvCompression);
    check("Start streaming after connecting", model_.autoStartStreaming);
    check("GPS log", model_.gpsLogEnabled);
    check("Performance log", model_.performanceLogEnabled);
    check("Logging", model_.loggingEnabled);
    auto* resolution = new QHBoxLayout();
    resolution100us_ = new QRadioButton("0.1ms", options);
    resolution1ms_ = new QRadioButton("1 ms", options);
    resolution->addWidget(resolution100us_);
    resolution->addWidget(resolution1ms_);
    resolution->addStretch(1);
    optionsForm->addRow("Exposure resolution", resolution);
    layout->addWidget(options);

    auto* solving = new QGroupBox("Plate solving", this);
    auto* solvingForm = new QFormLayout(solving);
    solver_ = new QComboBox(solving);
    for (const std::string& choice : model_.SolverChoices()) solver_->addItem(Q(choice));
    solvingForm->addRow("Solver", solver_);
    solverUrlLabel_ = new QLabel(solving);
    solverUrl_ = new QLineEdit(solving);
    solvingForm->addRow(solverUrlLabel_, solverUrl_);
    auto* apiKey = new QLineEdit(solving);
    solvingForm->addRow("API key", apiKey);
    texts_.push_back({"API key", &model_.apiKey, apiKey});
    auto* wcsinfo = new QLineEdit(solving);
    wcsinfo->setPlaceholderText("wcsinfo on PATH");
    solvingForm->addRow("wcsinfo", wcsinfo);
    texts_.push_back({"wcsinfo", &model_.wcsinfoPath, wcsinfo});
    connect(solver_, &QComboBox::activated, this, [this] {
        model_.SelectSolver(solver_->currentText().toStdString());
        solverUrlLabel_->setText(Q(model_.SolverUrlLabel()));
        solverUrl_->setText(Q(model_.solverUrl));
    });
    layout->addWidget(solving);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FromModel();
}

void CDlgSettings::FromModel() {
    for (const TextField& f : texts_) f.edit->setText(Q(*f.value));
    for (const CheckField& c : checks_) c.box->setChecked(*c.value);
    resolution100us_->setChecked(model_.timeResolution100us);
    resolution1ms_->setChecked(!model_.timeResolution100us);
    solver_->setCurrentText(Q(model_.solver));
    solverUrlLabel_->setText(Q(model_.SolverUrlLabel()));
    solverUrl_->setText(Q(model_.solverUrl));
}

QLineEdit* CDlgSettings::Edit(const QString& label) const {
    for (const TextField& f : texts_) {
        if (f.label == label) return f.edit;
    }
    return nullptr;
}

QCheckBox* CDlgSettings::Check(const QString& text) const {
    for (const CheckField& c : checks_) {
        if (c.box->text() == text) return c.box;
    }
    return nullptr;
}

void CDlgSettings::accept() {
    for (const TextField& f : texts_) *f.value = f.edit->text().toStdString();
    for (const CheckField& c : checks_) *c.value = c.box->isChecked();
    model_.timeResolution100us = resolution100us_->isChecked();
    model_.solver = solver_->currentText().toStdString();
    model_.solverUrl = solverUrl_->text().toStdString();
    // A settings file that could not be written keeps the dialog open (the model said why).
    if (model_.Ok()) QDialog::accept();
}

}  // namespace orva
