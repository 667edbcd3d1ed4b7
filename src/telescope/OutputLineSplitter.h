#pragma once
// Cuts a program's output, arriving in reads of any size, into lines. CR and LF end a
// line; CR LF ends one line; an LF right after another line end forms nothing, while a
// CR always forms one (so a text and two CRs give the text's line and an empty line).
// A line cut by a read boundary is joined again, whatever the boundary falls on.
//
// Threads: one owner.

#include <functional>
#include <string>
#include <string_view>

namespace orva {

class OutputLineSplitter {
public:
    using LineHandler = std::function<void(std::string line)>;

    explicit OutputLineSplitter(LineHandler handler) : handler_(std::move(handler)) {}

    void Feed(std::string_view bytes);
    // At the end of the output: the text after the last line end, if any, is a line.
    void Finish();

private:
    LineHandler handler_;
    std::string pending_;
    char previous_ = '\n';  // as if the output started after a line end
};

}  // namespace orva
