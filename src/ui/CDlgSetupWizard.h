#pragma once
// The first-start setup assistant on Qt: shows the pages of SetupWizardModel and forwards
// every input, "Next" and "Back" to it. Return and Escape addressed to the assistant are
// swallowed, so that a stray key neither skips a page nor closes it; the close box closes
// it and keeps what was committed so far.
//
// Threads: GUI thread only.

#include "equipment/SetupWizardModel.h"

#include <QWizard>

#include <array>

class QLabel;
class QLineEdit;

namespace orva {

class CDlgSetupWizard final : public QWizard {
public:
    // Opens the model (its check and presets) and builds the pages from it.
    CDlgSetupWizard(SetupWizardModel& model, QWidget* parent = nullptr);

    int nextId() const override;
    bool validateCurrentPage() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWizardPage* WelcomePage();
    QWizardPage* SitePage();
    QWizardPage* DirectoriesPage();
    void PageShown(int id);
    void UpdateSiteCoordinates();

    SetupWizardModel& model_;
    std::array<QWizardPage*, 3> pages_{};
    QLabel* newSiteLabel_ = nullptr;
    QLineEdit* latitude_ = nullptr;
    QLineEdit* longitude_ = nullptr;
    std::array<QLineEdit*, SetupWizardModel::kDirectoryCount> directories_{};
};

}  // namespace orva
