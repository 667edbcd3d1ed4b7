#include "events/PlanetariumHandoff.h"

#include "common/DecimalText.h"
#include "common/Log.h"
#include "common/TextFormats.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace orva {
namespace {

// Connecting to and sending over the loopback never takes long; a planetarium that hangs
// with a full backlog must not hang the window either.
constexpr int kSocketTimeoutSec = 2;

class Socket {
public:
    Socket() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace

PlanetariumHandoff::PlanetariumHandoff(ProcessLauncher& launcher, const Clock& clock, uint16_t port)
    : launcher_(launcher), clock_(clock), port_(port) {}

std::string PlanetariumHandoff::ParameterValue(std::string_view name) {
    std::string value(name);
    for (char& c : value) {
        if (c == ';' || c == '=') c = ' ';
    }
    return value;
}

std::string PlanetariumHandoff::ParameterText(const OwEvent& event, const std::optional<Site>& site) {
    std::string siteText;
    if (site) {
        siteText = "lat=" + FormatFixed(site->latitudeDeg, 6) + ";lon=" + FormatFixed(site->longitudeDeg, 6) + ";";
        LogMessageString("I Using custom site for C2A: ", siteText);
    }
    return "/ow versionC2aMin=2043;ra=" + FormatFixed(event.StarRaHours, 6) + ";de=" +
           FormatFixed(event.StarDecDegrees, 6) + ";fieldX=0.45;fieldY=0.45;eventTime=" +
           FormatEventTimeSlashed(event.EventTime) + ";starName=" + ParameterValue(event.StarName) +
           ";astName=" + ParameterValue(event.AsteroidName) + ";" + siteText +
           "displayAsteroid=False;loadAsteroid=False;catalogPolicy=eventCatalog;forcedCatalog=UCAC4;"
           "singleInstance=True;mapType=equatorial;horizontalSymetry=False;verticalSymetry=False;rotation=0;"
           "timeBefore=0;prepointTrack=True;";
}

PlanetariumHandoff::Step PlanetariumHandoff::Begin(const std::string& programPath, const std::string& parameterText) {
    text_ = parameterText;
    busy_ = true;
    pid_ = -1;
    startFailure_ = 0;
    outcome_ = Outcome::None;
    if (ProcessLauncher::IsRunning(ProcessLauncher::FileNameOf(programPath))) return Finish();

    LogMessage("I Need to start a new instance of C2A...");
    const ProcessLauncher::Started started = launcher_.Start({programPath});
    if (!started.ok()) {
        startFailure_ = started.result;
        LogMessageInt("W Failed to start C2A, last error ", -started.result);
        return Finish();
    }
    pid_ = started.pid;
    deadline_ = clock_.Now() + kStartWait;
    return Poll();
}

PlanetariumHandoff::Step PlanetariumHandoff::Poll() {
    if (!busy_) return Step::Done;
    if (launcher_.Poll(pid_) != ProcessLauncher::ChildState::Running) {
        LogMessage("W C2A ended early.");
        return Finish();
    }
    if (clock_.Now() < deadline_) return Step::Waiting;
    LogMessage("I C2A running.");
    return Finish();
}

PlanetariumHandoff::Step PlanetariumHandoff::Finish() {
    busy_ = false;
    LogMessageString("I Forwarding event parameters to C2A... ", text_);
    const bool sent = SendToLoopback(port_, text_);
    if (!sent) LogMessage("W Failed to send the event parameters!");
    outcome_ = sent ? Outcome::Sent : Outcome::SendFailed;
    return Step::Done;
}

bool PlanetariumHandoff::SendToLoopback(uint16_t port, std::string_view text) {
    Socket socket;
    if (socket.fd() < 0) {
        LogMessageInt("E Failed to create socket", errno);
        return false;
    }
    const timeval timeout{kSocketTimeoutSec, 0};
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr) != 1) {
        LogMessageInt("E Failed to create serverAddr: ", errno);
        return false;
    }
    int result;
    do {
        result = ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        LogMessageInt("E Failed to connect socket: ", errno);
        return false;
    }
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(socket.fd(), text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            LogMessageInt("E Failed to send socket data: ", n < 0 ? errno : EIO);
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace orva
