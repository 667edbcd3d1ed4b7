#include "ui/CMainFrame.h"

#include "common/Log.h"
#include "common/ProgramVersion.h"
#include "common/Settings.h"
#include "events/OccultXmlImport.h"
#include "station/Station.h"
#include "telescope/PlateSolvingResult.h"
#include "ui/CCursorPeekControl.h"
#include "ui/CD2DControl.h"
#include "common/SettingsDialogModel.h"
#include "common/SolverSettingsMigration.h"
#include "equipment/InstrumentManager.h"
#include "equipment/MountManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"
#include "ui/CDlgCustomizeToolbar.h"
#include "ui/CDlgDarkFlat.h"
#include "ui/CDlgEquipment.h"
#include "ui/CDlgFwUpdate.h"
#include "ui/CDlgSatConfig.h"
#include "ui/CDlgSettings.h"
#include "ui/CDlgRecordingWithOptions.h"
#include "ui/CDlgMissedFrames.h"
#include "ui/CHistogramControl.h"
#include "ui/CMainForm.h"
#include "ui/NightPalette.h"
#include "ui/QtText.h"
#include "ui/TelescopeKeyFilter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

#include <QAction>
#include <QIcon>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace orva {

using Command = MainFrameModel::Command;

CMainFrame::CMainFrame(Station& station, QWidget* parent, DiskSpaceModel::FreeSpaceSource freeSpace,
                       std::function<UtcDateTime()> utcNow)
    : QMainWindow(parent),
      station_(station),
      histogram_(table_),
      target_(station.Histogram(), table_),
      guidingView_(station.Guiding()),
      panel_(station, station.GetSettings().Notifications()),
      viewOptions_(station),
      calibration_(station),
      recording_(station, std::move(freeSpace)),
      capture_(station, panel_, station.GetClock()),
      solveCapture_({[this] {
                         return capture_.Capture('P') ? std::optional<std::string>(capture_.Path()) : std::nullopt;
                     },
                     [this](const std::string& path) { return station_.IsFitsFileCompleted(path); }},
                    FitsCaptureModel::kLightFrames),
      recordingOptions_(station, recording_, panel_, station.GetClock(), std::move(utcNow)),
      solveOffset_(station.Tools().PlateSolution(), station.Tools().NextEvent(), station.GetSettings()) {
    setWindowTitle("ORVA Cam Control");
    SetProgramIcon();
    // A station set up before the solver choice existed solves with the server it knew.
    SolverSettingsMigration::MigrateSolverSettings(station_.GetSettings());
    view_ = new CD2DControl(target_, zones_, this);
    view_->SetGuiding(&guidingView_);
    form_ = new CMainForm(panel_, calibration_, viewOptions_, this);
    form_->enableInputs = [this] {
        CameraPanelEnableInputs in;
        in.roiMode = zones_.IsEnabled();
        in.viewHasZones = !zones_.Rectangles().empty();
        return in;
    };
    form_->onShowMissedFrames = [this] { ShowMissedFrames(); };
    form_->equipment = [this]() -> EquipmentSelectionModel& { return EquipmentSelection(); };
    // The camera mirrors the picture: the view turns its sky directions with it.
    panel_.onMirrorChanged = [this](bool x, bool y) { view_->SetMirroring(view_->MirrorX() != x, view_->MirrorY() != y); };
    panel_.onInvertChanged = [this](bool invert) {
        histogram_.MirrorLevels(invert);
        if (histogramControl_ != nullptr) histogramControl_->update();
    };
    // A new mode: the calibration frames no longer fit.
    panel_.onResolutionChanging = [this] { calibration_.UncheckBoth(); };
    recording_.zones = [this] {
        std::vector<AdvRegion> regions;
        for (const ZoneRectangle& r : zones_.Rectangles()) regions.push_back({r.left, r.top, r.width, r.height});
        return regions;
    };
    auto* splitter = new QSplitter(this);
    splitter->addWidget(form_);
    splitter->addWidget(view_);
    splitter->addWidget(BuildSidePanel());
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 0);
    setCentralWidget(splitter);
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    diskStatus_ = new QLabel(this);
    diskStatus_->setContentsMargins(6, 0, 6, 0);
    diskStatus_->hide();
    statusBar()->addPermanentWidget(diskStatus_);
    BuildMenus();
    BuildRecordingCommands();
    BuildEditMenu();
    BuildShellCommands();
    for (QAction* menu : menuBar()->actions()) {
        // The enabling is current whenever a menu opens, not only on the next tick.
        if (menu->menu() != nullptr) connect(menu->menu(), &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
    }

    station_.SetDisplayTarget(&target_);
    station_.SetFrontEnd(this);
    view_->SetZonesChanged([this] { view_->update(); });
    view_->SetZoomStep([this](int direction) { viewOptions_.StepZoom(direction); });
    viewOptions_.onViewChanged = [this] { ShowViewOptions(); };
    viewOptions_.Load();

    connect(&housekeeping_, &QTimer::timeout, this, [this] { HousekeepingTick(); });
    connect(&refresh_, &QTimer::timeout, this, [this] { RefreshView(); });
    housekeeping_.start(kHousekeepingMs);
    refresh_.start(kRefreshMs);

    SetNightVision(station_.GetSettings().NightVision.IsOn());
    station_.RefreshCameraList();
    UpdateCommands();
    resize(1440, 860);
    toolbarLayout_ = ToolbarLayout::FromText(station_.GetSettings().WorkspaceToolbars);
    BuildToolbars();
    RestoreWorkspace();
    station_.Tools().PlateSolution().SetListener(this);
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
        station_.RestartCamera();
        UpdateCommands();
    });
    cameraMenu_->addSeparator();
    connect(AddCommand(cameraMenu_, Command::StartStreaming), &QAction::triggered, this, [this] { StartStreaming(); });
    connect(AddCommand(cameraMenu_, Command::StopStreaming), &QAction::triggered, this, [this] { StopStreaming(); });
    cameraMenu_->addSeparator();
    connect(AddCommand(cameraMenu_, Command::UpdateFirmware), &QAction::triggered, this, [this] { OpenFirmwareUpdate(); });
    connect(AddCommand(cameraMenu_, Command::SatelliteConfiguration), &QAction::triggered, this,
            [this] { tools_->ShowSatConfig(); });

    QMenu* view = menuBar()->addMenu("&View");
    viewMenu_ = view;
    connect(AddCommand(view, Command::ToggleZoom), &QAction::triggered, this,
            [this] { viewOptions_.TogglePreviewMode(); });
    connect(AddCommand(view, Command::ZoomIn), &QAction::triggered, this, [this] { viewOptions_.StepZoom(1); });
    connect(AddCommand(view, Command::ZoomOut), &QAction::triggered, this, [this] { viewOptions_.StepZoom(-1); });
    QAction* crosshair = AddCommand(view, Command::Crosshair);
    crosshair->setCheckable(true);
    connect(crosshair, &QAction::toggled, this, [this](bool on) { viewOptions_.SetCrosshair(on); });
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
        settings.NightVision.Set(on);
        settings.Save();
    });
    connect(AddCommand(view, Command::MissedFrames), &QAction::triggered, this, [this] { ShowMissedFrames(); });

    BuildToolsMenu();
    QMenu* help = menuBar()->addMenu("&Help");
    connect(AddCommand(help, Command::About), &QAction::triggered, this, [this] { ShowAbout(); });
}

void CMainFrame::ShowViewOptions() {
    view_->SetPreview(static_cast<ViewGeometry::ZoomMode>(viewOptions_.PreviewMode()), viewOptions_.ZoomPercent());
    view_->SetCrosshair(viewOptions_.Crosshair());
    if (const auto action = actions_.find(Command::Crosshair); action != actions_.end()) {
        const QSignalBlocker block(action->second);
        action->second->setChecked(viewOptions_.Crosshair());
    }
    form_->Refresh();
}

MainFrameState CMainFrame::State() {
    MainFrameState s;
    s.cameraListed = !station_.CameraList().empty();
    s.connected = station_.IsConnected();
    s.streaming = s.connected && station_.IsStreaming();
    s.canRecord = recording_.CanStart();
    s.recording = recording_.IsRecording();
    s.canCaptureLight = capture_.CanCapture(0);
    s.canCaptureDarkFlat = capture_.CanCapture('D');
    s.zonesEnabled = zones_.IsEnabled();
    s.textFocus = FocusedTextField() != nullptr;
    return s;
}

void CMainFrame::RebuildConnectEntries() {
    const ConnectMenuModel menu = station_.ConnectMenu();
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
    const std::string name = state.connected ? station_.ActiveCameraName() : std::string();
    std::string statusText =
        MainFrameModel::StatusText(state, name, station_.CurrentFrameNumber(), station_.MissedTotal());
    if (const OwEvent* next = station_.Events().NextEvent()) {
        const std::string countdown = MainFrameModel::NextEventText(next->GetTitle(), next->SecondsToEvent);
        if (!countdown.empty()) statusText += "   |   " + countdown;
    }
    status_->setText(QString::fromStdString(statusText));

    form_->Refresh();
    const DiskSpaceModel& disk = recording_.Disk();
    const std::string diskText = disk.StatusText();
    diskStatus_->setVisible(!diskText.empty());
    diskStatus_->setText(QString::fromStdString(diskText));
    switch (disk.GetLevel()) {
        case DiskSpaceModel::Level::Normal: diskStatus_->setStyleSheet(""); break;
        case DiskSpaceModel::Level::Yellow: diskStatus_->setStyleSheet("background: #e0c000; color: black;"); break;
        case DiskSpaceModel::Level::Red: diskStatus_->setStyleSheet("background: #c00000; color: white;"); break;
    }
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
    panel_.StartStreaming();
    QApplication::restoreOverrideCursor();
    UpdateCommands();
}

void CMainFrame::StopStreaming() {
    panel_.StopStreaming();
    UpdateCommands();
}

void CMainFrame::LoadCameraControls(CameraUnit*) {
    // The panel loads its controls (and starts streaming when so set) at its next tick.
    UpdateCommands();
}

void CMainFrame::HousekeepingTick() {
    if (closing_) return;
    station_.Tick();
    if (firmwareUpdate_) firmwareUpdate_->Refresh();
    UpdateCommands();
}

void CMainFrame::RefreshView() {
    if (closing_) return;
    view_->SetFullFix(!station_.IsStreaming() || station_.FullFix());
    if (histogram_.FetchHistogram(station_.Histogram())) histogramControl_->update();
    // The star is chosen in the frame's own pixels, kept only while a click is awaited.
    target_.SetKeepRawPixels(guidingView_.Selecting());
    if (target_.TakePicture()) {
        const DisplayPicture& picture = target_.Picture();
        textLine_->setText(QString::fromStdString(picture.textLine).trimmed());
        if (profile_.Add(picture.profile)) profileControl_->update();
        view_->Refresh();
    }
    RefreshPlateSolvingOffset();
    if (station_.IsStreaming()) station_.RequestDisplay();
    StepRecording();
}

void CMainFrame::RefreshPlateSolvingOffset() {
    const DisplayPicture& picture = target_.Picture();
    // Asked also while the box is off: the overlay notes the flip of each new solve.
    auto arrow = solveOffset_.Arrow(picture.width, picture.height);
    view_->SetPlateSolvingArrow(panel_.State().plateSolvingNextEvent ? std::move(arrow) : std::nullopt);
}

void CMainFrame::BuildRecordingCommands() {
    auto* menu = new QMenu("&Record", this);
    menuBar()->insertMenu(menuBar()->actions().at(2), menu);  // after File and Camera
    recordToolbar_ = addToolBar(ToolbarLayout::kRecordToolbar);
    recordToolbar_->setObjectName("RecordToolbar");
    for (const Command command : MainFrameModel::kRecordingCommands) {
        if (command == Command::FitsLight) menu->addSeparator();
        QAction* action = AddCommand(menu, command);
        action->setIconText(MainFrameModel::ToolbarText(command));
    }
    const auto on = [this](Command command, auto handler) {
        connect(actions_[command], &QAction::triggered, this, [this, handler] {
            handler();
            UpdateCommands();
        });
    };
    // Each handler checks again: a shortcut may come before the menus were refreshed.
    const auto start = [this](RecordingFormat format) {
        return [this, format] {
            if (recording_.CanStart()) recording_.Start(format);
        };
    };
    on(Command::RecordSer, start(RecordingFormat::Ser));
    on(Command::RecordAdv, start(RecordingFormat::Adv));
    on(Command::RecordFitsSequence, start(RecordingFormat::FitsSequence));
    on(Command::RecordWithOptions, [this] {
        if (optionsDialog_ == nullptr) optionsDialog_ = new CDlgRecordingWithOptions(recordingOptions_, this);
        optionsDialog_->ShowDialog();
    });
    on(Command::StopRecording, [this] { recording_.Stop(); });
    on(Command::FitsLight, [this] { TakeFits(0); });
    on(Command::FitsDark, [this] { TakeFits('D'); });
    on(Command::FitsFlat, [this] { TakeFits('F'); });
}

CDlgDarkFlat* CMainFrame::DarkFlatDialog() { return darkFlat_; }

void CMainFrame::BuildToolsMenu() {
    tools_ = std::make_unique<ToolWindows>(station_, this);
    // Ctrl+arrow moves the mount from any of the program's windows.
    keyFilter_ = new TelescopeKeyFilter([this] { return tools_->Telescope(); }, this);
    QCoreApplication::instance()->installEventFilter(keyFilter_);
    station_.Tools().SetPlateSolvingCapture(&solveCapture_);
    QMenu* tools = menuBar()->addMenu("&Tools");
    toolsMenu_ = tools;
    connect(AddCommand(tools, Command::EventData), &QAction::triggered, this, [this] { tools_->ShowOccultationEvents(); });
    connect(AddCommand(tools, Command::ImportOccultXml), &QAction::triggered, this, [this] { ImportOccultXml(); });
    connect(AddCommand(tools, Command::PlateSolving), &QAction::triggered, this, [this] { tools_->ShowPlateSolving(); });
    connect(AddCommand(tools, Command::Telescope), &QAction::triggered, this, [this] { tools_->ShowTelescope(); });
    connect(AddCommand(tools, Command::Guiding), &QAction::triggered, this, [this] { tools_->ShowGuiding(); });
}

void CMainFrame::ImportOccultXml() {
    IUiServices& ui = station_.Ui();
    if (const auto path = OccultXmlImport::AskForFile(ui)) OccultXmlImport::Run(*path, station_.Events(), ui);
}

void CMainFrame::BuildEditMenu() {
    auto* menu = new QMenu("&Edit", this);
    menuBar()->insertMenu(menuBar()->actions().at(1), menu);  // after File
    const auto edit = [this, menu](Command command, void (*operation)(QLineEdit&)) {
        connect(AddCommand(menu, command), &QAction::triggered, this, [operation] {
            if (QLineEdit* field = FocusedTextField()) operation(*field);
        });
    };
    edit(Command::Undo, [](QLineEdit& field) { field.undo(); });
    menu->addSeparator();
    edit(Command::Cut, [](QLineEdit& field) { field.cut(); });
    edit(Command::Copy, [](QLineEdit& field) { field.copy(); });
    edit(Command::Paste, [](QLineEdit& field) { field.paste(); });
    menu->addSeparator();
    connect(AddCommand(menu, Command::Settings), &QAction::triggered, this, [this] {
        SettingsDialogModel model(station_.GetSettings());
        model.reopenGpsLog = [this] { station_.ApplySettings(); };
        CDlgSettings dialog(model, station_.Ui(), this);
        dialog.exec();
    });
    menu->addSeparator();
    const auto equipment = [this, menu](Command command, const char* title, EquipmentManager* EquipmentLists::*list,
                                        EquipmentManager& (*process)()) {
        connect(AddCommand(menu, command), &QAction::triggered, this, [this, title, list, process] {
            EquipmentManager& lists = equipment_.*list ? *(equipment_.*list) : process();
            CDlgEquipment dialog(lists, station_.Ui(), title, this);
            dialog.exec();
        });
    };
    equipment(Command::Observers, EquipmentDialogModel::kObserversDialog, &EquipmentLists::observers,
              [] () -> EquipmentManager& { return ObserverManager::Instance(); });
    equipment(Command::ObservingSites, EquipmentDialogModel::kSitesDialog, &EquipmentLists::sites,
              [] () -> EquipmentManager& { return ObservingSiteManager::Instance(); });
    equipment(Command::TelescopeMounts, EquipmentDialogModel::kMountsDialog, &EquipmentLists::mounts,
              [] () -> EquipmentManager& { return MountManager::Instance(); });
    equipment(Command::Instruments, EquipmentDialogModel::kInstrumentsDialog, &EquipmentLists::instruments,
              [] () -> EquipmentManager& { return InstrumentManager::Instance(); });
}

EquipmentSelectionModel& CMainFrame::EquipmentSelection() {
    if (!equipmentSelection_) {
        equipmentSelection_ = std::make_unique<EquipmentSelectionModel>(
            equipment_.observers ? *equipment_.observers : ObserverManager::Instance(),
            equipment_.sites ? *equipment_.sites : ObservingSiteManager::Instance(),
            equipment_.instruments ? *equipment_.instruments : InstrumentManager::Instance(),
            equipment_.mounts ? *equipment_.mounts : MountManager::Instance());
    }
    return *equipmentSelection_;
}

void CMainFrame::TakeFits(char kind) {
    if (!capture_.Capture(kind) || capture_.Dialog() == nullptr) return;
    // Window-modal without blocking: the timers go on stepping the capture.
    darkFlat_ = new CDlgDarkFlat(*capture_.Dialog(), this);
    connect(darkFlat_, &QDialog::finished, darkFlat_, &QObject::deleteLater);
    darkFlat_->open();
}

void CMainFrame::StepRecording() {
    const bool wasRecording = recording_.IsRecording();
    const bool wasCapturing = capture_.Busy();
    recording_.Step();
    recordingOptions_.Step();
    solveCapture_.SetFrameTime(std::chrono::microseconds(std::llround(station_.CameraSettings().exposureMs * 1000.0)));
    solveCapture_.Step();
    capture_.Step();
    if (optionsDialog_ != nullptr && optionsDialog_->isVisible()) optionsDialog_->Refresh();
    if (darkFlat_ != nullptr) {
        if (capture_.Dialog() == darkFlat_->Model()) {
            darkFlat_->Refresh();
        } else {
            darkFlat_->Detach();
        }
    }
    if (wasRecording != recording_.IsRecording() || wasCapturing != capture_.Busy() || recording_.IsRecording()) {
        UpdateCommands();
    }
}

void CMainFrame::SetNightVision(bool on) {
    nightVision_ = on;
    qApp->setPalette(on ? NightPalette::Palette() : NightPalette::DayPalette());
    view_->SetNightVision(on);
    if (actions_.count(Command::NightVision)) actions_[Command::NightVision]->setChecked(on);
}

void CMainFrame::ShowMissedFrames() {
    CDlgMissedFrames dialog(station_.MissedFrameList(), this);
    dialog.exec();
}

CDlgFwUpdate* CMainFrame::FirmwareUpdateDialog() { return firmwareUpdate_; }

void CMainFrame::OpenFirmwareUpdate() {
    if (firmwareUpdate_) return;
    FirmwareUpdateDialogModel& model = station_.FirmwareUpdateDialog();
    const bool shift = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    if (!model.Open(shift)) return;
    // Window-modal without blocking: the station's tick steps the update meanwhile.
    firmwareUpdate_ = new CDlgFwUpdate(model, station_.Ui(), this);
    connect(firmwareUpdate_, &QDialog::finished, firmwareUpdate_, &QObject::deleteLater);
    firmwareUpdate_->open();
    UpdateCommands();
}

void CMainFrame::SetProgramIcon() {
    // The desktop's task bar and window switcher take the sizes they need from here.
    const QIcon source(":/orvacam.svg");
    QIcon icon;
    for (const int size : {32, 16}) {
        errno = 0;
        const QPixmap pixmap = source.pixmap(size, size);
        const std::string sizeText = std::to_string(size) + "x" + std::to_string(size);
        if (pixmap.isNull()) {
            LogMessageInt("W Failed to create " + sizeText + " program icon.", errno);
            continue;
        }
        icon.addPixmap(pixmap);
        LogMessage("I Program icon " + sizeText + " successfully configured.");
    }
    if (!icon.isNull()) setWindowIcon(icon);
}

void CMainFrame::ShowAbout() {
    QMessageBox::about(this, "About ORVA Cam Control",
                       QString("ORVA Cam Control\nVersion %1").arg(QString::fromStdString(ProgramVersionText())));
}

void CMainFrame::BuildShellCommands() {
    toolsMenu_->addSeparator();
    AddCommand(toolsMenu_, Command::Photometry);
    AddCommand(toolsMenu_, Command::VideoPlayer);
    cameraMenu_->addSeparator();
    AddCommand(cameraMenu_, Command::HardwareConfiguration);
    AddCommand(cameraMenu_, Command::CharacterizeCamera);

    viewMenu_->addSeparator();
    QAction* toolbars = recordToolbar_->toggleViewAction();
    toolbars->setText(MainFrameModel::Text(Command::Toolbars));
    viewMenu_->addAction(toolbars);
    actions_[Command::Toolbars] = toolbars;
    connect(AddCommand(viewMenu_, Command::CustomizeToolbar), &QAction::triggered, this, [this] {
        CDlgCustomizeToolbar dialog(toolbarLayout_, this);
        if (dialog.exec() == QDialog::Accepted) ArrangeToolbars(dialog.Layout());
    });
    QAction* statusBarToggle = AddCommand(viewMenu_, Command::StatusBar);
    statusBarToggle->setCheckable(true);
    statusBarToggle->setChecked(true);
    connect(statusBarToggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

QLineEdit* CMainFrame::FocusedTextField() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* field = qobject_cast<QLineEdit*>(focus)) return field;
    if (auto* box = qobject_cast<QComboBox*>(focus)) return box->lineEdit();
    return nullptr;
}

void CMainFrame::OnPlateSolvingCompleted() {
    QMetaObject::invokeMethod(this, [this] { ApplyFlipMirroring(); }, Qt::QueuedConnection);
}

void CMainFrame::ApplyFlipMirroring() {
    if (closing_) return;
    const std::string& flip = station_.GetSettings().CameraConfig.flipMode;
    view_->SetMirroring(flip.find('X') != std::string::npos, flip.find('Y') != std::string::npos);
}

void CMainFrame::BuildToolbars() {
    std::vector<QToolBar*> kept{recordToolbar_};
    for (std::size_t i = 0; i < toolbarLayout_.Toolbars().size(); ++i) {
        const ToolbarLayout::Toolbar& arranged = toolbarLayout_.Toolbars()[i];
        QToolBar* toolbar = nullptr;
        if (i == 0) {
            toolbar = recordToolbar_;
        } else {
            // The object name carries the toolbar's place in the saved workspace.
            const QString objectName = "Toolbar:" + Q(arranged.name);
            for (QToolBar* existing : toolbars_) {
                if (existing->objectName() == objectName) toolbar = existing;
            }
            if (toolbar == nullptr) {
                toolbar = addToolBar(Q(arranged.name));
                toolbar->setObjectName(objectName);
            }
            kept.push_back(toolbar);
        }
        toolbar->clear();
        for (const Command command : arranged.commands) {
            if (const auto action = actions_.find(command); action != actions_.end()) toolbar->addAction(action->second);
        }
    }
    for (QToolBar* toolbar : toolbars_) {
        if (std::find(kept.begin(), kept.end(), toolbar) == kept.end()) {
            removeToolBar(toolbar);
            toolbar->deleteLater();
        }
    }
    toolbars_ = kept;
}

void CMainFrame::ArrangeToolbars(const ToolbarLayout& layout) {
    toolbarLayout_ = layout;
    BuildToolbars();
    Settings& settings = station_.GetSettings();
    settings.WorkspaceToolbars = layout.Text();
    settings.Save();
}

void CMainFrame::RestoreWorkspace() {
    const Settings& settings = station_.GetSettings();
    const auto blob = [](const std::string& text) {
        return QByteArray::fromBase64(QByteArray::fromStdString(text), QByteArray::AbortOnBase64DecodingErrors);
    };
    if (!settings.WorkspaceGeometry.empty() && !restoreGeometry(blob(settings.WorkspaceGeometry))) {
        LogMessage("W The saved window placement is damaged; the default is used");
    }
    bool restored = false;
    if (!settings.WorkspaceState.empty()) {
        restored = restoreState(blob(settings.WorkspaceState), kWorkspaceVersion);
        if (!restored) LogMessage("W The saved toolbar layout is damaged; the default layout is used");
    }
    LogMessage(restored ? "I user-defined toolbar" : "I default toolbar");
    statusBar()->setVisible(settings.WorkspaceStatusBar.Value().value_or(true));
    actions_[Command::StatusBar]->setChecked(!statusBar()->isHidden());
}

void CMainFrame::SaveWorkspace() {
    Settings& settings = station_.GetSettings();
    settings.WorkspaceGeometry = saveGeometry().toBase64().toStdString();
    settings.WorkspaceState = saveState(kWorkspaceVersion).toBase64().toStdString();
    settings.WorkspaceStatusBar.Set(!statusBar()->isHidden());
    settings.Save();
}

void CMainFrame::FinishRecording() {
    if (!recording_.IsRecording()) return;
    recording_.Stop();
    // The frame processor lets the writer go at the next frame; the session closes the
    // file itself once its grace time has passed. The bound only guards against a clock
    // that does not move.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (recording_.IsRecording() && std::chrono::steady_clock::now() < giveUp) {
        recording_.Step();
        if (recording_.IsRecording()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    ShutDown();
    event->accept();
}

void CMainFrame::ShutDown() {
    if (closing_) return;
    closing_ = true;
    QCoreApplication::instance()->removeEventFilter(keyFilter_);
    housekeeping_.stop();
    refresh_.stop();
    PlateSolvingResult& solves = station_.Tools().PlateSolution();
    if (solves.Listener() == this) solves.SetListener(nullptr);
    SaveWorkspace();
    tools_->HideAll();
    if (optionsDialog_ != nullptr) optionsDialog_->hide();
    if (darkFlat_ != nullptr) darkFlat_->hide();
    LogMessage("I Closing Main Form");
    form_->StopTimer();
    FinishRecording();
    tools_.reset();
    // Stops the tools' workers (plate solving, telescope), the event feed and the stream
    // (their threads joined), then disconnects the camera and closes the GPS log, which the
    // frame path writes until the stream stops; only then may the view's target go.
    station_.Shutdown();
    // The plate solver is joined: this window's capture may go.
    station_.Tools().SetPlateSolvingCapture(nullptr);
    station_.SetDisplayTarget(nullptr);
    station_.SetFrontEnd(nullptr);
}

}  // namespace orva
