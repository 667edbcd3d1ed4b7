#pragma once
// CDlgTelescope's logic without widgets: the "Telescope Control" window's buttons, keys,
// rate index, connect / tracking / sync / slew, the next event's star, the SIMBAD
// look-up, the position texts with their offsets, and the enabling of every control
// (guiding's pulses are the station's: GuidingCorrector). The view forwards its events
// and shows Controls(), InstructionText() and EditText(); messages go to IUiServices.
//
// It drives the station's telescope worker, which it is handed: Initialise starts the
// worker's thread if it does not run yet; the worker outlives the window and its model.
//
// Threads: GUI thread only (the worker and the look-up run on their own threads).

#include "common/Clock.h"
#include "common/IUiServices.h"
#include "common/SharedTelescopeState.h"
#include "telescope/INextEventSource.h"
#include "telescope/PlateSolvingResult.h"
#include "telescope/SimbadLookup.h"
#include "telescope/TelescopeChooserModel.h"
#include "telescope/TelescopeRatesDialogModel.h"
#include "telescope/TelescopeWorker.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace orva {

class Settings;

enum class TelescopeMoveButton { North, South, West, East };
enum class TelescopeArrowKey { Left, Right, Up, Down };

struct TelescopeControls {
    std::string driver;
    std::string version;
    // "Choose...": a driver is picked while the window has none (the first one made stays
    // until the next start).
    bool chooseEnabled = true;
    bool connectEnabled = false;
    std::string connectText = "Connect";
    bool trackingEnabled = false;
    bool trackingChecked = false;
    bool moveEnabled = false;  // N, S, W, E, + and -
    bool rateEnabled = false;
    std::string rateText;
    bool syncEnabled = false;
    bool eventEnabled = false;
    bool slewEnabled = false;
    // RA, DEC, solved RA / DEC offsets, next event RA / DEC offsets.
    std::array<std::string, 6> position;
};

class TelescopeDialogModel {
public:
    static constexpr const char* kInstruction = "Enter coordinates in format \"h m s.s + d m s.s\" or an object name.";

    struct Services {
        Settings& settings;
        IUiServices& ui;
        PlateSolvingResult& solution;
        INextEventSource* events = nullptr;  // none: no event store
        TelescopeWorker& worker;
        SharedTelescopeState& shared;
        Clock& clock;
    };

    explicit TelescopeDialogModel(Services services);
    TelescopeDialogModel(const TelescopeDialogModel&) = delete;
    TelescopeDialogModel& operator=(const TelescopeDialogModel&) = delete;

    // Once, when the window is made; startThread false lets tests run the worker's passes.
    void Initialise(bool startThread = true);
    // Each time the window is shown or hidden.
    void ShownOrHidden();

    void OnMoveButton(TelescopeMoveButton button, bool released);
    void RateUp();
    void RateDown();
    void OnConnectButton();   // sets the pending flag; the view posts itself a message
    void OnConnectMessage();  // ... whose handler calls this
    void OnTrackingCheck(bool checked);
    void SyncToSolved();
    void Slew(const std::string& editText);
    void NextEventButton();
    void OnEditFocus();
    void Simbad(const std::string& editText);
    // The main window's Ctrl+arrow handling: true when the key was consumed.
    bool OnKeyDown(TelescopeArrowKey key, bool control);
    void OnKeyUp(TelescopeArrowKey key);
    void KeyboardMove(int axis, int direction);
    // The 200-ms timer.
    void Tick();

    TelescopeControls Controls() const { return controls_; }
    const std::string& InstructionText() const { return instruction_; }
    // The edit field's text as the model last wrote it; EditTextVersion grows with each write.
    const std::string& EditText() const { return editText_; }
    int EditTextVersion() const { return editVersion_; }
    int RateIndex() const { return rateIndex_; }
    TelescopeWorker& Worker() { return worker_; }
    // What the rates window is handed: the program id while a driver exists and the
    // mount is connected, else empty.
    std::string RatesProgramId() const;

    // The chooser window, filled from the "TelescopeDriver" setting each time it opens.
    TelescopeChooserModel& OpenChooser();
    // The chooser's OK: stores the pick and makes its driver, as showing the window does.
    bool ChooseDriver(int selected);
    // The rates window's logic, made on first use.
    TelescopeRatesDialogModel& Rates();
    // While the rates window is open it is handed RatesProgramId() at once and on every tick.
    void OpenRates();
    void CloseRates() { ratesOpen_ = false; }

    // "h m s.s d m s.s" with ranges checked; the sign of the degrees field counts also at 0.
    static std::optional<std::pair<double, double>> ParseCoordinates(const std::string& text, std::string& error);
    static std::string FormatEventCoordinates(double raHours, double decDegrees);
    static std::array<std::string, 6> PositionTexts(bool driver, const SharedTelescopeState::Position& position,
                                                    const PlateSolution& solution,
                                                    const std::optional<NextEventTarget>& event);

private:
    double TrackingRate() const;
    void UpdateControls();
    void SetEditText(std::string text);
    void ShowMessages();

    Services s_;
    TelescopeWorker& worker_;
    SimbadLookup simbad_;
    TelescopeChooserModel chooser_;
    std::unique_ptr<TelescopeRatesDialogModel> rates_;
    bool ratesOpen_ = false;
    int rateIndex_ = 0;
    int buttonsHeld_ = 0;
    std::array<std::string, 6> shown_;
    std::array<bool, 4> seen_{};  // driver created, connected, tracking, can sync
    int ticks_ = 0;
    bool connectPending_ = false;
    bool raKeyFlag_ = false;
    bool decKeyFlag_ = false;
    std::string instruction_;
    std::string editText_;
    int editVersion_ = 0;
    TelescopeControls controls_;
};

}  // namespace orva
