#include "ui/CDlgTelescope.h"

#include "ui/ActionButton.h"
#include "ui/CDlgTelescopeChooser.h"
#include "ui/CDlgTelescopeRates.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orva {
namespace {

constexpr int kTimerMs = 200;


}  // namespace

CDlgTelescope::CDlgTelescope(TelescopeDialogModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle("Telescope Control");
    setModal(false);
    driver_ = new QLabel(this);
    version_ = new QLabel(this);
    choose_ = AddButton("Choose...", [this] { ShowChooser(); });
    connect_ = AddButton("Connect", [this] {
        model_.OnConnectButton();
        // The connect request runs from the event loop, as a posted message would.
        QTimer::singleShot(0, this, [this] {
            model_.OnConnectMessage();
            Show();
        });
    });
    tracking_ = new QCheckBox("Tracking", this);
    connect(tracking_, &QCheckBox::clicked, this, [this](bool checked) {
        model_.OnTrackingCheck(checked);
        Show();
    });
    const std::array<std::pair<const char*, TelescopeMoveButton>, 4> moves{{{"N", TelescopeMoveButton::North},
                                                                           {"S", TelescopeMoveButton::South},
                                                                           {"W", TelescopeMoveButton::West},
                                                                           {"E", TelescopeMoveButton::East}}};
    for (std::size_t i = 0; i < moves.size(); ++i) {
        auto* b = new QPushButton(moves[i].first, this);
        b->setAutoDefault(false);
        const TelescopeMoveButton which = moves[i].second;
        connect(b, &QPushButton::pressed, this, [this, which] { model_.OnMoveButton(which, false); });
        connect(b, &QPushButton::released, this, [this, which] { model_.OnMoveButton(which, true); });
        moves_[i] = b;
    }
    rateDown_ = AddButton("-", [this] { model_.RateDown(); });
    rate_ = AddButton("1", [this] { ShowRates(); });
    rateUp_ = AddButton("+", [this] { model_.RateUp(); });
    sync_ = AddButton("Sync to Solved", [this] { model_.SyncToSolved(); });
    edit_ = new QLineEdit(this);
    edit_->installEventFilter(this);
    event_ = AddButton("Event -->", [this] { model_.NextEventButton(); });
    slew_ = AddButton("Slew", [this] { model_.Slew(edit_->text().toStdString()); });
    auto* simbad = AddButton("SIMBAD", [this] { model_.Simbad(edit_->text().toStdString()); });
    instruction_ = new QLabel(this);
    instruction_->setWordWrap(true);

    auto* grid = new QGridLayout;
    grid->addWidget(driver_, 0, 0, 1, 2);
    grid->addWidget(version_, 0, 2);
    grid->addWidget(choose_, 0, 3);
    grid->addWidget(connect_, 1, 0, 1, 2);
    grid->addWidget(tracking_, 1, 2, 1, 2);
    grid->addWidget(moves_[0], 2, 1);
    grid->addWidget(moves_[2], 3, 0);
    grid->addWidget(moves_[3], 3, 2);
    grid->addWidget(moves_[1], 4, 1);
    grid->addWidget(rateDown_, 5, 0);
    grid->addWidget(rate_, 5, 1);
    grid->addWidget(rateUp_, 5, 2);
    const char* positionLabels[] = {"RA", "DEC", "Solved RA offset", "Solved DEC offset", "Event RA offset",
                                    "Event DEC offset"};
    for (std::size_t i = 0; i < position_.size(); ++i) {
        const int row = 6 + static_cast<int>(i);
        grid->addWidget(new QLabel(positionLabels[i], this), row, 0, 1, 2);
        position_[i] = new QLabel(this);
        grid->addWidget(position_[i], row, 2, 1, 2);
    }
    grid->addWidget(sync_, 12, 0, 1, 2);
    grid->addWidget(event_, 12, 2, 1, 2);
    grid->addWidget(instruction_, 13, 0, 1, 4);
    grid->addWidget(edit_, 14, 0, 1, 4);
    grid->addWidget(slew_, 15, 0, 1, 2);
    grid->addWidget(simbad, 15, 2, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);

    model_.Initialise();
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CDlgTelescope::OnTimer);
    timer_->start(kTimerMs);
    Show();
}

QPushButton* CDlgTelescope::AddButton(const char* text, std::function<void()> action) {
    return MakeActionButton(this, text, std::move(action), [this] { Show(); });
}

QPushButton* CDlgTelescope::Button(const char* text) const {
    for (QPushButton* b : findChildren<QPushButton*>()) {
        if (b->text() == text) return b;
    }
    return nullptr;
}

void CDlgTelescope::showEvent(QShowEvent* event) {
    model_.ShownOrHidden();
    Show();
    QDialog::showEvent(event);
}

void CDlgTelescope::hideEvent(QHideEvent* event) {
    model_.ShownOrHidden();
    QDialog::hideEvent(event);
}

bool CDlgTelescope::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::FocusIn) {
        model_.OnEditFocus();
        Show();
    }
    return QDialog::eventFilter(watched, event);
}

CDlgTelescope::~CDlgTelescope() = default;

void CDlgTelescope::ShowChooser() {
    CDlgTelescopeChooser chooser(model_, this);
    chooser.exec();
}

void CDlgTelescope::ShowRates() {
    if (!rates_) rates_ = std::make_unique<CDlgTelescopeRates>(model_, this);
    rates_->show();
    rates_->raise();
    rates_->activateWindow();
}

void CDlgTelescope::OnTimer() {
    model_.Tick();
    Show();
    if (rates_ && rates_->isVisible()) rates_->Refresh();
}

void CDlgTelescope::Show() {
    const TelescopeControls c = model_.Controls();
    driver_->setText(Q(c.driver));
    version_->setText(Q(c.version));
    choose_->setEnabled(c.chooseEnabled);
    connect_->setEnabled(c.connectEnabled);
    connect_->setText(Q(c.connectText));
    tracking_->setEnabled(c.trackingEnabled);
    tracking_->setChecked(c.trackingChecked);
    for (QPushButton* b : moves_) b->setEnabled(c.moveEnabled);
    rateDown_->setEnabled(c.moveEnabled);
    rateUp_->setEnabled(c.moveEnabled);
    rate_->setEnabled(c.rateEnabled);
    rate_->setText(Q(c.rateText));
    sync_->setEnabled(c.syncEnabled);
    event_->setEnabled(c.eventEnabled);
    slew_->setEnabled(c.slewEnabled);
    for (std::size_t i = 0; i < position_.size(); ++i) position_[i]->setText(Q(c.position[i]));
    instruction_->setText(Q(model_.InstructionText()));
    // The edit field is the observer's unless the model wrote it since it was last shown.
    if (model_.EditTextVersion() != editVersion_) {
        editVersion_ = model_.EditTextVersion();
        edit_->setText(Q(model_.EditText()));
    }
}

}  // namespace orva
