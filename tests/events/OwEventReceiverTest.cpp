#include "events/OwEventReceiver.h"

#include "EventTestSupport.h"
#include "events/OwEventManager.h"
#include "events/OwEventMessage.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orva {
namespace {

using test::TempDir;
using test::Ticks;

// The sending program's side, as the feed documents it: connect, write one message,
// close the writing side, wait until the station closes the connection.
class FeedClient {
public:
    explicit FeedClient(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~FeedClient() { ::close(fd_); }
    bool Connected() const { return connected_; }
    // Writes as much as the station takes (it stops reading an oversized message).
    void Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
    }
    void Finish() {
        ::shutdown(fd_, SHUT_WR);
        char c;
        while (::read(fd_, &c, 1) > 0) {
        }
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

void SendMessage(const std::string& path, const std::string& message) {
    FeedClient client(path);
    ASSERT_TRUE(client.Connected());
    client.Send(message);
    client.Finish();
}

// Waits for the reader thread to finish handling connections; the reader is a real
// thread on a real socket, so this waits on its progress, not on a timer.
bool WaitHandled(const OwEventReceiver& receiver, uint64_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (receiver.HandledConnections() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

std::string Message(const std::string& asteroid, uint64_t time) {
    return R"({"EventTime":)" + std::to_string(time) + R"(,"AsteroidName":")" + asteroid +
           R"(","StarName":"TYC 1-2-3","StarMv":11.5,"MaxDurationSec":2.5})";
}

class EventFeedTest : public ::testing::Test {
protected:
    EventFeedTest() { options.socketPath = socketDir.File(OwEventReceiver::kSocketName); }

    test::LogCapture log;
    TempDir socketDir;
    TempDir dataDir;
    uint64_t now = Ticks(2024, 3, 5, 12);
    OwEventManager store{dataDir.Path(), [this] { return now; }};
    OwEventReceiver receiver{store.Inbox()};
    OwEventReceiver::Options options;
};

TEST_F(EventFeedTest, ThreeMessagesAreStoredAndBadOnesOnlyLogged) {
    ASSERT_TRUE(store.Load());
    ASSERT_TRUE(receiver.Start(options));
    SendMessage(options.socketPath, Message("(1) Ceres", Ticks(2024, 3, 5, 20)));
    SendMessage(options.socketPath, Message("(2) Pallas", Ticks(2024, 3, 5, 21)));
    SendMessage(options.socketPath, Message("(3) Juno", Ticks(2024, 3, 6, 1)));
    SendMessage(options.socketPath, R"({"EventTime":"tonight","AsteroidName":"(4) Vesta"})");
    SendMessage(options.socketPath, Message("(5) Astraea", Ticks(2024, 3, 5, 22)) +
                                        std::string(kOwEventMessageMaxBytes, ' '));
    ASSERT_TRUE(WaitHandled(receiver, 5));
    EXPECT_EQ(store.Count(), 0u);  // the feed's thread never touches the store

    store.Tick();
    std::vector<std::string> titles;
    for (const OwEvent* e : store.Events()) titles.push_back(e->GetTitle());
    EXPECT_EQ(titles, (std::vector<std::string>{"(1) Ceres occ. TYC 1-2-3", "(2) Pallas occ. TYC 1-2-3",
                                                "(3) Juno occ. TYC 1-2-3"}));
    EXPECT_EQ(store.Events()[0]->StarMag, 11.5);
    EXPECT_EQ(store.Events()[0]->OwEventInfoVersion, 1u);
    EXPECT_EQ(store.Events()[0]->EventMaxDurationSec, 2.5);
    EXPECT_EQ(log.MessagesStartingWith("I OwEventReceiver").size(), 5u);
    EXPECT_TRUE(log.Contains("W OwEventReceiver refused the message: no EventTime"));
    EXPECT_EQ(log.MessagesStartingWith("W OwEventReceiver read failed ").size(), 1u);
    // Only the two day files were written.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dataDir.Path() + "/Events")) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"events_20240305.xml", "events_20240306.xml"}));
}

TEST_F(EventFeedTest, EventsArriveAlsoBeforeTheStoreIsLoaded) {
    ASSERT_TRUE(receiver.Start(options));
    SendMessage(options.socketPath, Message("(1) Ceres", Ticks(2024, 3, 5, 20)));
    ASSERT_TRUE(WaitHandled(receiver, 1));
    store.Tick();
    EXPECT_EQ(store.Count(), 1u);
}

TEST_F(EventFeedTest, ConnectionOfAnotherUserIsRefused) {
    // The credential check is the real SO_PEERCRED one; the test makes its own user the
    // foreign one.
    options.allowedUid = ::geteuid() + 1;
    ASSERT_TRUE(receiver.Start(options));
    SendMessage(options.socketPath, Message("(1) Ceres", Ticks(2024, 3, 5, 20)));
    ASSERT_TRUE(WaitHandled(receiver, 1));
    EXPECT_EQ(store.Inbox().Size(), 0u);
    EXPECT_TRUE(log.Contains("W OwEventReceiver refused a connection of user " + std::to_string(::geteuid())));
    EXPECT_FALSE(log.Contains("I OwEventReceiver"));
}

TEST_F(EventFeedTest, EmptyMessageAndStalledClient) {
    options.readTimeout = std::chrono::milliseconds(50);
    ASSERT_TRUE(receiver.Start(options));
    SendMessage(options.socketPath, "");
    ASSERT_TRUE(WaitHandled(receiver, 1));
    EXPECT_TRUE(log.Contains("I OwEventReceiver Broken Pipe"));

    // A client that never finishes its message does not hold up the next one.
    FeedClient stalled(options.socketPath);
    stalled.Send(R"({"EventTime":)");
    SendMessage(options.socketPath, Message("(1) Ceres", Ticks(2024, 3, 5, 20)));
    ASSERT_TRUE(WaitHandled(receiver, 3));
    EXPECT_EQ(store.Inbox().Size(), 1u);
    EXPECT_EQ(log.MessagesStartingWith("W OwEventReceiver read failed ").size(), 1u);
}

// A client that sends a byte now and then, each well within the read time-out, is cut
// off when its connection time-out has passed; the feed then takes the next message.
TEST_F(EventFeedTest, AClientThatTricklesItsMessageIsCutOff) {
    options.readTimeout = std::chrono::hours(1);
    options.connectionTimeout = std::chrono::milliseconds(300);
    ASSERT_TRUE(receiver.Start(options));
    FeedClient trickling(options.socketPath);
    ASSERT_TRUE(trickling.Connected());
    const std::string message = Message("(1) Ceres", Ticks(2024, 3, 5, 20));
    // Sends until the station closes the connection (a send then fails), at most the
    // whole message: without the connection time-out it would be taken after ~20 s.
    std::size_t sent = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (receiver.HandledConnections() < 1 && sent < message.size() && std::chrono::steady_clock::now() < deadline) {
        trickling.Send(message.substr(sent++, 1));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(WaitHandled(receiver, 1));
    EXPECT_LT(sent, message.size()) << "cut off before the whole message was sent";
    EXPECT_TRUE(log.Contains("W OwEventReceiver read failed " + std::to_string(ETIMEDOUT)));
    EXPECT_EQ(store.Inbox().Size(), 0u);

    SendMessage(options.socketPath, Message("(2) Pallas", Ticks(2024, 3, 5, 21)));
    ASSERT_TRUE(WaitHandled(receiver, 2));
    EXPECT_EQ(store.Inbox().Size(), 1u);
}

// A sender that closes its side before the closing brace: refused, not taken as an event
// with the fields that happened to arrive.
TEST_F(EventFeedTest, AMessageCutShortIsRefused) {
    ASSERT_TRUE(receiver.Start(options));
    const std::string message = Message("(1) Ceres", Ticks(2024, 3, 5, 20));
    SendMessage(options.socketPath, message.substr(0, message.find(",\"StarName\"")));
    ASSERT_TRUE(WaitHandled(receiver, 1));
    EXPECT_EQ(store.Inbox().Size(), 0u);
    EXPECT_TRUE(log.Contains("W OwEventReceiver refused the message: the message is cut short or no object"));
}

TEST_F(EventFeedTest, StopDoesNotWaitForAStalledClient) {
    options.readTimeout = std::chrono::hours(1);
    ASSERT_TRUE(receiver.Start(options));
    FeedClient stalled(options.socketPath);
    stalled.Send("{");
    // The reader logs the connection before it reads.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!log.Contains("I OwEventReceiver") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(log.Contains("I OwEventReceiver"));
    receiver.Stop();  // would hang for the read time-out if it waited
    EXPECT_FALSE(receiver.IsRunning());
}

TEST_F(EventFeedTest, SocketIsPrivateAndRemovedAtStop) {
    ASSERT_TRUE(receiver.Start(options));
    struct stat info {};
    ASSERT_EQ(::lstat(options.socketPath.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    receiver.Stop();
    EXPECT_FALSE(receiver.IsRunning());
    EXPECT_NE(::lstat(options.socketPath.c_str(), &info), 0);
}

TEST_F(EventFeedTest, StaleSocketIsReplacedButALiveOneIsLeftAlone) {
    // A socket file left behind by a station that died.
    {
        OwEventReceiver dead(store.Inbox());
        ASSERT_TRUE(dead.Start(options));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        options.socketPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
        dead.Stop();
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
    }
    ASSERT_TRUE(receiver.Start(options));

    OwEventReceiver second(store.Inbox());
    EXPECT_FALSE(second.Start(options));
    EXPECT_EQ(log.MessagesStartingWith("E Failed to create the named pipe for OccultWatcher ").size(), 1u);
    SendMessage(options.socketPath, Message("(1) Ceres", Ticks(2024, 3, 5, 20)));
    ASSERT_TRUE(WaitHandled(receiver, 1));
    EXPECT_EQ(store.Inbox().Size(), 1u);
}

TEST_F(EventFeedTest, SocketPathPrefersTheRuntimeFolder) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string expected = runtime != nullptr && *runtime != '\0' ? std::string(runtime) + "/OrvaOwEvents"
                                                                        : "/data/OrvaOwEvents";
    EXPECT_EQ(OwEventReceiver::DefaultSocketPath("/data"), expected);
    options.socketPath = "/" + std::string(200, 'x') + "/OrvaOwEvents";
    EXPECT_FALSE(receiver.Start(options));
    EXPECT_TRUE(log.Contains("E Failed to create the named pipe for OccultWatcher 36"));  // ENAMETOOLONG
}

// The feed's thread delivers while the store's tick runs: clean under ThreadSanitizer.
TEST_F(EventFeedTest, FeedThreadAndTickRunTogether) {
    ASSERT_TRUE(store.Load());
    ASSERT_TRUE(receiver.Start(options));
    constexpr int kMessages = 40;
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        for (int i = 0; i < kMessages; ++i) {
            SendMessage(options.socketPath, Message("(" + std::to_string(i) + ") X", Ticks(2024, 3, 5, 13) + i));
        }
        sent = true;
    });
    while (!sent) {
        now += kEventTicksPerSecond / 5;
        store.Tick();
    }
    sender.join();
    ASSERT_TRUE(WaitHandled(receiver, kMessages));
    receiver.Stop();
    store.Tick();
    EXPECT_EQ(store.Count(), static_cast<std::size_t>(kMessages));
}

}  // namespace
}  // namespace orva
