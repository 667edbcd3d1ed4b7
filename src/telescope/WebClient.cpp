#include "telescope/WebClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <charconv>
#include <mutex>

namespace orva {

namespace {

void GlobalInit() {
    // libcurl's global set-up is not thread-safe; do it once for the process.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
    std::string* text;
    std::size_t limit;
    bool overflow = false;
};

size_t Append(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t bytes = size * count;
    if (sink->text->size() + bytes > sink->limit) {
        sink->overflow = true;
        return 0;  // makes libcurl abort the transfer
    }
    sink->text->append(data, bytes);
    return bytes;
}

// libcurl calls this while a transfer waits or moves; non-zero ends the transfer.
int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const std::atomic<bool>*>(user);
    return cancel != nullptr && cancel->load() ? 1 : 0;
}

std::string LocationHeader(std::string_view headers) {
    std::size_t start = 0;
    while (start < headers.size()) {
        std::size_t end = headers.find("\r\n", start);
        if (end == std::string_view::npos) end = headers.size();
        const std::string_view line = headers.substr(start, end - start);
        start = end + 2;
        constexpr std::string_view kName = "location:";
        if (line.size() < kName.size()) continue;
        bool match = true;
        for (std::size_t i = 0; i < kName.size() && match; ++i) {
            match = static_cast<char>(std::tolower(static_cast<unsigned char>(line[i]))) == kName[i];
        }
        if (!match) continue;
        std::string_view value = line.substr(kName.size());
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        return std::string(value);
    }
    return {};
}

}  // namespace

WebClient::WebClient() { GlobalInit(); }

WebClient::~WebClient() {
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

int32_t WebClient::OpenSession() {
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
    curl_ = curl_easy_init();
    return curl_ ? 0 : kWebNoSession;
}

std::optional<WebServerAddress> WebClient::ParseServer(std::string_view server) {
    WebServerAddress address;
    const std::size_t colon = server.find(':');
    address.host = std::string(server.substr(0, colon));
    if (address.host.empty()) return std::nullopt;
    for (char c : address.host) {
        // Host names and IPv4 addresses only; anything else could smuggle URL syntax.
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') return std::nullopt;
    }
    if (colon != std::string_view::npos) {
        const std::string_view port = server.substr(colon + 1);
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), address.port);
        if (error != std::errc() || end != port.data() + port.size() || address.port < 1 || address.port > 65535) {
            return std::nullopt;
        }
    }
    address.secure = !IsLoopbackHost(address.host);
    return address;
}

bool WebClient::IsLoopbackHost(std::string_view host) {
    if (host == "localhost") return true;
    in_addr address{};
    const std::string text(host);
    // inet_pton takes only the dotted-quad form, so "127.1" or "0x7f.1" are not loopback.
    return inet_pton(AF_INET, text.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

int32_t WebClient::SendRequest(std::string_view server, std::string_view path, std::string_view verb,
                               std::string_view body, std::string_view headers, WebResponse& response) {
    response = WebResponse{};
    if (!curl_) return kWebNoSession;
    const auto address = ParseServer(server);
    if (!address || path.empty() || path.front() != '/') return kWebBadServer;
    if (cancel_ != nullptr && cancel_->load()) return kWebCancelled;
    CURL* curl = static_cast<CURL*>(curl_);
    curl_easy_reset(curl);

    std::string url = address->secure ? "https://" : "http://";
    url += address->host;
    if (address->port) url += ":" + std::to_string(address->port);
    url += path;

    curl_slist* headerList = nullptr;
    std::size_t start = 0;
    while (start < headers.size()) {
        std::size_t end = headers.find("\r\n", start);
        if (end == std::string_view::npos) end = headers.size();
        if (end > start) headerList = curl_slist_append(headerList, std::string(headers.substr(start, end - start)).c_str());
        start = end + 2;
    }
    // libcurl would otherwise announce "Expect: 100-continue" before a large upload.
    headerList = curl_slist_append(headerList, "Expect:");

    Sink bodySink{&response.body, bodyLimit_};
    Sink headerSink{&response.headers, 64u * 1024u};
    const long timeoutMs = static_cast<long>(timeout_.count());
    const std::string verbText(verb);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 4 * timeoutMs);
    // A stalled transfer (below 1 byte/s for the time-out) ends it too.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, timeoutMs / 1000));
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, address->secure ? "https" : "http");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, verbText.c_str());
    if (verb == "POST") {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bodySink);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headerSink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, cancel_ != nullptr ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckCancel);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, cancel_);

    const CURLcode code = curl_easy_perform(curl);
    curl_slist_free_all(headerList);
    if (bodySink.overflow) return kWebBodyTooLarge;
    if (code == CURLE_ABORTED_BY_CALLBACK) return kWebCancelled;
    if (code != CURLE_OK) return kWebTransportFailure - static_cast<int32_t>(code);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    switch (response.status) {
        case 200:
        case 201:
        case 400:
            return 0;
        case 301:
        case 302:
            response.location = LocationHeader(response.headers);
            return response.location.empty() ? 500 : 0;
        default:
            return response.status > 0 ? static_cast<int32_t>(response.status) : kWebTransportFailure;
    }
}

}  // namespace orva
