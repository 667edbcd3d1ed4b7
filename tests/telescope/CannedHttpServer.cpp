#include "telescope/CannedHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace orva::test {

CannedHttpServer::CannedHttpServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

CannedHttpServer::~CannedHttpServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
}

std::string CannedHttpServer::Server() const { return "127.0.0.1:" + std::to_string(port_); }

void CannedHttpServer::Reply(const std::string& path, CannedReply reply) {
    std::lock_guard lock(mutex_);
    replies_[path].push_back(std::move(reply));
}

std::vector<RecordedRequest> CannedHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void CannedHttpServer::Serve() {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        Handle(connection);
        close(connection);
    }
}

void CannedHttpServer::Handle(int connection) {
    std::string data;
    char buffer[65536];
    std::size_t headerEnd = std::string::npos;
    std::size_t contentLength = 0;
    while (true) {
        if (headerEnd == std::string::npos) {
            headerEnd = data.find("\r\n\r\n");
            if (headerEnd != std::string::npos) {
                const std::size_t field = data.find("Content-Length:");
                if (field != std::string::npos && field < headerEnd) contentLength = std::stoul(data.substr(field + 15));
            }
        }
        if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + contentLength) break;
        pollfd p{connection, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return;
        const ssize_t n = read(connection, buffer, sizeof buffer);
        if (n <= 0) return;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    RecordedRequest request;
    const std::size_t space1 = data.find(' ');
    const std::size_t space2 = data.find(' ', space1 + 1);
    request.method = data.substr(0, space1);
    request.path = data.substr(space1 + 1, space2 - space1 - 1);
    request.headers = data.substr(0, headerEnd + 2);
    request.body = data.substr(headerEnd + 4, contentLength);
    CannedReply reply{404, "{}"};
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        auto it = replies_.find(request.path);
        if (it != replies_.end() && !it->second.empty()) {
            reply = it->second.front();
            if (it->second.size() > 1) it->second.pop_front();
        }
    }
    const std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " Canned\r\nContent-Length: " +
                                 std::to_string(reply.body.size()) + "\r\nConnection: close\r\n" +
                                 "\r\n" + reply.body;
    std::size_t sent = 0;
    while (sent < response.size()) {
        const ssize_t n = send(connection, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace orva::test
