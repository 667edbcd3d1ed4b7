#include "ui/CMainFrame.h"

#include "common/Log.h"
#include "common/ProgramVersion.h"
#include "common/Settings.h"
#include "station/Station.h"
#include "ui/CCursorPeekControl.h"
#include "ui/CD2DControl.h"
#include "ui/CDlgMissedFrames.h"
#include "ui/CHistogramControl.h"
#include "ui/NightPalette.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

namespace orva {

using Command = MainFrameModel::Command;

CMainFrame::CMainFrame(Station& station, QWidget* parent)
    : QMainWindow(parent), station_(station), histogram_(table_), target_(station.Histogram(), table_) {
    setWindowTitle("ORVA Cam Control");
    view_ = new CD2DControl(target_, zones_, this);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(view_);
    splitter->addWidget(BuildSidePanel());
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    setCentralWidget(splitter);
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    BuildMenus();

    station_.Processor().SetDisplayTarget(&target_);
    station_.SetFrontEnd(this);
    view_->SetZonesChanged([this] { view_->update(); });

    connect(&housekeeping_, &QTimer::timeout, this, [this] { HousekeepingTick(); });
    connect(&refresh_, &QTimer::timeout, this, [this] { RefreshView(); });
    housekeeping_.start(kHousekeepingMs);
    refresh_.start(kRefreshMs);

    SetNightVision(Settings::IsTrue(station_.GetSettings().NightVision));
    station_.RefreshCameraList();
    UpdateCommands();
    resize(1200, 760);
}

CMainFrame::~CMainFrame() { ShutDown(); }

QWidget* CMainFrame::BuildSidePanel() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    histogramControl_ = new CHistogramControl(histogram_, panel);
    histogramControl_->SetLevelsChanged([this] { view_->update(); });
    layout->addWidget(new QLabel("&Histogram and stretch", panel));
    static_cast<QLabel*>(layout->itemAt(0)->widget())->setBuddy(histogramControl_);
    layout->addWidget(histogramControl_, 2);

    auto* buttons = new QHBoxLayout();
    for (const auto& b : HistogramControlModel::kPercentileButtons) {
        auto* button = new QPushButton(b.label, panel);
        button->setToolTip(QString("Stretch to %1 % of the pixels").arg(b.percent));
        const double percent = b.percent;
        connect(button, &QPushButton::clicked, this, [this, percent] {
            if (histogram_.AutoStretch(percent)) histogramControl_->update();
        });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    layout->addWidget(new QLabel("Line profile", panel));
    profileControl_ = new CCursorPeekControl(profile_, panel);
    layout->addWidget(profileControl_, 1);

    auto* crosshair = new QCheckBox("&Crosshair", panel);
    connect(crosshair, &QCheckBox::toggled, this, [this](bool on) {
        view_->SetCrosshair(on);
        if (actions_.count(Command::Crosshair)) actions_[Command::Crosshair]->setChecked(on);
    });
    layout->addWidget(crosshair);

    textLine_ = new QLabel(panel);
    textLine_->setWordWrap(true);
    textLine_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QFont mono("Monospace", 8);
    mono.setStyleHint(QFont::TypeWriter);
    textLine_->setFont(mono);
    layout->addWidget(textLine_);
    layout->addStretch(1);
    panel->setMinimumWidth(300);
    return panel;
}

QAction* CMainFrame::AddCommand(QMenu* menu, Command command) {
    QAction* action = menu->addAction(MainFrameModel::Text(command));
    const std::string shortcut = MainFrameModel::Shortcut(command);
    if (!shortcut.empty()) action->setShortcut(QKeySequence(QString::fromStdString(shortcut)));
    action->setStatusTip(MainFrameModel::Description(command));
    actions_[command] = action;
    return action;
}

void CMainFrame::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    connect(AddCommand(file, Command::Exit), &QAction::triggered, this, &QWidget::close);

    cameraMenu_ = menuBar()->addMenu("&Camera");
    connectMenu_ = cameraMenu_->addMenu("C&onnect");
    connectSingle_ = new QAction(this);
    cameraMenu_->insertAction(connectMenu_->menuAction(), connectSingle_);
    connect(connectSingle_, &QAction::triggered, this, [this] {
        if (!station_.CameraList().empty()) ConnectCamera(station_.CameraList().front()->SymbolicLink());
    });
    connect(AddCommand(cameraMenu_, Command::Disconnect), &QAction::triggered, this, [this] {
        station_.Disconnect();
        UpdateCommands();
    });
    connect(AddCommand(cameraMenu_, Command::Restart), &QAction::triggered, this, [this] {
        station_.StopStreaming();
        station_.CameraClient().OnCameraRestartClick();
        UpdateCommands();
    });
    cameraMenu_->addSeparator();
    connect(AddCommand(cameraMenu_, Command::StartStreaming), &QAction::triggered, this, [this] { StartStreaming(); });
    connect(AddCommand(cameraMenu_, Command::StopStreaming), &QAction::triggered, this, [this] { StopStreaming(); });

    QMenu* view = menuBar()->addMenu("&View");
    connect(AddCommand(view, Command::ToggleZoom), &QAction::triggered, this, [this] { view_->ToggleZoom(); });
    connect(AddCommand(view, Command::ZoomIn), &QAction::triggered, this, [this] { view_->ZoomIn(); });
    connect(AddCommand(view, Command::ZoomOut), &QAction::triggered, this, [this] { view_->ZoomOut(); });
    QAction* crosshair = AddCommand(view, Command::Crosshair);
    crosshair->setCheckable(true);
    connect(crosshair, &QAction::toggled, this, [this](bool on) { view_->SetCrosshair(on); });
    QMenu* stretch = view->addMenu("&Auto stretch");
    for (const auto& b : HistogramControlModel::kPercentileButtons) {
        const double percent = b.percent;
        connect(stretch->addAction(QString("&") + b.label), &QAction::triggered, this, [this, percent] {
            if (histogram_.AutoStretch(percent)) histogramControl_->update();
        });
    }
    view->addSeparator();
    QAction* zones = AddCommand(view, Command::EnableZones);
    zones->setCheckable(true);
    connect(zones, &QAction::toggled, this, [this](bool on) {
        zones_.Enable(on);
        target_.SetZones(zones_.Snapshot());
        UpdateCommands();
    });
    QAction* edit = AddCommand(view, Command::EditZones);
    edit->setCheckable(true);
    connect(edit, &QAction::toggled, this, [this](bool on) {
        zones_.SetEditing(on);
        view_->update();
    });
    connect(AddCommand(view, Command::ClearZones), &QAction::triggered, this, [this] {
        zones_.Clear();
        target_.SetZones(zones_.Snapshot());
    });
    view->addSeparator();
    QAction* night = AddCommand(view, Command::NightVision);
    night->setCheckable(true);
    connect(night, &QAction::toggled, this, [this](bool on) {
        if (on == nightVision_) return;
        SetNightVision(on);
        Settings& settings = station_.GetSettings();
        settings.NightVision = Settings::BoolText(on);
        settings.Save();
    });
    connect(AddCommand(view, Command::MissedFrames), &QAction::triggered, this, [this] { ShowMissedFrames(); });

    QMenu* help = menuBar()->addMenu("&Help");
    connect(AddCommand(help, Command::About), &QAction::triggered, this, [this] { ShowAbout(); });
}

MainFrameState CMainFrame::State() {
    MainFrameState s;
    s.cameraListed = !station_.CameraList().empty();
    s.connected = station_.IsConnected();
    s.streaming = s.connected && station_.IsStreaming();
    return s;
}

void CMainFrame::RebuildConnectEntries() {
    const ConnectMenuModel menu = station_.CameraClient().ConnectMenu();
    std::vector<std::string> names;
    for (const auto& e : menu.Entries()) names.push_back(e.text + "#" + std::to_string(e.menuId));
    names.push_back(std::to_string(static_cast<int>(menu.GetKind())));
    if (names != connectEntries_) {
        connectEntries_ = names;
        connectMenu_->clear();
        if (menu.GetKind() == ConnectMenuModel::Kind::Submenu) {
            for (const auto& e : menu.Entries()) {
                const int id = e.menuId;
                connect(connectMenu_->addAction(QString::fromStdString(e.text)), &QAction::triggered, this, [this, id] {
                    const auto index = ConnectMenuModel::CameraIndexOfCommand(id);
                    if (index && *index < station_.CameraList().size()) {
                        ConnectCamera(station_.CameraList()[*index]->SymbolicLink());
                    }
                });
            }
        }
        connectSingle_->setText(QString::fromStdString(menu.Text()).replace("&", "&&"));
    }
    const bool submenu = menu.GetKind() == ConnectMenuModel::Kind::Submenu;
    connectMenu_->menuAction()->setVisible(submenu);
    connectMenu_->setEnabled(menu.Enabled());
    connectSingle_->setVisible(!submenu);
    connectSingle_->setEnabled(menu.Enabled());
}

void CMainFrame::UpdateCommands() {
    if (closing_) return;
    RebuildConnectEntries();
    const MainFrameState state = State();
    for (const auto& [command, action] : actions_) action->setEnabled(MainFrameModel::IsEnabled(command, state));
    actions_[Command::EditZones]->setEnabled(zones_.IsEnabled());
    actions_[Command::ClearZones]->setEnabled(zones_.IsEnabled());
    std::string name;
    if (state.connected && station_.Manager().ActiveCameraUnit()) name = station_.Manager().ActiveCameraUnit()->FriendlyName();
    status_->setText(QString::fromStdString(MainFrameModel::StatusText(
        state, name, station_.Processor().CurrentFrameNumber(), station_.Processor().MissedTotal())));
}

bool CMainFrame::ConnectCamera(std::string symbolicLink) {
    std::string error;
    const bool connected = station_.Connect(symbolicLink, error);
    if (!connected && !error.empty()) station_.Ui().ShowMessage("Connect", error, MessageIcon::Error);
    UpdateCommands();
    return connected;
}

void CMainFrame::StartStreaming() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    target_.ResetPicture();
    station_.StartStreaming();
    QApplication::restoreOverrideCursor();
    UpdateCommands();
}

void CMainFrame::StopStreaming() {
    station_.StopStreaming();
    UpdateCommands();
}

void CMainFrame::LoadCameraControls(CameraUnit* unit) {
    // Started from the event loop: the connect that called us finishes first.
    if (unit != nullptr && Settings::IsTrue(station_.GetSettings().AutoStartStreaming)) {
        QTimer::singleShot(0, this, [this] {
            if (station_.IsConnected() && !station_.IsStreaming()) StartStreaming();
        });
    }
    UpdateCommands();
}

void CMainFrame::HousekeepingTick() {
    if (closing_) return;
    station_.Tick();
    UpdateCommands();
}

void CMainFrame::RefreshView() {
    if (closing_) return;
    FrameProcessor& processor = station_.Processor();
    view_->SetFullFix(!station_.IsStreaming() || processor.FullFix());
    if (histogram_.FetchHistogram(station_.Histogram())) histogramControl_->update();
    if (target_.TakePicture()) {
        const DisplayPicture& picture = target_.Picture();
        textLine_->setText(QString::fromStdString(picture.textLine).trimmed());
        if (profile_.Add(picture.profile)) profileControl_->update();
        view_->Refresh();
    }
    if (station_.IsStreaming()) processor.RequestDisplay();
}

void CMainFrame::SetNightVision(bool on) {
    nightVision_ = on;
    qApp->setPalette(on ? NightPalette::Palette() : NightPalette::DayPalette());
    view_->SetNightVision(on);
    if (actions_.count(Command::NightVision)) actions_[Command::NightVision]->setChecked(on);
}

void CMainFrame::ShowMissedFrames() {
    CDlgMissedFrames dialog(station_.Processor().MissedFrameList(), this);
    dialog.exec();
}

void CMainFrame::ShowAbout() {
    QMessageBox::about(this, "About ORVA Cam Control",
                       QString("ORVA Cam Control\nVersion %1").arg(QString::fromStdString(ProgramVersionText())));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    ShutDown();
    event->accept();
}

void CMainFrame::ShutDown() {
    if (closing_) return;
    closing_ = true;
    housekeeping_.stop();
    refresh_.stop();
    LogMessage("I Closing Main Form");
    // Stops the stream (its threads joined), disconnects the camera, closes the GPS log;
    // only then may the view's target go.
    station_.Shutdown();
    station_.Processor().SetDisplayTarget(nullptr);
    station_.SetFrontEnd(nullptr);
}

}  // namespace orva
