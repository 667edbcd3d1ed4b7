#include "ui/CDlgOccultationDetails.h"

#include "events/OccultationDetailsMoreModel.h"
#include "events/OccultationEditorModel.h"
#include "events/OwEventManager.h"
#include "events/OwEventTime.h"
#include "ui/ActionButton.h"
#include "ui/CDlgOccultationDetailsMore.h"
#include "ui/CDlgOccultationEditor.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace orva {
namespace {

QColor Colour(FieldColour colour) {
    switch (colour) {
        case FieldColour::Yellow: return QColor(255, 255, 160);
        case FieldColour::Green: return QColor(160, 255, 160);
        case FieldColour::White: break;
    }
    return Qt::white;
}

void SetBackground(QLineEdit* edit, FieldColour colour) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Colour(colour));
    edit->setPalette(palette);
}

}  // namespace

CDlgOccultationDetails::CDlgOccultationDetails(OccultationDetailsModel& model,
                                               const OccultationDialogServices& dialogs,
                                               std::function<void()> predictionChanged, QWidget* parent)
    : QWidget(parent), model_(model), dialogs_(dialogs), predictionChanged_(std::move(predictionChanged)) {
    setAcceptDrops(true);
    auto* form = new QFormLayout;
    const auto label = [&](const char* name) {
        auto* l = new QLabel(this);
        form->addRow(name, l);
        return l;
    };
    dateTime_ = label("Date / time");
    countdown_ = label("Countdown");
    maxDuration_ = label("Max. duration");
    probability_ = label("Probability");
    asteroid_ = label("Asteroid");
    star_ = label("Star");
    starMag_ = label("Star");
    combinedMag_ = label("Combined");
    position_ = label("Position");
    recording_ = label("Recording");
    using M = OccultationDetailsModel;
    M& m = model_;
    dType_ = AddChoice(M::kDTypes.data(), M::kDTypes.size(), [&m](int i) { m.ChooseDType(i); });
    dTime_ = AddEdit([&m](const std::string& t) { m.EditDTime(t); }, false);
    dAccuracy_ = AddEdit([&m](const std::string& t) { m.EditDAccuracy(t); }, false);
    rType_ = AddChoice(M::kRTypes.data(), M::kRTypes.size(), [&m](int i) { m.ChooseRType(i); });
    rTime_ = AddEdit([&m](const std::string& t) { m.EditRTime(t); }, false);
    rAccuracy_ = AddEdit([&m](const std::string& t) { m.EditRAccuracy(t); }, false);
    transparency_ = AddChoice(M::kTransparencies.data(), M::kTransparencies.size(),
                              [&m](int i) { m.ChooseTransparency(i); });
    seeing_ = AddChoice(M::kSeeings.data(), M::kSeeings.size(), [&m](int i) { m.ChooseSeeing(i); });
    snr_ = AddEdit([&m](const std::string& t) { m.EditSnr(t); }, true);
    wind_ = AddEdit([&m](const std::string& t) { m.EditWind(t); }, true);
    temperature_ = AddEdit([&m](const std::string& t) { m.EditTemperature(t); }, true);
    form->addRow("D", dType_);
    form->addRow("D time", dTime_);
    form->addRow("D accuracy (s)", dAccuracy_);
    form->addRow("R", rType_);
    form->addRow("R time", rTime_);
    form->addRow("R accuracy (s)", rAccuracy_);
    form->addRow("Transparency", transparency_);
    form->addRow("Seeing", seeing_);
    form->addRow("SNR", snr_);
    form->addRow("Wind", wind_);
    form->addRow("Temperature", temperature_);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* text, std::function<void()> action) {
        buttons->addWidget(MakeActionButton(this, text, std::move(action), [this] { Refresh(); }));
    };
    button("Edit...", [this] { EditEvent(); });
    button("More...", [this] { ShowMore(); });
    button("Import from AOTA / PyOTE log...", [this] { model_.ImportFromPicker(); });
    button("Create Report...", [this] { model_.CreateReport(); });
    button("C2A", [this] { model_.OpenPlanetarium(); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    Refresh();
}

void CDlgOccultationDetails::EditEvent() {
    // No event shown: the editor makes a new one.
    OccultationEditorModel editor(dialogs_.store, dialogs_.ui, model_.Shown(), SystemEventTicksNow());
    CDlgOccultationEditor dialog(editor, this);
    dialog.exec();
    dialogs_.store.Save();
    predictionChanged_();
}

void CDlgOccultationDetails::ShowMore() {
    const OwEvent* event = model_.Event();
    if (!event) return;
    OccultationDetailsMoreModel more(*event, dialogs_.lists);
    more.WarnIfMissing(dialogs_.ui);
    CDlgOccultationDetailsMore dialog(more, dialogs_.store, model_.Shown(), this);
    dialog.exec();
}

QComboBox* CDlgOccultationDetails::AddChoice(const char* const* items, std::size_t count,
                                             std::function<void(int)> choose) {
    auto* combo = new QComboBox(this);
    for (std::size_t i = 0; i < count; ++i) combo->addItem(QString::fromUtf8(items[i]));
    connect(combo, &QComboBox::activated, this, [this, choose = std::move(choose)](int index) {
        choose(index);
        Refresh();
    });
    return combo;
}

QLineEdit* CDlgOccultationDetails::AddEdit(std::function<void(const std::string&)> edit, bool numberField) {
    auto* field = new QLineEdit(this);
    // Typed text is stored when the field is left or Enter is pressed, so that refreshing
    // never rewrites a field under the observer's cursor.
    connect(field, &QLineEdit::editingFinished, this, [this, field, edit = std::move(edit)] {
        if (refreshing_) return;
        edit(field->text().toStdString());
        Refresh();
    });
    if (numberField) {
        connect(field, &QLineEdit::textEdited, this, [field](const QString& text) {
            SetBackground(field, OccultationDetailsModel::NumberFieldColour(text.toStdString()));
        });
    }
    return field;
}

void CDlgOccultationDetails::SetEdit(QLineEdit* edit, const std::string& text, bool enabled, FieldColour colour) {
    edit->setText(QString::fromStdString(text));
    edit->setEnabled(enabled);
    SetBackground(edit, colour);
}

void CDlgOccultationDetails::Refresh() {
    refreshing_ = true;
    const OccultationDetailsView v = model_.View();
    const auto set = [](QLabel* l, const std::string& text) { l->setText(QString::fromStdString(text)); };
    set(dateTime_, v.dateTime);
    set(countdown_, v.countdown);
    set(maxDuration_, v.maxDuration);
    set(probability_, v.probability);
    set(asteroid_, v.asteroid);
    set(star_, v.star);
    set(starMag_, v.starMag);
    set(combinedMag_, v.combinedMag);
    set(position_, v.position);
    set(recording_, v.recording);
    dType_->setCurrentIndex(v.dType);
    rType_->setCurrentIndex(v.rType);
    transparency_->setCurrentIndex(v.transparency);
    seeing_->setCurrentIndex(v.seeing);
    SetEdit(dTime_, v.dTime, v.dEnabled, v.dTimeColour);
    SetEdit(dAccuracy_, v.dAccuracy, v.dEnabled, FieldColour::White);
    SetEdit(rTime_, v.rTime, v.rEnabled, v.rTimeColour);
    SetEdit(rAccuracy_, v.rAccuracy, v.rEnabled, FieldColour::White);
    for (auto [edit, text] : {std::pair{snr_, &v.snr}, {wind_, &v.wind}, {temperature_, &v.temperature}}) {
        SetEdit(edit, *text, v.hasEvent, OccultationDetailsModel::NumberFieldColour(*text));
    }
    for (QComboBox* c : {dType_, rType_, transparency_, seeing_}) c->setEnabled(v.hasEvent);
    refreshing_ = false;
}

void CDlgOccultationDetails::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CDlgOccultationDetails::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) paths.push_back(url.toLocalFile().toStdString());
    model_.DropFiles(paths);
    Refresh();
    event->acceptProposedAction();
}

}  // namespace orva
