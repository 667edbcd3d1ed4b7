#pragma once
// The telescope chooser: INDI server host and port, the mounts that server offers, OK and
// Cancel. Opened modal from the telescope window; the listing runs off the GUI thread
// (TelescopeChooserModel) and a short timer picks its answer up. OK stores the pick
// through the telescope window's model, which then makes that driver.
//
// Threads: GUI thread only.

#include "telescope/TelescopeDialogModel.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace orva {

class CDlgTelescopeChooser final : public QDialog {
public:
    explicit CDlgTelescopeChooser(TelescopeDialogModel& telescope, QWidget* parent = nullptr);

    // One pass of the window's timer.
    void OnTimer();
    QLineEdit* Host() const { return host_; }
    QLineEdit* Port() const { return port_; }
    QListWidget* List() const { return list_; }
    QPushButton* ListButton() const { return listButton_; }
    QPushButton* OkButton() const { return ok_; }
    QLabel* Label() const { return label_; }
    QLabel* Status() const { return status_; }

private:
    void StartListing();
    void Fill();
    void Show();

    TelescopeDialogModel& telescope_;
    TelescopeChooserModel& model_;
    QLineEdit* host_;
    QLineEdit* port_;
    QPushButton* listButton_;
    QLabel* label_;
    QListWidget* list_;
    QLabel* status_;
    QPushButton* ok_;
    QTimer* timer_;
};

}  // namespace orva
