#include "ui/CDlgSetupWizard.h"

#include "ui/CDlgEquipment.h"
#include "ui/QtText.h"

#include "common/Log.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <vector>
#include <utility>

namespace orva {
namespace {

using Page = SetupWizardModel::Page;

// A page whose completeness the model decides.
class ModelPage final : public QWizardPage {
public:
    ModelPage(std::function<bool()> complete, QWidget* parent) : QWizardPage(parent), complete_(std::move(complete)) {}
    bool isComplete() const override { return complete_(); }
    void Changed() { emit completeChanged(); }

private:
    std::function<bool()> complete_;
};


QLabel* Explanation(const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

CDlgSetupWizard::CDlgSetupWizard(SetupWizardModel& model, QWidget* parent) : QWizard(parent), model_(model) {
    model_.Open();
    setWindowTitle(SetupWizardModel::kTitle);
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoCancelButton);
    pages_ = {WelcomePage(), SitePage(), DirectoriesPage()};
    for (std::size_t i = 0; i < pages_.size(); ++i) setPage(static_cast<int>(i), pages_[i]);
    setStartId(0);
    connect(this, &QWizard::currentIdChanged, this, &CDlgSetupWizard::PageShown);
    LogMessage("I Opened Dialog 'ORVA Setup Assistant'");
}

QWizardPage* CDlgSetupWizard::WelcomePage() {
    auto* page = new ModelPage([] { return true; }, this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Explanation(SetupWizardModel::kWelcomeText, page));
    return page;
}

QWizardPage* CDlgSetupWizard::SitePage() {
    auto* page = new ModelPage([this] { return model_.NextEnabled(); }, this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Explanation(SetupWizardModel::kSiteText, page));
    auto* form = new QFormLayout;
    std::vector<QPushButton*> editButtons;
    for (std::size_t i = 0; i < SetupWizardModel::kEquipmentCount; ++i) {
        const auto which = static_cast<SetupWizardModel::Equipment>(i);
        auto* field = new QLineEdit(Q(model_.EquipmentName(which)), page);
        field->setObjectName(QString("equipment%1").arg(i));
        connect(field, &QLineEdit::textChanged, page, [this, page, which](const QString& text) {
            model_.SetEquipmentName(which, text.toStdString());
            UpdateSiteCoordinates();
            page->Changed();
        });
        auto* edit = new QPushButton(SetupWizardModel::kEditButtons[i], page);
        edit->setAutoDefault(false);
        connect(edit, &QPushButton::clicked, page, [this, which, field] {
            CDlgEquipment dialog(model_.List(which), model_.Ui(), SetupWizardModel::kEditDialogs[which], this);
            dialog.exec();
            model_.EquipmentDialogClosed(which);
            field->setText(Q(model_.EquipmentName(which)));
        });
        editButtons.push_back(edit);
        auto* row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(edit);
        form->addRow(SetupWizardModel::kEquipmentLabels[i], row);
    }
    // One width for the four buttons: the fields line up.
    int buttonWidth = 0;
    for (QPushButton* b : editButtons) buttonWidth = std::max(buttonWidth, b->sizeHint().width());
    for (QPushButton* b : editButtons) b->setFixedWidth(buttonWidth);
    newSiteLabel_ = new QLabel(SetupWizardModel::kNewSiteText, page);
    // The line's text comes and goes with the site name; the line keeps its room, so the
    // fields never move or shrink under the observer's hand.
    newSiteLabel_->setMinimumHeight(newSiteLabel_->sizeHint().height());
    form->addRow(newSiteLabel_);
    latitude_ = new QLineEdit(page);
    latitude_->setObjectName("latitude");
    latitude_->setPlaceholderText("48.2  or  N48 12' 00\"");
    longitude_ = new QLineEdit(page);
    longitude_->setObjectName("longitude");
    longitude_->setPlaceholderText("16.37  or  E016 22' 12\"");
    connect(latitude_, &QLineEdit::textChanged, page, [this, page](const QString& text) {
        model_.SetSiteLatitude(text.toStdString());
        page->Changed();
    });
    connect(longitude_, &QLineEdit::textChanged, page, [this, page](const QString& text) {
        model_.SetSiteLongitude(text.toStdString());
        page->Changed();
    });
    form->addRow("Latitude", latitude_);
    form->addRow("Longitude", longitude_);
    layout->addLayout(form);
    UpdateSiteCoordinates();
    return page;
}

QWizardPage* CDlgSetupWizard::DirectoriesPage() {
    auto* page = new ModelPage([this] { return model_.NextEnabled(); }, this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Explanation(SetupWizardModel::kDirectoriesText, page));
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < SetupWizardModel::kDirectoryCount; ++i) {
        auto* field = new QLineEdit(Q(model_.Directory(i)), page);
        field->setObjectName(QString("directory%1").arg(i));
        directories_[i] = field;
        connect(field, &QLineEdit::textChanged, page, [this, page, i](const QString& text) {
            model_.SetDirectory(i, text.toStdString());
            page->Changed();
        });
        auto* pick = new QPushButton(SetupWizardModel::kSelectDirectory, page);
        pick->setAutoDefault(false);
        connect(pick, &QPushButton::clicked, page, [this, i] {
            if (model_.PickDirectory(i)) directories_[i]->setText(Q(model_.Directory(i)));
        });
        auto* row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(pick);
        form->addRow(SetupWizardModel::kDirectoryLabels[i], row);
    }
    layout->addLayout(form);
    return page;
}

void CDlgSetupWizard::UpdateSiteCoordinates() {
    const bool needed = model_.SiteNeedsCoordinates();
    newSiteLabel_->setText(needed ? SetupWizardModel::kNewSiteText : "");
    latitude_->setEnabled(needed);
    longitude_->setEnabled(needed);
}

int CDlgSetupWizard::nextId() const {
    switch (currentId()) {
        case 0: return model_.EquipmentWasIncomplete() ? 1 : 2;
        case 1: return model_.DirectoriesWereIncomplete() ? 2 : -1;
        default: return -1;
    }
}

bool CDlgSetupWizard::validateCurrentPage() { return model_.Next() != SetupWizardModel::NextResult::Stayed; }

void CDlgSetupWizard::PageShown(int id) {
    // "Back" went to an earlier page: the model goes back the same way.
    while (id >= 0 && static_cast<int>(model_.CurrentPage()) > id) model_.Previous();
    if (id >= 0) pages_[static_cast<std::size_t>(id)]->setSubTitle(Q(model_.PageLabel()));
    // The window was sized for the welcome page: it grows to the page's needs.
    resize(size().expandedTo(sizeHint()));
}

void CDlgSetupWizard::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWizard::keyPressEvent(event);
}

}  // namespace orva
