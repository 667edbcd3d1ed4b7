#include "support/PlanetariumListener.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orva::test {

PlanetariumListener::PlanetariumListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(::listen(fd_, 4), 0);
    socklen_t size = sizeof(address);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    received_ = std::async(std::launch::async, [fd = fd_] {
        const int client = ::accept(fd, nullptr, nullptr);
        std::string text;
        char buffer[256];
        for (ssize_t n; client >= 0 && (n = ::read(client, buffer, sizeof(buffer))) > 0;) text.append(buffer, n);
        if (client >= 0) ::close(client);
        return text;
    });
}

PlanetariumListener::~PlanetariumListener() {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
}

}  // namespace orva::test
