#include "support/IndiServerProcess.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace orva::test {

namespace {

int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (s >= 0) close(s);
    return port;
}

bool Listening(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = s >= 0 && connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (s >= 0) close(s);
    return ok;
}

}  // namespace

IndiServerProcess::IndiServerProcess() = default;

IndiServerProcess::~IndiServerProcess() { Kill(); }

std::string IndiServerProcess::ProgramId() const { return "127.0.0.1:" + std::to_string(port_) + "/" + kDevice; }

bool IndiServerProcess::Start() {
    port_ = FreePort();
    if (port_ == 0) return false;
    const std::string portText = std::to_string(port_);
    const std::string socketName = "orva-indi-test-" + portText;
    const std::string log = home_.File("indiserver.log");
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        // Its own process group, so Kill reaches the driver it starts as well.
        setpgid(0, 0);
        setenv("HOME", home_.Path().c_str(), 1);
        FILE* out = freopen(log.c_str(), "w", stdout);
        if (out) dup2(fileno(stdout), STDERR_FILENO);
        execlp("indiserver", "indiserver", "-p", portText.c_str(), "-u", socketName.c_str(), "-r", "0",
               "indi_simulator_telescope", static_cast<char*>(nullptr));
        _exit(127);
    }
    setpgid(pid_, pid_);
    // Waits for the real server to come up; it has no other way to say it is ready.
    for (int i = 0; i < 200; ++i) {
        if (Listening(port_)) return SetPollingPeriod();
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool IndiServerProcess::SetPollingPeriod() {
    // The simulator advances its mount once per poll; 20 ms instead of its 250 ms keeps a
    // tracking mount's end of slew within 0.3" of the target (15"/s x 20 ms).
    const std::string command = "indi_setprop -p " + std::to_string(port_) + " -t 5 '" + kDevice +
                                ".POLLING_PERIOD.PERIOD_MS=20' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

void IndiServerProcess::Kill() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGKILL);  // the group we created: our server and its driver
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

}  // namespace orva::test

// Debian's libindiclient keeps the devices and properties a server announced past the
// client's end (they hold one another), and it is not built with the sanitizers. Leak
// reports whose allocation stack lies in that library are therefore not ours; every
// other leak, and every AddressSanitizer error, still fails the INDI tests.
//
// LeakSanitizer asks the program for these defaults at exit. The definition lives here
// because a test that starts the INDI server is what pulls this file out of the support
// library into its program, and only such programs talk to the library.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libindiclient.so\n"; }
