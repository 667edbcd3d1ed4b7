#pragma once
// A scriptable extension-unit transport for tests: records every call with the clock
// time it was made at, and answers reads from per-selector queues of scripted replies.
// Writes succeed unless a result was queued for them. Safe to call from several threads.

#include "camera/IExtensionUnitTransport.h"
#include "common/Clock.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace orva::test {

class FakeExtensionUnitTransport final : public IExtensionUnitTransport {
public:
    using Bytes = std::vector<uint8_t>;

    struct Call {
        bool isSet = false;
        uint8_t selector = 0;
        Bytes written;           // the bytes of a write
        std::size_t length = 0;  // the buffer length of either
        Clock::TimePoint at;
    };

    explicit FakeExtensionUnitTransport(const Clock& clock) : clock_(clock) {}

    // The next read of `selector` returns these bytes (a reply shorter than the buffer is
    // a failed read, as a real transport would report it).
    void QueueRead(uint8_t selector, Bytes reply) { Push(selector, Reply{kResultOk, std::move(reply), nullptr}); }
    void QueueReadFailure(uint8_t selector, int32_t code) { Push(selector, Reply{code, {}, nullptr}); }
    void QueueReadThrow(uint8_t selector, std::exception_ptr e) { Push(selector, Reply{kResultOk, {}, e}); }
    // Answer for reads of `selector` once its queue is empty; without one such reads fail.
    void SetDefaultRead(uint8_t selector, Bytes reply) {
        std::lock_guard lock(mutex_);
        defaults_[selector] = std::move(reply);
    }
    // Results of the next writes, in order, whatever their selector.
    void QueueWriteResult(int32_t code) {
        std::lock_guard lock(mutex_);
        writeResults_.push_back(code);
    }

    std::vector<Call> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // The bytes of every write to `selector`, in order.
    std::vector<Bytes> Writes(uint8_t selector) const {
        std::vector<Bytes> result;
        for (const Call& c : Calls()) {
            if (c.isSet && c.selector == selector) result.push_back(c.written);
        }
        return result;
    }

    int32_t SetControl(uint8_t selector, std::span<const uint8_t> data) override {
        std::lock_guard lock(mutex_);
        calls_.push_back(Call{true, selector, Bytes(data.begin(), data.end()), data.size(), clock_.Now()});
        if (writeResults_.empty()) return kResultOk;
        const int32_t code = writeResults_.front();
        writeResults_.pop_front();
        return code;
    }

    int32_t GetControl(uint8_t selector, std::span<uint8_t> data) override {
        std::optional<Reply> reply;
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(Call{false, selector, {}, data.size(), clock_.Now()});
            auto& queue = replies_[selector];
            if (!queue.empty()) {
                reply = std::move(queue.front());
                queue.pop_front();
            } else if (auto d = defaults_.find(selector); d != defaults_.end()) {
                reply = Reply{kResultOk, d->second, nullptr};
            }
        }
        if (!reply) return kResultFailed;
        if (reply->exception) std::rethrow_exception(reply->exception);
        if (reply->code < 0) return reply->code;
        if (reply->bytes.size() < data.size()) return kResultFailed;
        std::copy_n(reply->bytes.begin(), data.size(), data.begin());
        return reply->code;
    }

private:
    struct Reply {
        int32_t code;
        Bytes bytes;
        std::exception_ptr exception;
    };

    void Push(uint8_t selector, Reply r) {
        std::lock_guard lock(mutex_);
        replies_[selector].push_back(std::move(r));
    }

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    std::map<uint8_t, std::deque<Reply>> replies_;
    std::map<uint8_t, Bytes> defaults_;
    std::deque<int32_t> writeResults_;
};

}  // namespace orva::test
