#include "ui/CDlgOccultationsListEntry.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

namespace orva {

CDlgOccultationsListEntry::CDlgOccultationsListEntry(const OccultationListEntry& entry,
                                                     std::function<void(OwEventId)> onClick,
                                                     std::function<void(OwEventId)> onDelete, QWidget* parent)
    : QFrame(parent), id_(entry.id), onClick_(std::move(onClick)) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    line1_ = new QLabel(this);
    countdown_ = new QLabel(this);
    line3_ = new QLabel(this);
    line4_ = new QLabel(this);
    delete_ = new QToolButton(this);
    delete_->setText("x");
    connect(delete_, &QToolButton::clicked, this, [this, onDelete = std::move(onDelete)] { onDelete(id_); });
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setVerticalSpacing(0);
    layout->addWidget(line1_, 0, 0);
    layout->addWidget(countdown_, 0, 1, Qt::AlignRight);
    layout->addWidget(line3_, 1, 0, 1, 2);
    layout->addWidget(line4_, 2, 0);
    layout->addWidget(delete_, 2, 1, Qt::AlignRight);
    Show(entry);
}

void CDlgOccultationsListEntry::Show(const OccultationListEntry& entry) {
    line1_->setText(QString::fromStdString(entry.line1));
    countdown_->setText(QString::fromStdString(entry.countdown));
    QFont bold = countdown_->font();
    bold.setBold(entry.boldCountdown);
    countdown_->setFont(bold);
    line3_->setText(QString::fromStdString(entry.line3));
    line4_->setText(QString::fromStdString(entry.line4));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, entry.selected ? Qt::white : QPalette().color(QPalette::Window));
    palette.setColor(QPalette::WindowText, entry.greyed ? Qt::gray : QPalette().color(QPalette::WindowText));
    setPalette(palette);
}

QString CDlgOccultationsListEntry::Text() const {
    return line1_->text() + "\n" + countdown_->text() + "\n" + line3_->text() + "\n" + line4_->text();
}

void CDlgOccultationsListEntry::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) onClick_(id_);
}

}  // namespace orva
