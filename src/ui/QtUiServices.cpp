#include "ui/QtUiServices.h"

#include "ui/QtText.h"

#include <QFileDialog>
#include <QMessageBox>

namespace orva {

void QtUiServices::ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) {
    const QMessageBox::Icon qtIcon = icon == MessageIcon::Error     ? QMessageBox::Critical
                                     : icon == MessageIcon::Warning  ? QMessageBox::Warning
                                     : icon == MessageIcon::Question ? QMessageBox::Question
                                                                     : QMessageBox::Information;
    QMessageBox box(qtIcon, Q(title.empty() ? "ORVA Cam Control" : title), Q(text), QMessageBox::Ok, parent_);
    box.exec();
}

bool QtUiServices::AskYesNo(const std::string& title, const std::string& text) {
    return QMessageBox::question(parent_, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::string QtUiServices::QtFilter(const std::string& filter) {
    // Pairs of description and pattern; only the descriptions carry the patterns Qt needs.
    std::string out;
    std::size_t pos = 0;
    bool description = true;
    while (pos < filter.size()) {
        const std::size_t bar = filter.find('|', pos);
        const std::string part = filter.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos);
        if (part.empty()) break;
        if (description) {
            if (!out.empty()) out += ";;";
            // Qt's "all files" pattern is "*".
            for (std::size_t i = 0; i < part.size(); ++i) {
                if (part.compare(i, 3, "*.*") == 0) {
                    out += '*';
                    i += 2;
                } else {
                    out += part[i];
                }
            }
        }
        description = !description;
        if (bar == std::string::npos) break;
        pos = bar + 1;
    }
    return out;
}

std::optional<std::string> QtUiServices::PickFile(const std::string& title, const std::string& filter) {
    const QString path = QFileDialog::getOpenFileName(parent_, Q(title), QString(), Q(QtFilter(filter)));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtUiServices::PickFolder(const std::string& title, const std::string& initialFolder) {
    const QString path = QFileDialog::getExistingDirectory(parent_, Q(title), Q(initialFolder));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

}  // namespace orva
