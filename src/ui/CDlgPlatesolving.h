#pragma once
// The "Plate Solving" window: the FITS file or a new capture, the scale and position
// hints, "Start" / "Stop", and the run's step, status and result. The checks and texts
// come from PlateSolvingDialogModel; the run is the PlateSolvingWorker's, whose events
// the window's timer takes on the GUI thread and shows (with the message box of a final
// code). Made once and then only shown and hidden; the worker keeps running while hidden.
//
// Threads: GUI thread only. The worker is not the window's: it outlives it.

#include "telescope/PlateSolvingDialogModel.h"
#include "telescope/PlateSolvingNotifications.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace orva {

class CDlgPlatesolving final : public QDialog {
public:
    struct Services {
        Settings& settings;
        IUiServices& ui;
        PlateSolvingWorker& worker;
        SharedTelescopeState& telescope;
        std::function<bool()> streaming;  // the camera is connected and streaming
        PlateSolvingDialogModel::StrategyFactory strategyFor;
        std::function<double()> imageScale;  // arc seconds per pixel, 0 when unknown
    };

    explicit CDlgPlatesolving(Services services, QWidget* parent = nullptr);

    // The window's timer: shows the worker's events.
    void OnTimer();
    void RefreshFileList();
    // The scale edit and its note from the current image scale.
    void UpdateScaleHint();

    QComboBox* Files() const { return files_; }
    QLineEdit* Scale() const { return scale_; }
    QLabel* ScaleNote() const { return note_; }
    QLineEdit* RightAscension() const { return ra_; }
    QLineEdit* Declination() const { return dec_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* FromTelescopeButton() const { return fromTelescope_; }
    QLabel* StepLine() const { return step_; }
    QLabel* ResultLine() const { return result_; }
    QProgressBar* Progress() const { return progress_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnStart();
    void TakeHintsFromTelescope();
    void UpdateStatusTexts();

    Services s_;
    std::string folder_;
    QComboBox* files_;
    QLineEdit* scale_;
    QLabel* note_;
    QLineEdit* ra_;
    QLineEdit* dec_;
    QLabel* step_;
    QLabel* result_;
    QProgressBar* progress_;
    QPushButton* start_;
    QPushButton* fromTelescope_;
    QTimer* timer_;
    // Last: it calls into the controls above until it is gone.
    std::unique_ptr<PlateSolvingNotifications> notifications_;
};

}  // namespace orva
