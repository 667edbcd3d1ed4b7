#pragma once
// The missed-frames window: the frame numbers the frame processor found missing, one
// per line, in list order.
//
// Threads: GUI thread only.

#include <QDialog>

#include <cstdint>
#include <vector>

class QPlainTextEdit;

namespace orva {

class CDlgMissedFrames final : public QDialog {
public:
    CDlgMissedFrames(const std::vector<int32_t>& frames, QWidget* parent = nullptr);
    QString Text() const;

private:
    QPlainTextEdit* text_;
};

}  // namespace orva
