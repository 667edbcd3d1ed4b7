#pragma once
// The small HTTP client of plate solving (and of the SIMBAD look-up): one request at a
// time, each over its own connection, with 15 s time-outs, no redirects followed and a
// cap on the size of the answer.
//
// Transport security follows the server: a host on the loopback address (a local
// solving server) is reached over plain HTTP; every other host over HTTPS with the
// certificate and host name verified, so an API key never crosses a network in clear.
//
// Threads: one client is used by one thread at a time; only its cancel flag is set from
// another.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orva {

// Failures of SendRequest besides an unexpected HTTP status (which is returned as is).
inline constexpr int32_t kWebNoSession = -1;
inline constexpr int32_t kWebBadServer = -2;
inline constexpr int32_t kWebBodyTooLarge = -3;
inline constexpr int32_t kWebCancelled = -4;
// A transport failure is this minus libcurl's error number.
inline constexpr int32_t kWebTransportFailure = -1000;

struct WebResponse {
    long status = 0;
    std::string body;
    std::string headers;   // raw response headers
    std::string location;  // of a 301 or 302 answer
};

struct WebServerAddress {
    std::string host;
    int port = 0;  // 0: the scheme's default
    bool secure = true;
};

class WebClient {
public:
    static constexpr const char* kAgent = "OrvaZuvArovudu";
    static constexpr std::size_t kDefaultBodyLimit = 4u << 20;

    WebClient();
    ~WebClient();
    WebClient(const WebClient&) = delete;
    WebClient& operator=(const WebClient&) = delete;

    // 0, or -1 when the session cannot be opened.
    int32_t OpenSession();

    // A server text is a host name, optionally followed by a colon and a port number.
    // Empty for an empty host or a port that is not a number in 1..65535.
    static std::optional<WebServerAddress> ParseServer(std::string_view server);
    static bool IsLoopbackHost(std::string_view host);

    // Sends one request; `headers` are CRLF-terminated lines. 0 when an answer with
    // status 200, 201, 400, 301 or 302 arrived (its body and headers in `response`);
    // otherwise the unexpected HTTP status, or a negative failure above.
    int32_t SendRequest(std::string_view server, std::string_view path, std::string_view verb, std::string_view body,
                        std::string_view headers, WebResponse& response);

    void SetBodyLimit(std::size_t bytes) { bodyLimit_ = bytes; }
    void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    // A flag another thread may set to end the request under way (within about a second;
    // it then returns kWebCancelled) and every later one at once. None: not cancellable.
    void SetCancelFlag(const std::atomic<bool>* cancel) { cancel_ = cancel; }

private:
    void* curl_ = nullptr;  // the libcurl easy handle: the session
    std::size_t bodyLimit_ = kDefaultBodyLimit;
    std::chrono::milliseconds timeout_{15000};
    const std::atomic<bool>* cancel_ = nullptr;
};

}  // namespace orva
