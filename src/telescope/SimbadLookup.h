#pragma once
// Looks an object up by name at SIMBAD: one query at a time on a thread of its own, so
// the telescope window never waits; the window polls for the answer on its timer.
//
// Threads: Start, Busy, Poll and Cancel on the GUI thread; the query runs on the lookup's
// thread. The destructor cancels a query under way and joins it, so closing the window or
// shutting down never waits for SIMBAD's answer or the web client's time-outs.

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace orva {

struct SimbadAnswer {
    bool found = false;
    std::string message;      // the instruction line's text
    std::string coordinates;  // for the edit field, when found
    double rightAscensionHours = 0.0;
    double declinationDegrees = 0.0;
};

class SimbadLookup {
public:
    static constexpr const char* kDefaultServer = "simbad.cds.unistra.fr";
    static constexpr const char* kMarker = "Coordinates(ICRS,ep=J2000,eq=2000):";

    SimbadLookup() = default;
    ~SimbadLookup();
    SimbadLookup(const SimbadLookup&) = delete;
    SimbadLookup& operator=(const SimbadLookup&) = delete;

    // Starts a query. An answer at once (too short a name, a query still running) is
    // returned; otherwise Poll delivers it later.
    // server: host[:port] of the service (a loopback host is reached over plain HTTP).
    std::optional<SimbadAnswer> Start(const std::string& server, const std::string& identifier);
    bool Busy() const { return busy_.load(); }
    // The answer of the finished query, once.
    std::optional<SimbadAnswer> Poll();
    // Ends a query under way within about a second; it gives no answer. Start may follow.
    void Cancel();

    // The query path with the identifier percent-encoded.
    static std::string QueryPath(std::string_view identifier);
    static SimbadAnswer ParseAnswer(std::string_view body);

private:
    void Run(std::string server, std::string identifier);

    std::atomic<bool> busy_{false};
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::optional<SimbadAnswer> answer_;
    std::thread thread_;
};

}  // namespace orva
