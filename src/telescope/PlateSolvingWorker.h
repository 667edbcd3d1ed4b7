#pragma once
// The plate-solving window's worker: it drives one strategy through log-in, the FITS
// file (a new capture, or a chosen file), the upload and the polls, and reports every
// step as an event that the GUI thread takes and shows. It never shows anything itself.
//
// A run: Start (GUI thread, only while idle) hands over the strategy and the file;
// the worker then goes LogIn -> RecordFile or LoadFile -> SendFile -> WaitForResult ->
// Idle, or back to Idle at the first failure or at a stop request (which takes effect
// at the next pass, during the capture wait and after each poll). The wait for a capture
// scales with its frames x frame time; a solver that hangs is ended by its strategy's
// time limit, which ends the run.
//
// Threads: Start, RequestStop, TakeEvents and the queries on the GUI thread; the worker
// thread (or a test calling RunPass) does everything else. The step and the stop flag
// are atomics; the events and the status text are under a lock.

#include "common/Clock.h"
#include "telescope/IPlateSolvingCapture.h"
#include "telescope/IPlateSolvingStrategy.h"
#include "telescope/PlateSolvingResult.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace orva {

enum class PlateSolvingStep { Idle, LogIn, RecordFile, LoadFile, SendFile, WaitForResult };

struct PlateSolvingEvent {
    int32_t code = kPlateSolvingWorking;  // a PlateSolvingCode
    std::string statusText;
    std::optional<double> solvedScale;  // with code 9: arc seconds per pixel for the scale edit
};

class PlateSolvingWorker {
public:
    static constexpr std::chrono::milliseconds kIdlePause{1000};
    static constexpr std::chrono::milliseconds kCapturePause{500};
    static constexpr std::chrono::milliseconds kPollPause{2000};
    // The least wait for a capture; the capture's own duration comes on top.
    static constexpr std::chrono::seconds kCaptureMargin{10};

    PlateSolvingWorker(PlateSolvingResult& result, IPlateSolvingCapture& capture, Clock& clock);
    ~PlateSolvingWorker();
    PlateSolvingWorker(const PlateSolvingWorker&) = delete;
    PlateSolvingWorker& operator=(const PlateSolvingWorker&) = delete;

    // Runs passes on a thread of its own until Stop (or destruction); once.
    void StartThread();
    // Ends a run under way at its next stop point and joins the thread. Safe to call twice.
    void Stop();
    // The capture new files are recorded with; only while no thread runs (false otherwise).
    bool SetCapture(IPlateSolvingCapture& capture);

    // GUI thread. False while a run is under way. An empty file path records a new file.
    bool Start(std::unique_ptr<IPlateSolvingStrategy> strategy, std::string filePath);
    // Asks a busy worker to stop; once per run.
    void RequestStop();
    PlateSolvingStep Step() const { return step_.load(); }
    bool StopPending() const { return stopRequested_.load(); }
    std::string StatusText() const;
    // The events posted since the last call, oldest first.
    std::deque<PlateSolvingEvent> TakeEvents();

    // One pass of the worker (its thread calls it in a loop; tests call it directly).
    void RunPass();

private:
    void Post(int32_t code, std::optional<double> solvedScale = std::nullopt);
    void Finish(int32_t code);
    void WaitForCapture();
    void PollUntilDone();
    void Pause(Clock::Duration duration);

    PlateSolvingResult& result_;
    IPlateSolvingCapture* capture_;
    Clock& clock_;
    std::atomic<PlateSolvingStep> step_{PlateSolvingStep::Idle};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> quit_{false};

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<IPlateSolvingStrategy> strategy_;
    std::string filePath_;
    bool recordNewFile_ = false;
    std::string statusText_;
    std::deque<PlateSolvingEvent> events_;
    std::thread thread_;
};

}  // namespace orva
