#include "telescope/OutputLineSplitter.h"

namespace orva {

void OutputLineSplitter::Feed(std::string_view bytes) {
    for (char c : bytes) {
        const bool afterLineEnd = previous_ == '\r' || previous_ == '\n';
        previous_ = c;
        if (c == '\r' || (c == '\n' && !afterLineEnd)) {
            handler_(std::move(pending_));
            pending_.clear();
        } else if (c != '\n') {
            pending_ += c;
        }
    }
}

void OutputLineSplitter::Finish() {
    if (!pending_.empty()) handler_(std::move(pending_));
    pending_.clear();
    previous_ = '\n';
}

}  // namespace orva
