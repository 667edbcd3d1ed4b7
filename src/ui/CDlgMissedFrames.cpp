#include "ui/CDlgMissedFrames.h"

#include "common/Log.h"
#include "display/ViewTexts.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace orva {

CDlgMissedFrames::CDlgMissedFrames(const std::vector<int32_t>& frames, QWidget* parent) : QDialog(parent) {
    LogMessage("I Opened Dialog 'Missed Frames'");
    setWindowTitle("Missed Frames");
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    // The text's line ends are CR LF; the text field takes LF.
    QString text = QString::fromStdString(ViewTexts::MissedFramesText(frames));
    text.remove(QChar('\r'));
    text_->setPlainText(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    resize(280, 360);
}

QString CDlgMissedFrames::Text() const { return text_->toPlainText(); }

}  // namespace orva
