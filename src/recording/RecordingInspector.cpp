#include "recording/RecordingInspector.h"

#include "processing/FrameTimestamp.h"
#include "processing/GpsStatusCsv.h"
#include "processing/ParseBinaryOverlay.h"
#include "recording/AdvReader.h"
#include "recording/FitsReader.h"
#include "recording/SerReader.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace orva {
namespace {

constexpr uint64_t kTicksPerMs = 10000;

std::string Number(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// Exactly "YYYY-MM-DDTHH:MM:SS.mmm", as the CSV and DATE-OBS carry it.
uint64_t ParseRecordTime(const std::string& text) {
    if (text.size() != 23) return 0;
    static constexpr char kPattern[] = "dddd-dd-ddTdd:dd:dd.ddd";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) return 0;
    }
    const auto field = [&](std::size_t at, std::size_t length) {
        return static_cast<uint16_t>(std::stoi(text.substr(at, length)));
    };
    CalendarTime t;
    t.year = field(0, 4);
    t.month = field(5, 2);
    t.day = field(8, 2);
    t.hour = field(11, 2);
    t.minute = field(14, 2);
    t.second = field(17, 2);
    t.milliseconds = field(20, 3);
    return FrameTimestampTicks(t);
}

// "1.500000000" seconds (EXPTIME) in milliseconds.
std::optional<double> ParseSeconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !(seconds >= 0.0)) return std::nullopt;
    return seconds * 1000.0;
}

// Reads frame records from the last row of successive frames; keeps the search position.
class RecordReader {
public:
    // `pixels` holds width x height samples; only the last row (and the row above) is read.
    std::optional<BinaryOverlay> Read(std::span<const uint16_t> pixels, int width, int height) {
        const int rows = std::min(height, 2);
        ParseBinaryOverlay(overlay_, pixels.subspan(static_cast<std::size_t>(height - rows) * width), width, rows);
        if (!overlay_.Valid) return std::nullopt;
        return overlay_;
    }

private:
    BinaryOverlay overlay_;
};

double ExposureMsOf(const BinaryOverlay& o) { return o.ExposureSec * 1000.0 + o.ExposureNs / 1e6; }

// Names like "x_10.fits" after "x_9.fits": digit runs compare by value.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            std::string na = a.substr(i, ei - i);
            std::string nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(';', start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

}  // namespace

std::optional<InspectedRecording> RecordingInspector::Inspect(const std::string& path, std::string& error) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        error = path + ": no such file";
        return std::nullopt;
    }
    if (std::filesystem::is_directory(status)) return InspectFitsFolder(path, error);
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    char head[16] = {};
    file.read(head, sizeof(head));
    if (file.gcount() == 0) {
        error = path + ": the file is empty";
        return std::nullopt;
    }
    const std::string start(head, static_cast<std::size_t>(file.gcount()));
    if (start.rfind("LUCAM-RECORDER", 0) == 0) return InspectSer(path, error);
    if (start.rfind(AdvFormat::kFileMagicText, 0) == 0) return InspectAdv(path, error);
    if (start.rfind("SIMPLE", 0) == 0) return InspectFits(path, error);
    if (start.rfind("FrameNr;", 0) == 0) return InspectCsv(path, error);
    error = path + ": not a recording (SER, ADV, FITS or GPS status CSV)";
    return std::nullopt;
}

std::optional<InspectedRecording> RecordingInspector::InspectSer(const std::string& path, std::string& error) {
    SerReader reader;
    if (!reader.Open(path)) {
        SerReader recovery;
        error = reader.Error();
        if (recovery.Open(path, SerReader::Mode::Recover)) {
            error = path + ": the recording was cut short (no frame count or time stamps); 'repair' rebuilds it from its " +
                    std::to_string(recovery.FrameCount()) + " complete frames";
        }
        return std::nullopt;
    }
    InspectedRecording r;
    r.path = path;
    r.format = "SER " + std::to_string(reader.Header().pixelDepth) + "-bit";
    r.width = static_cast<int>(reader.Header().width);
    r.height = static_cast<int>(reader.Header().height);
    // The reader has checked that the file holds every frame it counts: the buffer is no
    // larger than the file, and a file without frames (whatever size its header names)
    // needs none.
    std::vector<uint16_t> pixels;
    if (reader.FrameCount() > 0) pixels.resize(static_cast<std::size_t>(r.width) * r.height);
    RecordReader records;
    std::size_t differing = 0;
    for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
        if (!reader.ReadFrame(i, pixels)) {
            error = reader.Error();
            return std::nullopt;
        }
        TimelineFrame frame;
        frame.startTicks = i < reader.Timestamps().size() ? reader.Timestamps()[i] : 0;
        if (const auto o = records.Read(pixels, r.width, r.height)) {
            frame.frameNumber = o->FrameNr;
            frame.endTicks = FrameTimestampTicks(o->ToTime);
            if (!r.exposureMs) r.exposureMs = ExposureMsOf(*o);
            differing += FrameTimestampTicks(o->FromTime) != frame.startTicks;
        }
        r.frames.push_back(frame);
    }
    if (differing > 0) {
        r.problems.push_back(std::to_string(differing) +
                             " time stamps of the trailer differ from their frames' timing records");
    }
    return r;
}

std::optional<InspectedRecording> RecordingInspector::InspectAdv(const std::string& path, std::string& error) {
    AdvReader reader;
    if (!reader.Open(path)) {
        error = reader.Error();
        return std::nullopt;
    }
    InspectedRecording r;
    r.path = path;
    r.format = "ADV " + std::to_string(reader.BitDepth()) + "-bit";
    r.width = static_cast<int>(reader.Width());
    r.height = static_cast<int>(reader.Height());
    std::optional<uint8_t> numberChannel;
    for (std::size_t c = 0; c < reader.StatusChannels().size(); ++c) {
        if (reader.StatusChannels()[c].name == AdvFormat::kStatusChannels[AdvFormat::kVideoCameraFrameId].name) {
            numberChannel = static_cast<uint8_t>(c);
        }
    }
    for (const AdvLayout& layout : reader.Layouts()) {
        const auto compression = AdvReader::TagValue(layout.tags, AdvFormat::kCompressionTag);
        if (layout.id == AdvFormat::kFullImageLayout && compression) r.notes.push_back("compression: " + *compression);
    }
    if (!reader.Regions().empty()) {
        std::string regions = "regions of interest: " + std::to_string(reader.Regions().size());
        const char* separator = " (";
        for (const AdvRegion& region : reader.Regions()) {
            regions += separator + std::to_string(region.left) + "," + std::to_string(region.top) + " " +
                       std::to_string(region.width) + "x" + std::to_string(region.height);
            separator = "; ";
        }
        r.notes.push_back(regions + ")");
    }
    auto take = [&](uint32_t, const AdvFrame& frame) {
        TimelineFrame t;
        t.startTicks = AdvFormat::TicksOf(frame.start);
        t.endTicks = AdvFormat::TicksOf(frame.end);
        for (const AdvStatusValue& v : frame.status) {
            if (numberChannel && v.channel == *numberChannel) t.frameNumber = static_cast<int32_t>(v.integer);
        }
        if (!r.exposureMs && frame.start != 0 && frame.end >= frame.start) {
            r.exposureMs = static_cast<double>(frame.end - frame.start) / 1e6;
        }
        r.frames.push_back(t);
    };
    // Decoding compressed images is nearly all of the work: every core takes a share.
    reader.SetDecodeThreads(static_cast<int>(std::thread::hardware_concurrency()));
    if (!reader.ReadEachFrame(take)) {
        error = reader.Error();
        return std::nullopt;
    }
    return r;
}

std::optional<InspectedRecording> RecordingInspector::InspectFits(const std::string& path, std::string& error) {
    std::unique_ptr<FitsReaderResult> image;
    InspectedRecording r;
    try {
        image = FitsReader().Read(path);
        r.width = image->header->GetNaxis1();
        r.height = image->header->GetNaxis2();
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
        return std::nullopt;
    }
    if (r.width < 1 || r.height < 1 || image->pixels.size() != static_cast<std::size_t>(r.width) * r.height) {
        error = path + ": the image size does not match its samples";
        return std::nullopt;
    }
    r.path = path;
    r.format = "FITS 16-bit";
    const FitsHeaderData& h = *image->header;
    r.exposureMs = ParseSeconds(h.GetValue("EXPTIME"));
    if (!h.GetValue("IMAGETYP").empty()) r.notes.push_back("image type: " + h.GetValue("IMAGETYP"));
    TimelineFrame frame;
    frame.startTicks = ParseRecordTime(h.GetValue("DATE-OBS"));
    const std::string history = h.GetValue("HISTORY");
    if (history.rfind("AVG_", 0) == 0) {
        // The average of several frames: its last row is no timing record.
        r.notes.push_back("average of " + history.substr(4) + " frames");
    } else {
        RecordReader records;
        if (const auto o = records.Read(image->pixels, r.width, r.height)) {
            frame.frameNumber = o->FrameNr;
            frame.endTicks = FrameTimestampTicks(o->ToTime);
        }
    }
    r.frames.push_back(frame);
    return r;
}

std::optional<InspectedRecording> RecordingInspector::InspectFitsFolder(const std::string& path, std::string& error) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file(ec) && (ext == ".fits" || ext == ".fit")) names.push_back(entry.path().filename().string());
    }
    if (ec) {
        error = path + ": cannot be read: " + ec.message();
        return std::nullopt;
    }
    if (names.empty()) {
        error = path + ": a folder without FITS files";
        return std::nullopt;
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    InspectedRecording r;
    r.path = path;
    r.format = "FITS sequence";
    for (const std::string& name : names) {
        const auto one = InspectFits(path + "/" + name, error);
        if (!one) return std::nullopt;
        if (r.frames.empty()) {
            r.width = one->width;
            r.height = one->height;
            r.exposureMs = one->exposureMs;
        } else if (one->width != r.width || one->height != r.height) {
            error = path + "/" + name + ": " + std::to_string(one->width) + " x " + std::to_string(one->height) +
                    " differs from the sequence's " + std::to_string(r.width) + " x " + std::to_string(r.height);
            return std::nullopt;
        }
        r.frames.push_back(one->frames.front());
    }
    return r;
}

std::optional<InspectedRecording> RecordingInspector::InspectCsv(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    InspectedRecording r;
    r.path = path;
    r.format = "GPS status CSV";
    const std::string header(kGpsStatusCsvHeader, sizeof(kGpsStatusCsvHeader) - 2);  // without the CR
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        const bool terminated = end != std::string::npos;
        if (!terminated) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (terminated && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
        ++lineNumber;
        const std::string where = path + ": line " + std::to_string(lineNumber) + ": ";
        if (lineNumber == 1) {
            if (line != header) {
                error = where + "not the GPS status header";
                return std::nullopt;
            }
            continue;
        }
        if (line.empty()) continue;
        if (!terminated) {
            // The writer ends every line; a last line without its end was cut off.
            r.problems.push_back("the last line is incomplete (the file was cut short)");
            break;
        }
        const std::vector<std::string> fields = SplitFields(line);
        if (fields.size() != 14) {
            error = where + std::to_string(fields.size()) + " fields, 14 expected";
            return std::nullopt;
        }
        TimelineFrame frame;
        try {
            std::size_t used = 0;
            const long number = std::stol(fields[0], &used);
            if (used != fields[0].size() || number < INT32_MIN || number > INT32_MAX) throw std::invalid_argument("");
            frame.frameNumber = static_cast<int32_t>(number);
        } catch (const std::exception&) {
            error = where + "frame number '" + fields[0] + "' is not a number";
            return std::nullopt;
        }
        frame.startTicks = ParseRecordTime(fields[1]);
        frame.endTicks = ParseRecordTime(fields[2]);
        if (frame.startTicks == 0 || frame.endTicks == 0) {
            error = where + "time '" + (frame.startTicks == 0 ? fields[1] : fields[2]) + "' is not a UTC time";
            return std::nullopt;
        }
        if (!r.exposureMs && frame.endTicks >= frame.startTicks) {
            r.exposureMs = static_cast<double>(frame.endTicks - frame.startTicks) / kTicksPerMs;
        }
        r.frames.push_back(frame);
    }
    if (lineNumber == 0) {
        error = path + ": the file is empty";
        return std::nullopt;
    }
    return r;
}

std::optional<std::string> RecordingInspector::Unsound(const InspectedRecording& recording,
                                                       const TimelineFindings& findings) {
    if (!recording.problems.empty()) return recording.problems.front();
    if (findings.firstNotIncreasing) {
        return "the time stamps do not increase at frame " + std::to_string(*findings.firstNotIncreasing + 1);
    }
    if (findings.framesWithoutTime > 0) {
        return std::to_string(findings.framesWithoutTime) + " frames have no time stamp";
    }
    return std::nullopt;
}

std::vector<std::string> RecordingInspector::Report(const InspectedRecording& r, const TimelineFindings& f,
                                                    bool perFrame) {
    std::vector<std::string> lines;
    lines.push_back("file: " + r.path);
    lines.push_back("format: " + r.format);
    if (r.width > 0) lines.push_back("dimensions: " + std::to_string(r.width) + " x " + std::to_string(r.height));
    for (const std::string& note : r.notes) lines.push_back(note);
    lines.push_back("frames: " + std::to_string(f.frames));
    if (!r.frames.empty()) {
        lines.push_back("first time stamp: " + FormatTicks(r.frames.front().startTicks));
        lines.push_back("last time stamp: " + FormatTicks(r.frames.back().startTicks));
    }
    lines.push_back("exposure: " + (r.exposureMs ? Number(*r.exposureMs, "%.3f ms") : std::string("unknown")));
    if (f.firstNumber) {
        lines.push_back("frame numbers: " + std::to_string(*f.firstNumber) + " .. " + std::to_string(*f.lastNumber));
    }
    if (f.numberStep > 1) lines.push_back("frame number step: " + std::to_string(f.numberStep));
    lines.push_back("missed frames: " + std::to_string(f.missedFrames));
    for (const FrameNumberGap& g : f.gaps) {
        lines.push_back("missed: " + std::to_string(g.first) + " " + std::to_string(g.count));
    }
    for (const std::size_t i : f.repeatedNumbers) {
        lines.push_back("repeated frame number: frame " + std::to_string(i + 1) + " (" +
                        std::to_string(*r.frames[i].frameNumber) + ")");
    }
    for (const std::size_t i : f.restarts) {
        lines.push_back("frame numbers start again: frame " + std::to_string(i + 1) + " (" +
                        std::to_string(*r.frames[i].frameNumber) + ")");
    }
    if (!f.withoutRecord.empty()) {
        std::string which;
        for (std::size_t k = 0; k < f.withoutRecord.size() && k < 20; ++k) {
            which += (k == 0 ? "" : ", ") + std::to_string(f.withoutRecord[k] + 1);
        }
        if (f.withoutRecord.size() > 20) which += ", ...";
        lines.push_back("frames without a readable timing record: " + std::to_string(f.withoutRecord.size()) + " (frame " +
                        which + ")");
    }
    if (f.firstNotIncreasing) {
        lines.push_back("time stamps: not increasing at frame " + std::to_string(*f.firstNotIncreasing + 1));
    } else {
        lines.push_back("time stamps: increasing");
    }
    if (f.usualSpacingTicks != 0) {
        lines.push_back("time-stamp spacing: " + FormatSpacing(f.usualSpacingTicks) + " (min " +
                        FormatSpacing(f.minSpacingTicks) + ", max " + FormatSpacing(f.maxSpacingTicks) + ")");
    }
    for (const std::size_t i : f.pauses) {
        lines.push_back("pause: before frame " + std::to_string(i + 1) + ": " +
                        FormatSpacing(r.frames[i].startTicks - r.frames[i - 1].startTicks));
    }
    if (perFrame) {
        for (std::size_t i = 0; i < r.frames.size(); ++i) {
            const TimelineFrame& t = r.frames[i];
            lines.push_back("frame " + std::to_string(i + 1) + ": number " +
                            (t.frameNumber ? std::to_string(*t.frameNumber) : std::string("unknown")) + ", start " +
                            FormatTicks(t.startTicks) + ", end " + FormatTicks(t.endTicks));
        }
    }
    return lines;
}

}  // namespace orva
