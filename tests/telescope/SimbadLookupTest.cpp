#include "telescope/SimbadLookup.h"

#include "support/LogCapture.h"
#include "telescope/WebClient.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

// Ours: an HTTP server on 127.0.0.1 that takes one connection, reads the request and
// never answers, as a SIMBAD that hangs does.
class SilentHttpServer {
public:
    SilentHttpServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        EXPECT_EQ(::listen(listener_, 4), 0);
        socklen_t size = sizeof(address);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            pollfd wait{listener_, POLLIN, 0};
            while (!stop_ && ::poll(&wait, 1, 50) == 0) {
            }
            if (stop_) return;
            connection_ = ::accept(listener_, nullptr, nullptr);
            char buffer[1024];
            if (connection_ >= 0 && ::read(connection_, buffer, sizeof buffer) > 0) requested_ = true;
        });
    }
    ~SilentHttpServer() {
        stop_ = true;
        thread_.join();
        if (connection_ >= 0) ::close(connection_);
        ::close(listener_);
    }
    std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }
    bool Requested() const { return requested_.load(); }

private:
    int listener_ = -1;
    int connection_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> requested_{false};
    std::thread thread_;
};

bool AwaitRequest(const SilentHttpServer& server) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!server.Requested() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
    return server.Requested();
}

// Closing the window (the look-up goes with its model) or cancelling must not wait for a
// server that never answers: the web client alone would wait out its time-outs (15 s
// and more) first.
TEST(SimbadLookup, AQueryToAServerThatNeverAnswersIsCancelledAtOnce) {
    test::LogCapture log;
    for (const bool destroy : {false, true}) {
        SilentHttpServer server;
        auto lookup = std::make_unique<SimbadLookup>();
        ASSERT_FALSE(lookup->Start(server.Server(), "M 42").has_value());
        ASSERT_TRUE(AwaitRequest(server));
        EXPECT_TRUE(lookup->Busy());
        const auto start = std::chrono::steady_clock::now();
        if (destroy) {
            lookup.reset();
        } else {
            lookup->Cancel();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "waited for the web client's time-out";
        if (!destroy) {
            EXPECT_FALSE(lookup->Busy());
            EXPECT_FALSE(lookup->Poll().has_value()) << "a cancelled query gives no answer";
        }
    }
    EXPECT_TRUE(log.Contains("I SIMBAD query cancelled for M 42"));
}

// A client whose flag is already set sends nothing.
TEST(WebClient, ACancelledClientSendsNothing) {
    SilentHttpServer server;
    std::atomic<bool> cancel{true};
    WebClient client;
    client.SetCancelFlag(&cancel);
    ASSERT_EQ(client.OpenSession(), 0);
    WebResponse response;
    EXPECT_EQ(client.SendRequest(server.Server(), "/", "GET", "", "", response), kWebCancelled);
    EXPECT_FALSE(server.Requested());
}

}  // namespace
}  // namespace orva
