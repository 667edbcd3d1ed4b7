#include "ui/CDlgPlatesolving.h"

#include "ui/QtText.h"

#include "common/Log.h"
#include "common/Settings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orva {
namespace {

constexpr int kTimerMs = 100;


}  // namespace

CDlgPlatesolving::CDlgPlatesolving(Services services, QWidget* parent) : QDialog(parent), s_(std::move(services)) {
    using M = PlateSolvingDialogModel;
    LogMessage(M::kOpenedLog);
    setWindowTitle("Plate Solving");
    setModal(false);
    files_ = new QComboBox(this);
    scale_ = new QLineEdit(this);
    note_ = new QLabel(this);
    ra_ = new QLineEdit(M::kRaPlaceholder, this);
    dec_ = new QLineEdit(M::kDecPlaceholder, this);
    fromTelescope_ = new QPushButton("<--", this);
    fromTelescope_->setAutoDefault(false);
    connect(fromTelescope_, &QPushButton::clicked, this, &CDlgPlatesolving::TakeHintsFromTelescope);
    step_ = new QLabel(this);
    step_->setWordWrap(true);
    result_ = new QLabel(this);
    result_->setWordWrap(true);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 0);  // busy marquee
    progress_->hide();
    start_ = new QPushButton("Start", this);
    connect(start_, &QPushButton::clicked, this, &CDlgPlatesolving::OnStart);

    UpdateScaleHint();

    auto* scaleRow = new QHBoxLayout;
    scaleRow->addWidget(scale_);
    scaleRow->addWidget(new QLabel("''/pix", this));
    auto* position = new QHBoxLayout;
    position->addWidget(ra_);
    position->addWidget(dec_);
    position->addWidget(fromTelescope_);
    auto* form = new QFormLayout;
    form->addRow("File", files_);
    form->addRow("Scale*", scaleRow);
    form->addRow("", note_);
    form->addRow("Position", position);
    auto* status = new QGroupBox("Status", this);
    auto* statusLayout = new QVBoxLayout(status);
    statusLayout->addWidget(step_);
    statusLayout->addWidget(result_);
    statusLayout->addWidget(progress_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(status);
    layout->addWidget(start_);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CDlgPlatesolving::OnTimer);
    timer_->start(kTimerMs);
    UpdateStatusTexts();
    RefreshFileList();
    start_->setFocus();
    notifications_ = std::make_unique<PlateSolvingNotifications>(
        s_.settings.Notifications(), [this] { UpdateScaleHint(); }, [this] { UpdateStatusTexts(); });
}

void CDlgPlatesolving::UpdateScaleHint() {
    const auto [scaleText, note] = PlateSolvingDialogModel::ScaleHintTexts(s_.imageScale ? s_.imageScale() : 0.0);
    scale_->setText(Q(scaleText));
    note_->setText(Q(note));
}

void CDlgPlatesolving::showEvent(QShowEvent* event) {
    // Files written while the window was hidden are offered at once.
    RefreshFileList();
    QDialog::showEvent(event);
}

void CDlgPlatesolving::RefreshFileList() {
    using M = PlateSolvingDialogModel;
    const QString previous = files_->currentText();
    files_->clear();
    const auto list = M::FileList(s_.settings.FitsDirectory);
    if (!list) {
        s_.ui.ShowMessage(M::kFitsFolderMissingTitle, M::kFitsFolderMissingText, MessageIcon::Error);
        return;
    }
    folder_ = s_.settings.FitsDirectory;
    for (const std::string& name : *list) files_->addItem(Q(name));
    files_->setCurrentIndex(std::max(0, files_->findText(previous, Qt::MatchExactly)));
}

void CDlgPlatesolving::OnStart() {
    using M = PlateSolvingDialogModel;
    if (s_.worker.Step() != PlateSolvingStep::Idle) {
        s_.worker.RequestStop();
        UpdateStatusTexts();
        return;
    }
    result_->clear();
    PlateSolvingStartInput input;
    input.streaming = s_.streaming();
    input.folder = folder_;
    input.file = files_->count() > 0 ? files_->currentText().toStdString() : M::kRecordNewFile;
    input.scaleText = scale_->text().toStdString();
    input.raText = ra_->text().toStdString();
    input.decText = dec_->text().toStdString();
    std::string error;
    auto start = M::PrepareStart(input, s_.strategyFor, error);
    if (!start) {
        s_.ui.ShowMessage(M::kStartErrorTitle, error, MessageIcon::Error);
        UpdateStatusTexts();
        return;
    }
    if (start->clearPositionEdits) {
        ra_->clear();
        dec_->clear();
    }
    s_.worker.Start(std::move(start->strategy), start->filePath);
    UpdateStatusTexts();
}

void CDlgPlatesolving::OnTimer() {
    for (const PlateSolvingEvent& e : s_.worker.TakeEvents()) {
        UpdateStatusTexts();
        if (e.solvedScale) scale_->setText(Q(PlateSolvingDialogModel::ScaleHintTexts(*e.solvedScale).first));
        if (e.code == kPlateSolvingSolved) result_->setText(Q(e.statusText));
        if (const auto message = PlateSolvingDialogModel::MessageForCode(e.code)) {
            s_.ui.ShowMessage(message->title, message->text, message->icon);
        }
    }
}

void CDlgPlatesolving::TakeHintsFromTelescope() {
    using M = PlateSolvingDialogModel;
    const auto hints = M::HintsFromTelescope(s_.telescope.Read());
    if (!hints) {
        s_.ui.ShowMessage(M::kNoTelescopeTitle, M::kNoTelescopeText, MessageIcon::Error);
        return;
    }
    ra_->setText(Q(hints->first));
    dec_->setText(Q(hints->second));
}

void CDlgPlatesolving::UpdateStatusTexts() {
    const PlateSolvingStep step = s_.worker.Step();
    const bool stopping = s_.worker.StopPending();
    result_->setText(Q(s_.worker.StatusText()));
    progress_->setVisible(step != PlateSolvingStep::Idle);
    start_->setText(PlateSolvingDialogModel::ButtonText(step));
    start_->setEnabled(!stopping);
    step_->setText(Q(PlateSolvingDialogModel::StepText(step, stopping, s_.settings.PlateSolvingProgram())));
}

}  // namespace orva
