#pragma once
// The event feed: OccultWatcher (or any program of the same user) connects to a Unix
// domain socket, writes one event message and closes its side. The receiver reads the
// message to its end (at most kOwEventMessageMaxBytes), builds the event and puts it into
// the store's inbox; the store's tick files it. Connections from other users are refused.
//
// Socket: "$XDG_RUNTIME_DIR/OrvaOwEvents", or "<data folder>/OrvaOwEvents" without a
// runtime folder; mode 0600. A stale socket file of an earlier run is replaced; a live one
// (another station listening) is left alone and the feed does not start.
//
// Threads: Start and Stop on the owner's thread; one reader thread of its own in between,
// which only touches the socket, the log and the inbox (locked). Stop wakes the reader,
// joins it and removes the socket file. A client that stalls is dropped after the read
// time-out, and every client once its connection time-out has passed, so none can hold
// up the feed.

#include "events/OwEventInbox.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <thread>

namespace orva {

class OwEventReceiver {
public:
    static constexpr const char* kSocketName = "OrvaOwEvents";

    struct Options {
        std::string socketPath;
        // Connections from any other user id are refused.
        uid_t allowedUid = static_cast<uid_t>(-1);  // -1: the process's effective user
        // The longest wait for the next bytes of a message.
        std::chrono::milliseconds readTimeout{5000};
        // The longest a connection may take, however its bytes trickle in: the sender
        // writes its message at once, so a few seconds are plenty.
        std::chrono::milliseconds connectionTimeout{3000};
    };

    // The socket path for a data folder: in $XDG_RUNTIME_DIR when set, else in the folder.
    static std::string DefaultSocketPath(const std::string& dataDirectory);

    explicit OwEventReceiver(OwEventInbox& inbox) : inbox_(inbox) {}
    ~OwEventReceiver();
    OwEventReceiver(const OwEventReceiver&) = delete;
    OwEventReceiver& operator=(const OwEventReceiver&) = delete;

    // Creates the socket and starts the reader. False (logged) when the socket could not
    // be created; the station then runs without the feed.
    bool Start(const Options& options);
    void Stop();
    bool IsRunning() const { return thread_.joinable(); }

    // Messages handled so far (taken, refused, failed): lets a caller wait for the reader.
    uint64_t HandledConnections() const { return handled_.load(); }

private:
    void Run();
    void Serve(int client);

    OwEventInbox& inbox_;
    Options options_;
    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
    std::atomic<uint64_t> handled_{0};
};

}  // namespace orva
