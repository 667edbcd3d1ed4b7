#pragma once
// CDlgSatGnssSelection: the "GNSS Selector" over GnssSelectionDialogModel, one row per
// satellite system. Every edit goes into the model at once, so the 100 ms timer's
// refresh (which steps a running read) never undoes what the user typed.
//
// Threads: GUI thread only.

#include "camera/GnssSelectionDialogModel.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orva {

class CDlgSatGnssSelection final : public QDialog {
public:
    static constexpr int kTimerMs = 100;

    struct RowWidgets {
        QCheckBox* enable = nullptr;
        QLineEdit* min = nullptr;
        QLineEdit* max = nullptr;
        QCheckBox* signal = nullptr;
        QCheckBox* l1s = nullptr;  // QZSS only
    };

    explicit CDlgSatGnssSelection(GnssSelectionDialogModel& model, QWidget* parent = nullptr);

    // Opens the model (a read starts unless one runs) and shows the window.
    void Open();
    // One pass of the window's timer.
    void OnTimer();
    void Refresh();

    const RowWidgets& Row(int systemId) const { return rows_.at(static_cast<std::size_t>(systemId)); }
    QLineEdit* Total() const { return total_; }
    QLineEdit* Active() const { return active_; }
    QPushButton* ReadButton() const { return read_; }
    QPushButton* WriteButton() const { return write_; }
    QLabel* Status() const { return status_; }

private:
    void BuildRow(int id, QGridLayout* grid);

    GnssSelectionDialogModel& model_;
    std::array<RowWidgets, GnssConfiguration::kSystemCount> rows_;
    QLineEdit* total_;
    QLineEdit* active_;
    QPushButton* read_;
    QPushButton* write_;
    QLabel* status_;
    QTimer* timer_;
};

}  // namespace orva
