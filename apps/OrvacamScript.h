#pragma once
// The desktop station's test hooks, run from the event loop: once the camera streams it
// starts the recording asked for, solves the FITS file asked for in the plate-solving
// window and waits for the solve's end, or connects the mount and lets a click from
// outside choose the guiding star (see OrvacamOptions::guideClickFile) and starts
// guiding; after the given time it
// saves a grab of the main window (and, beside it, FILE.txt with where the picture and
// the probed pixel lie in the grab, the probed pixel's raw and shown values and the
// stretch levels); then, if asked, changes the stretch, waits for a picture composed
// with the new table, saves a second grab; and closes the window.
//
// Threads: GUI thread only.

#include "OrvacamOptions.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

namespace orva {

class CMainFrame;

class OrvacamScript final : public QObject {
public:
    OrvacamScript(CMainFrame& frame, const OrvacamOptions& options);
    void Start();

private:
    enum class Step {
        WaitRecording,
        WaitStreamToSolve,
        WaitSolved,
        GuideConnect,
        GuideChoose,
        GuideClicked,
        WaitFirst,
        WaitRestretched,
        Done
    };
    void Poll();
    bool Grab(const std::string& path);
    // Starts the solve of the chosen file; false (said why) when it could not start.
    bool StartPlateSolve();
    // Each true once its step is done.
    bool GuideConnect();
    bool GuideChoose();
    bool GuideClicked();

    CMainFrame& frame_;
    OrvacamOptions options_;
    QTimer timer_;
    Step step_ = Step::WaitFirst;
    uint64_t firstAfterChange_ = 0;
    qint64 startedMs_ = 0;
    bool connectAsked_ = false;
    bool trackingAsked_ = false;
    bool selectAsked_ = false;
};

}  // namespace orva
