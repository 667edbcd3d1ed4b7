#include "telescope/TelescopeDialogModel.h"

#include "common/Log.h"
#include "common/Settings.h"
#include "common/TextFormats.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace orva {

namespace {

// A difference of angles brought into -half..+half (a mount at 23.9 h and a target at
// 0.1 h are 0.2 h apart, not 23.8 h).
double Wrap(double difference, double full) {
    double wrapped = std::fmod(difference, full);
    if (wrapped > full / 2) wrapped -= full;
    if (wrapped <= -full / 2) wrapped += full;
    return wrapped;
}

std::string Minutes(double arcminutes) {
    char text[32];
    std::snprintf(text, sizeof text, "%d'", static_cast<int>(arcminutes));
    return text;
}

}  // namespace

TelescopeDialogModel::TelescopeDialogModel(Services services) : s_(services), worker_(s_.worker) {}

double TelescopeDialogModel::TrackingRate() const { return s_.settings.RaTrackingSpeedE5 * 0.00001; }

void TelescopeDialogModel::Initialise(bool startThread) {
    LogMessage("I Opened Dialog 'Telescope'");
    if (startThread) worker_.StartThread();
    instruction_ = kInstruction;
    UpdateControls();
}

void TelescopeDialogModel::ShownOrHidden() {
    const std::string id = s_.settings.TelescopeDriver;
    worker_.SetDriver(id, id.empty() ? std::string() : s_.settings.GetTelescopeRates(id));
    worker_.PostCommand(TelescopeCommandKind::CreateDriver);
    UpdateControls();
}

void TelescopeDialogModel::OnMoveButton(TelescopeMoveButton button, bool released) {
    buttonsHeld_ += released ? -1 : 1;
    if (buttonsHeld_ < 0) buttonsHeld_ = 0;
    const std::vector<TelescopeRate> rows = worker_.Rates().Rows();
    if (rateIndex_ < 0 || rateIndex_ >= static_cast<int>(rows.size()) || !worker_.DriverCreated()) return;
    const TelescopeRate& row = rows[rateIndex_];
    const double t = TrackingRate();
    int axis = 0;
    double rate = 0.0;
    switch (button) {
        case TelescopeMoveButton::West:
            rate = t - row.rightAscensionRate;
            break;
        case TelescopeMoveButton::East:
            rate = t + row.rightAscensionRate;
            break;
        case TelescopeMoveButton::North:
            axis = 1;
            rate = row.declinationRate;
            break;
        case TelescopeMoveButton::South:
            axis = 1;
            rate = -row.declinationRate;
            break;
    }
    worker_.PostCommand(TelescopeCommandKind::MoveAxis, axis, released ? 0.0 : rate);
}

std::string TelescopeDialogModel::RatesProgramId() const {
    return worker_.DriverCreated() && worker_.Connected() ? worker_.ProgramId() : std::string();
}

TelescopeChooserModel& TelescopeDialogModel::OpenChooser() {
    LogMessage("I Opened Dialog 'Telescope Chooser'");
    chooser_.Load(s_.settings.TelescopeDriver);
    return chooser_;
}

bool TelescopeDialogModel::ChooseDriver(int selected) {
    // The window keeps the driver it made until the next start.
    if (worker_.DriverCreated() || !chooser_.Commit(selected, s_.settings)) return false;
    ShownOrHidden();
    return true;
}

TelescopeRatesDialogModel& TelescopeDialogModel::Rates() {
    if (!rates_) {
        LogMessage("I Opened Dialog 'Telescope Rates'");
        rates_ = std::make_unique<TelescopeRatesDialogModel>(s_.settings, worker_, s_.ui);
    }
    return *rates_;
}

void TelescopeDialogModel::OpenRates() {
    ratesOpen_ = true;
    Rates().HandOver(RatesProgramId());
}

void TelescopeDialogModel::RateUp() {
    const int rows = static_cast<int>(worker_.Rates().Size());
    if (rateIndex_ + 1 < rows) ++rateIndex_;
    UpdateControls();
}

void TelescopeDialogModel::RateDown() {
    if (rateIndex_ > 0) --rateIndex_;
    UpdateControls();
}

void TelescopeDialogModel::OnConnectButton() { connectPending_ = true; }

void TelescopeDialogModel::OnConnectMessage() {
    if (!connectPending_) return;
    connectPending_ = false;
    worker_.PostCommand(worker_.Connected() ? TelescopeCommandKind::Disconnect : TelescopeCommandKind::Connect);
}

void TelescopeDialogModel::OnTrackingCheck(bool checked) {
    if (!worker_.DriverCreated()) return;
    worker_.PostCommand(checked ? TelescopeCommandKind::StartTracking : TelescopeCommandKind::StopTracking);
}

void TelescopeDialogModel::SyncToSolved() {
    if (!worker_.Tracking() || !worker_.CanSync()) return;
    const PlateSolution solution = s_.solution.Read();
    // Only a solution that found the centre may move the mount's idea of where it points.
    if (!solution.coordinatesValid || !std::isfinite(solution.rightAscensionDeg) ||
        !std::isfinite(solution.declinationDeg) || std::fabs(solution.declinationDeg) > 90.0) {
        instruction_ = "No valid plate solution to synchronize to.";
        return;
    }
    double ra = std::fmod(solution.rightAscensionDeg, 360.0);
    if (ra < 0.0) ra += 360.0;
    worker_.PostCommand(TelescopeCommandKind::Sync, 0, ra / 15.0, solution.declinationDeg);
}

std::optional<std::pair<double, double>> TelescopeDialogModel::ParseCoordinates(const std::string& text,
                                                                                std::string& error) {
    int hours = 0, minutes = 0, degrees = 0, arcminutes = 0;
    double seconds = 0.0, arcseconds = 0.0;
    if (std::sscanf(text.c_str(), "%d %d %lf %d %d %lf", &hours, &minutes, &seconds, &degrees, &arcminutes,
                    &arcseconds) != 6) {
        error = "Coordinates not in correct format.";
        return std::nullopt;
    }
    const double ra = hours + minutes / 60.0 + seconds / 3600.0;
    const double decAbs = std::abs(degrees) + arcminutes / 60.0 + arcseconds / 3600.0;
    if (hours < 0 || minutes < 0 || minutes > 59 || !(seconds >= 0.0 && seconds < 60.0) || !(ra < 24.0) ||
        arcminutes < 0 || arcminutes > 59 || !(arcseconds >= 0.0 && arcseconds < 60.0) || !(decAbs <= 90.0)) {
        error = "Coordinates out of range.";
        return std::nullopt;
    }
    std::istringstream fields(text);
    std::string field;
    for (int i = 0; i < 4; ++i) fields >> field;  // the degrees field carries the sign, also at 0
    const bool negative = !field.empty() && field.front() == '-';
    return std::make_pair(ra, negative ? -decAbs : decAbs);
}

void TelescopeDialogModel::Slew(const std::string& editText) {
    std::string error;
    const auto coordinates = ParseCoordinates(editText, error);
    if (!coordinates) {
        instruction_ = error;
        return;
    }
    worker_.PostCommand(TelescopeCommandKind::Slew, 0, coordinates->first, coordinates->second);
    instruction_ = kInstruction;
}

std::string TelescopeDialogModel::FormatEventCoordinates(double raHours, double decDegrees) {
    const int h = static_cast<int>(raHours);
    const double raMinutes = (raHours - h) * 60.0;
    const int m = static_cast<int>(raMinutes);
    const double s = (raMinutes - m) * 60.0;
    const double decAbs = std::fabs(decDegrees);
    const int d = static_cast<int>(decAbs);
    const double decMinutes = (decAbs - d) * 60.0;
    const int dm = static_cast<int>(decMinutes);
    const double ds = (decMinutes - dm) * 60.0;
    char text[128];
    std::snprintf(text, sizeof text, "%d %02d %04.1lf    %s%d %02d %02.0lf", h, m, s, decDegrees < 0.0 ? "-" : "", d, dm,
                  ds);
    return text;
}

void TelescopeDialogModel::NextEventButton() {
    const std::optional<NextEventTarget> event = s_.events ? s_.events->NextEvent() : std::nullopt;
    if (!event) {
        instruction_ = "No upcoming event.";
        return;
    }
    SetEditText(FormatEventCoordinates(event->starRaHours, event->starDecDegrees));
    instruction_ = "Coordinates of next event:";
}

void TelescopeDialogModel::OnEditFocus() { instruction_ = kInstruction; }

void TelescopeDialogModel::Simbad(const std::string& editText) {
    const std::string& server = s_.settings.SimbadServer;
    if (const auto answer = simbad_.Start(server.empty() ? SimbadLookup::kDefaultServer : server, editText)) {
        instruction_ = answer->message;
    }
}

bool TelescopeDialogModel::OnKeyDown(TelescopeArrowKey key, bool control) {
    if (!control) return false;
    switch (key) {
        case TelescopeArrowKey::Left:
            raKeyFlag_ = true;
            KeyboardMove(0, -1);
            break;
        case TelescopeArrowKey::Right:
            raKeyFlag_ = true;
            KeyboardMove(0, 1);
            break;
        case TelescopeArrowKey::Up:
            decKeyFlag_ = true;
            KeyboardMove(1, -1);
            break;
        case TelescopeArrowKey::Down:
            decKeyFlag_ = true;
            KeyboardMove(1, 1);
            break;
    }
    return true;
}

void TelescopeDialogModel::OnKeyUp(TelescopeArrowKey key) {
    const bool ra = key == TelescopeArrowKey::Left || key == TelescopeArrowKey::Right;
    if (ra && raKeyFlag_) {
        LogMessageString("I Keyboard triggers move in ", "RA");
        worker_.PostCommand(TelescopeCommandKind::MoveAxis, 0, 0.0);
    } else if (!ra && decKeyFlag_) {
        LogMessageString("I Keyboard triggers move in ", "DEC");
        worker_.PostCommand(TelescopeCommandKind::MoveAxis, 1, 0.0);
    }
}

void TelescopeDialogModel::KeyboardMove(int axis, int direction) {
    const double t = TrackingRate();
    if (axis == 0) {
        LogMessage("I Keyboard triggers move in RA");
        worker_.PostCommand(TelescopeCommandKind::MoveAxis, 0, direction < 0 ? -t : 3.0 * t);
    } else {
        LogMessage("I Keyboard triggers move in DEC");
        worker_.PostCommand(TelescopeCommandKind::MoveAxis, 1, direction < 0 ? -2.0 * t : 2.0 * t);
    }
}

std::array<std::string, 6> TelescopeDialogModel::PositionTexts(bool driver,
                                                               const SharedTelescopeState::Position& position,
                                                               const PlateSolution& solution,
                                                               const std::optional<NextEventTarget>& event) {
    std::array<std::string, 6> texts;
    texts.fill("-");
    if (!driver || !position.valid) return texts;
    const double r = position.rightAscensionHours;
    const double d = position.declinationDegrees;
    texts[0] = FormatRightAscension(r * 15.0);
    texts[1] = FormatAngle(d, '+', '-', false);
    if (solution.coordinatesValid) {
        texts[2] = Minutes(Wrap(solution.rightAscensionDeg - r * 15.0, 360.0) * 60.0);
        texts[3] = Minutes((solution.declinationDeg - d) * 60.0);
    }
    if (event) {
        texts[4] = Minutes(Wrap(event->starRaHours - r, 24.0) * 15.0 * 60.0);
        texts[5] = Minutes((event->starDecDegrees - d) * 60.0);
    }
    return texts;
}

void TelescopeDialogModel::ShowMessages() {
    for (auto message = worker_.TakeMessage(); message; message = worker_.TakeMessage()) {
        s_.ui.ShowMessage(message->title, message->text, message->icon);
    }
}

void TelescopeDialogModel::Tick() {
    if (ratesOpen_) rates_->HandOver(RatesProgramId());
    if (const auto answer = simbad_.Poll()) {
        instruction_ = answer->message;
        if (answer->found) SetEditText(answer->coordinates);
    }
    ticks_ = (ticks_ + 1) % 5;
    if (ticks_ != 0 && buttonsHeld_ == 0) return;
    const bool driver = worker_.DriverCreated();
    if (!driver) s_.shared.Reset();
    const auto texts = PositionTexts(driver, s_.shared.Read(), s_.solution.Read(),
                                     s_.events ? s_.events->NextEvent() : std::nullopt);
    // Tracking and sync ability count as well: the slew and sync buttons follow them; and
    // so does the driver's coming and going, which the connect button follows.
    const std::array<bool, 4> seen = {driver, worker_.Connected(), worker_.Tracking(), worker_.CanSync()};
    if (texts != shown_ || seen != seen_) {
        shown_ = texts;
        seen_ = seen;
        UpdateControls();
    }
    ShowMessages();
}

void TelescopeDialogModel::SetEditText(std::string text) {
    editText_ = std::move(text);
    ++editVersion_;
}

void TelescopeDialogModel::UpdateControls() {
    TelescopeControls c;
    const bool driver = worker_.DriverCreated();
    const bool connected = worker_.Connected();
    const bool tracking = worker_.Tracking();
    const int rows = static_cast<int>(worker_.Rates().Size());
    c.driver = worker_.ProgramId();
    c.version = worker_.DriverInfo();
    c.chooseEnabled = !driver;
    c.connectEnabled = driver;
    c.connectText = connected ? "Disconnect" : "Connect";
    c.trackingEnabled = connected;
    c.trackingChecked = tracking;
    c.moveEnabled = connected && rows > 0;
    if (rateIndex_ > rows - 1) rateIndex_ = rows - 1;
    if (rateIndex_ < 0 && rows > 0) rateIndex_ = 0;
    c.rateText = std::to_string(rateIndex_ + 1);
    c.rateEnabled = connected;
    c.syncEnabled = tracking && worker_.CanSync();
    c.eventEnabled = s_.events && s_.events->NextEvent().has_value();
    c.slewEnabled = tracking;
    c.position = shown_;
    controls_ = c;
}

}  // namespace orva
