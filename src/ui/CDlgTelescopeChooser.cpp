#include "ui/CDlgTelescopeChooser.h"

#include "ui/ActionButton.h"
#include "ui/QtText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orva {
namespace {

// Often enough that a listing's answer shows without a noticeable wait.
constexpr int kPollMs = 100;


}  // namespace

CDlgTelescopeChooser::CDlgTelescopeChooser(TelescopeDialogModel& telescope, QWidget* parent)
    : QDialog(parent), telescope_(telescope), model_(telescope.OpenChooser()) {
    setWindowTitle("Telescope Chooser");
    setModal(true);
    host_ = new QLineEdit(Q(model_.Host()), this);
    port_ = new QLineEdit(Q(model_.Port()), this);
    port_->setMaximumWidth(80);
    listButton_ = MakeActionButton(this, "List Telescopes", [this] { StartListing(); }, [this] { Show(); });
    label_ = new QLabel(this);
    list_ = new QListWidget(this);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { Show(); });
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (telescope_.ChooseDriver(list_->currentRow())) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* server = new QHBoxLayout;
    server->addWidget(new QLabel("Host", this));
    server->addWidget(host_, 1);
    server->addWidget(new QLabel("Port", this));
    server->addWidget(port_);
    server->addWidget(listButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(server);
    layout->addWidget(label_);
    layout->addWidget(list_, 1);
    layout->addWidget(status_);
    layout->addWidget(buttons);
    resize(480, 300);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CDlgTelescopeChooser::OnTimer);
    timer_->start(kPollMs);
    // The chosen server's mounts are what the observer most likely wants to see.
    StartListing();
    Show();
}

void CDlgTelescopeChooser::StartListing() {
    if (model_.StartListing(host_->text().trimmed().toStdString(), port_->text().trimmed().toStdString())) Fill();
}

void CDlgTelescopeChooser::OnTimer() {
    if (!model_.Poll()) return;
    Fill();
    Show();
}

void CDlgTelescopeChooser::Fill() {
    list_->clear();
    for (const TelescopeChooserEntry& entry : model_.Entries()) list_->addItem(Q(entry.description));
    list_->setCurrentRow(model_.PreferredIndex());
}

void CDlgTelescopeChooser::Show() {
    const bool idle = model_.ListEnabled();
    host_->setEnabled(idle);
    port_->setEnabled(idle);
    listButton_->setEnabled(idle);
    label_->setText(Q(model_.Label()));
    status_->setText(Q(model_.Status()));
    ok_->setEnabled(model_.OkEnabled(list_->currentRow()));
}

}  // namespace orva
