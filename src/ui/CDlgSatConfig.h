#pragma once
// CDlgSatConfig: the "Satellite Configuration" tool window over SatConfigDialogModel:
// the GPS module's identification, read each time the window is opened (the camera may
// have changed since), and the receiver's state from the frames, refreshed by the model
// every 2 s while the window is shown. "Select constellations..." opens the GNSS
// Selector, made on first use.
//
// Threads: GUI thread only.

#include <QDialog>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

namespace orva {

class CDlgSatGnssSelection;
class GnssSelectionDialogModel;
class SatConfigDialogModel;

class CDlgSatConfig final : public QDialog {
public:
    static constexpr int kTimerMs = 500;

    // Both models must outlive the window.
    CDlgSatConfig(SatConfigDialogModel& model, GnssSelectionDialogModel& gnss, QWidget* parent = nullptr);
    ~CDlgSatConfig() override;

    // Opens the model (logs, reads the version) and shows the window.
    void Open();
    // One pass of the window's timer.
    void OnTimer();
    void Refresh();

    // The value labels, in the model's field order.
    const std::vector<QLabel*>& Values() const { return values_; }
    QLabel* Logging() const { return logging_; }
    QPushButton* SelectConstellations() const { return constellations_; }
    // The GNSS Selector, null until first opened.
    CDlgSatGnssSelection* GnssSelection() const { return gnssWindow_.get(); }

private:
    SatConfigDialogModel& model_;
    GnssSelectionDialogModel& gnss_;
    std::vector<QLabel*> values_;
    QLabel* logging_;
    QPushButton* constellations_;
    QTimer* timer_;
    std::unique_ptr<CDlgSatGnssSelection> gnssWindow_;
};

}  // namespace orva
