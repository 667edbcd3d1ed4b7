#pragma once
// The last known telescope position: the telescope worker writes it, the ADV writer and
// the plate-solving window read it. The station's observing tools own the one instance;
// the class lives here so that the recording library can read it without depending on
// the telescope library.
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
