#pragma once
// Ours: an HTTP server on 127.0.0.1 that answers each request path with scripted
// replies (status and body, sent as is, however malformed) and records the requests, so
// the web client and strategy meet real sockets and real HTTP framing.

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orva::test {

struct CannedReply {
    int status = 200;
    std::string body;
};

struct RecordedRequest {
    std::string method;
    std::string path;
    std::string headers;
    std::string body;
};

class CannedHttpServer {
public:
    CannedHttpServer();
    ~CannedHttpServer();

    // "127.0.0.1:<port>"
    std::string Server() const;
    // Replies for a path, used in order; the last one is repeated.
    void Reply(const std::string& path, CannedReply reply);
    std::vector<RecordedRequest> Requests() const;

private:
    void Serve();
    void Handle(int connection);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::map<std::string, std::deque<CannedReply>> replies_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};

}  // namespace orva::test
