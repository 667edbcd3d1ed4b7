#pragma once
// A stand-in of ours for the planetarium's port: listens on 127.0.0.1 (an ephemeral
// port), takes one connection and reads it to its end.
//
// Threads: the accept and read run on a thread of their own; Received waits for them.

#include <cstdint>
#include <future>
#include <string>

namespace orva::test {

class PlanetariumListener {
public:
    PlanetariumListener();
    ~PlanetariumListener();
    PlanetariumListener(const PlanetariumListener&) = delete;
    PlanetariumListener& operator=(const PlanetariumListener&) = delete;

    uint16_t Port() const { return port_; }
    // What the one connection sent, once it has closed.
    std::string Received() { return received_.get(); }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    std::future<std::string> received_;
};

}  // namespace orva::test
