#include "events/TextScan.h"

#include "events/NumberScan.h"

namespace orva {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

ScanResult ScanText(std::string_view text, std::string_view pattern) {
    ScanResult result;
    std::size_t t = 0;
    std::size_t p = 0;
    while (p < pattern.size()) {
        const std::string_view rest = text.substr(t);
        if (pattern.compare(p, 2, "%d") == 0) {
            const auto n = ScanInt32(rest);
            if (!n) break;
            result.values.push_back(n->value);
            t += n->end;
            p += 2;
        } else if (pattern.compare(p, 3, "%lf") == 0) {
            const auto n = ScanDouble(rest);
            if (!n) break;
            result.values.push_back(n->value);
            t += n->end;
            p += 3;
        } else if (pattern.compare(p, 3, "%*c") == 0) {
            if (t >= text.size()) break;
            ++t;
            p += 3;
        } else if (IsSpace(pattern[p])) {
            while (t < text.size() && IsSpace(text[t])) ++t;
            ++p;
        } else {
            if (t >= text.size() || text[t] != pattern[p]) break;
            ++t;
            ++p;
        }
    }
    return result;
}

}  // namespace orva
