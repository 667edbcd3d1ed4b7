#pragma once
// One connection to an INDI server through the INDI client library, and our own copy of
// the properties its devices offer.
//
// The library delivers definitions and updates on its listener thread. We never read
// the library's property objects from another thread: each callback copies what it
// carries into our snapshot under our lock, and every send builds a property object of
// its own, so the library's store is touched by its listener thread alone.
//
// Threads: the owner (the telescope worker) calls everything; the library's listener
// thread only runs the callbacks. Waits wake on every update and on the loss of the
// server.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orva {

enum class IndiState { Idle, Ok, Busy, Alert };

struct IndiElement {
    std::string label;
    double number = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
    bool on = false;  // switches
    std::string text;
};

struct IndiProperty {
    IndiState state = IndiState::Idle;
    std::vector<std::pair<std::string, IndiElement>> elements;  // in the driver's order
    uint64_t generation = 0;  // grows with every definition or update

    const IndiElement* Find(const std::string& name) const;
};

struct IndiDeviceInfo {
    std::string name;
    std::string driverName;
    std::string driverVersion;
    uint32_t interfaces = 0;  // DRIVER_INTERFACE bits
};

class IndiClient {
public:
    static constexpr uint32_t kTelescopeInterface = 1u;

    IndiClient();
    ~IndiClient();
    IndiClient(const IndiClient&) = delete;
    IndiClient& operator=(const IndiClient&) = delete;

    // Connects and asks for every device's properties. False when the server can't be reached.
    bool Connect(const std::string& host, int port);
    bool ServerConnected() const;
    // True once the server went away after a successful Connect.
    bool ServerLost() const;

    std::vector<IndiDeviceInfo> Devices() const;
    std::optional<IndiProperty> Property(const std::string& device, const std::string& name) const;

    // Waits until the predicate holds over the snapshot, the server is lost or the time
    // runs out; the predicate runs under the lock and sees the current snapshot.
    using Predicate = std::function<bool()>;
    bool WaitUntil(const Predicate& predicate, std::chrono::milliseconds timeout);
    // Predicate helpers for WaitUntil (call only inside it).
    const IndiProperty* PropertyLocked(const std::string& device, const std::string& name) const;

    // Sends new values of elements of one property. False when the server is gone.
    bool SendNumbers(const std::string& device, const std::string& name,
                     const std::vector<std::pair<std::string, double>>& values);
    bool SendSwitches(const std::string& device, const std::string& name,
                      const std::vector<std::pair<std::string, bool>>& states);

private:
    class Listener;
    friend class Listener;

    std::unique_ptr<Listener> listener_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::map<std::string, IndiProperty>> devices_;
    bool connected_ = false;
    bool lost_ = false;
    uint64_t generation_ = 0;
};

}  // namespace orva
