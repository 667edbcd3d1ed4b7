#include "events/AnalysisLogReader.h"

#include "events/TextScan.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace orva {
namespace {

constexpr std::size_t kMaxLineBytes = 1023;
constexpr const char* kAotaTimesLine = "  Event time in UTC";
constexpr const char* kPyoteContainmentLine = "================= 0.95 containment";

// Hands out the file's lines as fgets with a 1024-byte buffer would: without their line
// end, each with a flag telling whether it was a bare line end.
class LineSource {
public:
    explicit LineSource(std::istream& in) : in_(in) {}

    bool Next(std::string& line) {
        if (pending_.empty()) {
            if (!std::getline(in_, pending_)) return false;
            if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
            ended_ = !in_.eof();
            chunked_ = false;
        }
        if (pending_.size() > kMaxLineBytes) {
            line = pending_.substr(0, kMaxLineBytes);
            pending_.erase(0, kMaxLineBytes);
            chunked_ = true;
            bare_ = false;
            return true;
        }
        line = std::move(pending_);
        pending_.clear();
        bare_ = line.empty() && ended_ && !chunked_;
        return true;
    }
    // The last line was nothing but a line end.
    bool Bare() const { return bare_; }

private:
    std::istream& in_;
    std::string pending_;
    bool ended_ = false;
    bool chunked_ = false;
    bool bare_ = false;
};

bool StartsWith(const std::string& line, std::string_view prefix) { return line.starts_with(prefix); }

// Seconds and accuracies that no analysis writes (negative, not finite, seconds of 60 or
// more) do not read.
bool Plausible(const AnalysisTime& t) {
    return t.seconds >= 0.0 && t.seconds < 60.0 && t.accuracySec >= 0.0 && t.accuracySec < 1e6 && t.hours >= 0 &&
           t.minutes >= 0;
}

std::optional<AnalysisTime> ReadAotaTime(const std::string& line) {
    // The times stand from the sixth character on; a shorter line holds none.
    if (line.size() <= 5) return std::nullopt;
    const ScanResult s = ScanText(std::string_view(line).substr(5), "%d %d %lf %*c%*c %lf");
    if (!s.Has(4)) return std::nullopt;
    const AnalysisTime t{static_cast<int>(s.values[0]), static_cast<int>(s.values[1]), s.values[2], s.values[3]};
    return Plausible(t) ? std::optional(t) : std::nullopt;
}

std::optional<AnalysisTime> ReadPyoteTime(const std::string& line, char which) {
    const std::string pattern = std::string(1, which) + ": [%d:%d:%lf]  {%lf,%lf}";
    const ScanResult s = ScanText(line, pattern);
    if (!s.Has(5)) return std::nullopt;
    const AnalysisTime t{static_cast<int>(s.values[0]), static_cast<int>(s.values[1]), s.values[2],
                         std::max(std::fabs(s.values[3]), std::fabs(s.values[4]))};
    return Plausible(t) ? std::optional(t) : std::nullopt;
}

void ParseAota(LineSource& lines, AnalysisLog& log) {
    std::string line;
    bool inTimes = false;
    bool dLineSeen = false;
    while (lines.Next(line)) {
        if (lines.Bare() || line.empty()) continue;
        if (!inTimes) {
            inTimes = StartsWith(line, kAotaTimesLine);
            continue;
        }
        const std::optional<AnalysisTime> t = ReadAotaTime(line);
        if (!dLineSeen) {
            dLineSeen = true;
            if (t) log.d = t;
        } else if (t) {
            log.r = t;
        }
    }
}

void ParsePyote(LineSource& lines, AnalysisLog& log) {
    enum class Looking { Containment, D, R } looking = Looking::Containment;
    std::string line;
    while (lines.Next(line)) {
        if (lines.Bare()) continue;
        switch (looking) {
            case Looking::Containment:
                if (StartsWith(line, kPyoteContainmentLine)) looking = Looking::D;
                break;
            case Looking::D:
                if (const auto t = ReadPyoteTime(line, 'D')) {
                    log.d = t;
                    looking = Looking::R;
                }
                break;
            case Looking::R:
                if (const auto t = ReadPyoteTime(line, 'R')) {
                    log.r = t;
                    looking = Looking::Containment;
                }
                break;
        }
    }
}

}  // namespace

AnalysisLog AnalysisLogReader::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return Parse(in);
}

AnalysisLog AnalysisLogReader::Parse(std::istream& in) {
    AnalysisLog log;
    log.kind = AnalysisLog::Kind::Unknown;
    LineSource lines(in);
    std::string line;
    if (!lines.Next(line)) return log;
    if (StartsWith(line, kAotaHeader)) {
        log.kind = AnalysisLog::Kind::Aota;
        log.headerLine = line;
        ParseAota(lines, log);
        return log;
    }
    while (lines.Bare() && lines.Next(line)) {
    }
    log.headerLine = line;
    if (StartsWith(line, kPyoteHeader)) {
        log.kind = AnalysisLog::Kind::Pyote;
        ParsePyote(lines, log);
    }
    return log;
}

}  // namespace orva
