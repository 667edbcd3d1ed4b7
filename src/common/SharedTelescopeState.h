#pragma once
// The last known telescope position, shared by the process: the telescope worker writes
// it, the ADV writer and the plate-solving window read it. It lives here, beside the
// other process-wide foundations, so that the recording library can read it without
// depending on the telescope library.
//
// Threads: any thread; the three values are written and read together under one lock.

#include <cstdint>
#include <mutex>

namespace orva {

class SharedTelescopeState {
public:
    struct Position {
        int32_t valid = 0;                  // 1 while a connected mount reports its position
        double rightAscensionHours = 0.0;
        double declinationDegrees = 0.0;
        bool operator==(const Position&) const = default;
    };

    // The process-wide state, created on first use.
    static SharedTelescopeState& Instance();

    SharedTelescopeState() = default;
    SharedTelescopeState(const SharedTelescopeState&) = delete;
    SharedTelescopeState& operator=(const SharedTelescopeState&) = delete;

    Position Read() const;
    void Write(const Position& position);
    // No telescope: not valid, both coordinates 0.
    void Reset();

private:
    mutable std::mutex mutex_;
    Position position_;
};

}  // namespace orva
