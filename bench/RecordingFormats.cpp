// The recording formats' costs on the frame path.
// - LAGARITH16 encoding and decoding in MB/s of raw frame data, with the compression
//   ratio, on simulated star fields (1920 x 1200 and 3072 x 2048) and a dark frame, all
//   12-bit data in 16-bit words; zstd (levels 1 and 3) and lz4 on the same frames, the
//   general-purpose peers a user could have chosen. The camera delivers a 1920 x 1200
//   frame every 25 ms: encoding must take well under that on one core. vs_camera is the
//   rate over the camera's fastest, 1920 x 1200 x 2 bytes x 40 frames/s = 184 MB/s. All
//   rates are by the wall clock, the decoding on several threads included: run on a
//   quiet machine.
// - LAGARITH16 encoding on the recording's pool of encoding threads (1 and 2 workers):
//   frames/s of 1920 x 1200 star fields, each copied into a slot and its block taken back
//   in order as the writer does, and x_full_rate, the rate over the camera's fastest
//   full-frame rate of 40 frames/s.
// - Reading a whole LAGARITH16 recording of 1920 x 1200 frames from a file, as the
//   inspection does, with its images decoded on 1 and 2 threads: MB/s of decoded frames
//   and vs_camera. A recording is read at least twice as fast as it was recorded.
// - The count normalisation's worst case: one dominant value and every other value once,
//   where walking the list one step at a time would take some 10^9 steps.
// - The SER and ADV writers' throughput to a file against plain write() of the same bytes,
//   interleaved round by round.

#include "recording/AdvReader.h"
#include "recording/AdvWriter.h"
#include "recording/Lagarith16Decoder.h"
#include "recording/Lagarith16EncodePool.h"
#include "recording/Lagarith16Encoder.h"
#include "recording/SerWriter.h"
#include "simcam/SkyRenderer.h"

#include <benchmark/benchmark.h>
#include <lz4.h>
#include <zstd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <utility>
#include <numeric>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Frame = std::vector<uint16_t>;

enum FrameKind { kStars1920, kStars3072, kDark1920, kDominant1920 };

const char* KindName(int kind) {
    switch (kind) {
        case kStars1920: return "stars 1920x1200";
        case kStars3072: return "stars 3072x2048";
        case kDark1920: return "dark 1920x1200";
        default: return "one value, all others once, 1920x1200";
    }
}

// A rendered sky (or a dark frame: no stars, no background) with a black level, as the
// camera's 12-bit samples stand in bits 4..15.
Frame RenderFrame(int kind, int32_t frameNumber) {
    const int width = kind == kStars3072 ? 3072 : 1920;
    const int height = kind == kStars3072 ? 2048 : 1200;
    Frame frame(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (kind == kDominant1920) {
        std::fill(frame.begin(), frame.end(), uint16_t{0x8000});
        for (uint32_t v = 0; v < 65536; ++v) {
            if (v != 0x8000) frame[static_cast<std::size_t>(v) * 35 % frame.size()] = static_cast<uint16_t>(v);
        }
        return frame;
    }
    orva::SimSkyConfig sky;
    if (kind == kDark1920) {
        sky.starCount = 0;
        sky.targetPeak = 0.0;
        sky.backgroundCounts = 0.0;
    }
    orva::SkyRenderer renderer(sky);
    renderer.Configure({width, height, 0, 0, width, height, 1});
    renderer.Render({frameNumber, frameNumber * int64_t{25'000'000}, 40.0, 1.0, false}, frame);
    for (uint16_t& p : frame) p = static_cast<uint16_t>(std::min(p + 240, 4095) << 4);
    return frame;
}

// Frame 1 of a kind, or the one after it (the simulator's noise does not repeat).
const Frame& FrameOf(int kind, int32_t frameNumber = 1) {
    static std::map<std::pair<int, int32_t>, Frame> frames;
    const auto key = std::make_pair(kind, frameNumber);
    auto it = frames.find(key);
    if (it == frames.end()) it = frames.emplace(key, RenderFrame(kind, frameNumber)).first;
    return it->second;
}

double RawBytes(const Frame& f) { return 2.0 * static_cast<double>(f.size()); }

constexpr double kCameraBytesPerSecond = 1920.0 * 1200.0 * 2.0 * 40.0;

using Clock = std::chrono::steady_clock;

// `bytes` of frames taken per iteration since `start`, by the wall clock (as the
// benchmarks' own time): in bytes/s, MB/s (10^6) and against the camera.
void ReportRate(benchmark::State& state, double bytes, Clock::time_point start) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double rate = bytes * static_cast<double>(state.iterations()) / seconds;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.counters["MB/s"] = rate / 1e6;
    state.counters["vs_camera"] = rate / kCameraBytesPerSecond;
}

void Report(benchmark::State& state, const Frame& frame, std::size_t compressed, Clock::time_point start,
            int framesPerIteration = 1) {
    state.SetLabel(KindName(static_cast<int>(state.range(0))));
    ReportRate(state, framesPerIteration * RawBytes(frame), start);
    state.counters["ratio"] = RawBytes(frame) / static_cast<double>(compressed);
}

void Lagarith16Encode(benchmark::State& state) {
    const Frame& frame = FrameOf(static_cast<int>(state.range(0)));
    orva::Lagarith16Encoder encoder;
    std::size_t size = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        size = encoder.Encode(frame.data(), frame.size()).size();
        benchmark::ClobberMemory();
    }
    Report(state, frame, size, start);
}

constexpr double kCameraFramesPerSecond = 40.0;
constexpr int32_t kPoolFrames = 8;  // different star fields, in turn

void Lagarith16EncodePool(benchmark::State& state) {
    const int workers = static_cast<int>(state.range(0));
    orva::Lagarith16EncodePool pool(workers);
    const std::size_t samples = FrameOf(kStars1920).size();
    pool.Prepare(samples);
    for (int32_t n = 1; n <= kPoolFrames; ++n) FrameOf(kStars1920, n);  // rendered before the clock starts
    std::size_t codedBytes = 0;
    int64_t taken = 0;
    auto take = [&](std::span<const uint8_t> block) {
        codedBytes += block.size();
        ++taken;
        pool.ReleaseHead();
    };
    int32_t n = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        while (pool.IsFull()) take(pool.WaitHead());
        const Frame& frame = FrameOf(kStars1920, 1 + n++ % kPoolFrames);
        std::copy(frame.begin(), frame.end(), pool.NextSamples());
        pool.Submit();
        while (auto block = pool.FinishedHead()) take(*block);
    }
    while (pool.Queued() > 0) take(pool.WaitHead());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double framesPerSecond = static_cast<double>(taken) / seconds;
    state.SetLabel(std::string(KindName(kStars1920)) + ", " + std::to_string(workers) + (workers == 1 ? " worker" : " workers"));
    state.counters["frames/s"] = framesPerSecond;
    state.counters["x_full_rate"] = framesPerSecond / kCameraFramesPerSecond;
    state.counters["ratio"] = RawBytes(FrameOf(kStars1920)) * static_cast<double>(taken) / static_cast<double>(codedBytes);
}

void Lagarith16Decode(benchmark::State& state) {
    const Frame& frame = FrameOf(static_cast<int>(state.range(0)));
    orva::Lagarith16Encoder encoder;
    const auto span = encoder.Encode(frame.data(), frame.size());
    const std::vector<uint8_t> block(span.begin(), span.end());
    orva::Lagarith16Decoder decoder;
    Frame decoded(frame.size());
    orva::Lagarith16Error error;
    const auto start = Clock::now();
    for (auto _ : state) {
        if (!decoder.Decode(block, decoded, error)) state.SkipWithError(error.what.c_str());
        benchmark::ClobberMemory();
    }
    if (decoded != frame) state.SkipWithError("decoded frame differs");
    Report(state, frame, block.size(), start);
}

// Two consecutive frames decoded in one interleaved pass, as a reader going through a
// recording can: the rate counts both frames' raw bytes.
void Lagarith16DecodeTwo(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const Frame& frame = FrameOf(kind);
    const Frame& nextFrame = FrameOf(kind, 2);
    orva::Lagarith16Encoder encoder;
    const auto span = encoder.Encode(frame.data(), frame.size());
    const std::vector<uint8_t> block(span.begin(), span.end());
    const auto nextSpan = encoder.Encode(nextFrame.data(), nextFrame.size());
    const std::vector<uint8_t> nextBlock(nextSpan.begin(), nextSpan.end());
    orva::Lagarith16Decoder decoder;
    Frame decoded(frame.size());
    Frame nextDecoded(frame.size());
    const auto start = Clock::now();
    for (auto _ : state) {
        orva::Lagarith16Job first(block, decoded);
        orva::Lagarith16Job second(nextBlock, nextDecoded);
        decoder.DecodeTwo(first, second);
        if (!first.ok || !second.ok) state.SkipWithError("decoding failed");
        benchmark::ClobberMemory();
    }
    if (decoded != frame || nextDecoded != nextFrame) state.SkipWithError("decoded frame differs");
    Report(state, frame, block.size(), start, 2);
}

void ZstdCompress(benchmark::State& state) {
    const Frame& frame = FrameOf(static_cast<int>(state.range(0)));
    const int level = static_cast<int>(state.range(1));
    std::vector<char> out(ZSTD_compressBound(frame.size() * 2));
    ZSTD_CCtx* context = ZSTD_createCCtx();
    std::size_t size = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        size = ZSTD_compressCCtx(context, out.data(), out.size(), frame.data(), frame.size() * 2, level);
        benchmark::ClobberMemory();
    }
    ZSTD_freeCCtx(context);
    Report(state, frame, size, start);
    state.SetLabel(std::string(KindName(static_cast<int>(state.range(0)))) + ", zstd " + std::to_string(level));
}

void ZstdDecompress(benchmark::State& state) {
    const Frame& frame = FrameOf(static_cast<int>(state.range(0)));
    const int level = static_cast<int>(state.range(1));
    std::vector<char> packed(ZSTD_compressBound(frame.size() * 2));
    packed.resize(ZSTD_compress(packed.data(), packed.size(), frame.data(), frame.size() * 2, level));
    Frame decoded(frame.size());
    ZSTD_DCtx* context = ZSTD_createDCtx();
    const auto start = Clock::now();
    for (auto _ : state) {
        ZSTD_decompressDCtx(context, decoded.data(), decoded.size() * 2, packed.data(), packed.size());
        benchmark::ClobberMemory();
    }
    ZSTD_freeDCtx(context);
    if (decoded != frame) state.SkipWithError("decoded frame differs");
    Report(state, frame, packed.size(), start);
    state.SetLabel(std::string(KindName(static_cast<int>(state.range(0)))) + ", zstd " + std::to_string(level));
}

void Lz4Compress(benchmark::State& state) {
    const Frame& frame = FrameOf(static_cast<int>(state.range(0)));
    const int rawBytes = static_cast<int>(frame.size() * 2);
    std::vector<char> out(static_cast<std::size_t>(LZ4_compressBound(rawBytes)));
    int size = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        size = LZ4_compress_default(reinterpret_cast<const char*>(frame.data()), out.data(), rawBytes,
                                    static_cast<int>(out.size()));
        benchmark::ClobberMemory();
    }
    Report(state, frame, static_cast<std::size_t>(size), start);
}

void Lz4Decompress(benchmark::State& state) {
    const Frame& frame = FrameOf(static_cast<int>(state.range(0)));
    const int rawBytes = static_cast<int>(frame.size() * 2);
    std::vector<char> packed(static_cast<std::size_t>(LZ4_compressBound(rawBytes)));
    packed.resize(static_cast<std::size_t>(LZ4_compress_default(reinterpret_cast<const char*>(frame.data()), packed.data(),
                                                                rawBytes, static_cast<int>(packed.size()))));
    Frame decoded(frame.size());
    const auto start = Clock::now();
    for (auto _ : state) {
        LZ4_decompress_safe(packed.data(), reinterpret_cast<char*>(decoded.data()), static_cast<int>(packed.size()), rawBytes);
        benchmark::ClobberMemory();
    }
    if (decoded != frame) state.SkipWithError("decoded frame differs");
    Report(state, frame, packed.size(), start);
}

// The scaled counts of the dominant-value frame: one large count and 65535 ones, far
// above 2^20 in total. The step-by-step walk takes one pass per excess unit, each pass
// looking up the last count above 1 from the end of the list.
void NormalizeWorstCase(benchmark::State& state) {
    const double n = 1920.0 * 1200.0;
    std::vector<uint32_t> scaled(65536, 1);
    scaled[0] = static_cast<uint32_t>((n - 65535.0) * 1048576.0 / n + 0.5);
    const uint64_t total = std::accumulate(scaled.begin(), scaled.end(), uint64_t{0});
    std::vector<uint32_t> counts;
    for (auto _ : state) {
        counts = scaled;
        orva::Lagarith16Encoder::NormalizeCounts(counts.data(), counts.size());
        benchmark::ClobberMemory();
    }
    state.counters["excess"] = static_cast<double>(total - orva::Lagarith16Encoder::kTotalFrequency);
    state.counters["walk_steps"] = static_cast<double>(total - orva::Lagarith16Encoder::kTotalFrequency) * 65536.0;
}

std::string ScratchFile(const char* name) {
    const char* base = std::getenv("TMPDIR");
    const std::string folder = std::string(base != nullptr ? base : "/tmp") + "/orva-bench-formats";
    std::filesystem::create_directories(folder);
    return folder + "/" + name;
}

orva::BinaryOverlay Overlay(int32_t frameNr) {
    orva::BinaryOverlay o;
    o.Valid = true;
    o.FrameNr = frameNr;
    o.FromTime = {2024, 3, 0, 1, 22, 15, 7, 120};
    o.ToTime = {2024, 3, 0, 1, 22, 15, 7, 160};
    return o;
}

constexpr int kWriterFrames = 100;  // 460 MB per run at 1920 x 1200
// The order of the contenders in each round: a balanced Latin square, in which every
// contender comes first once and follows every other one once, so that none always
// meets what one neighbour left (a plain rotation keeps the neighbours: measured, plain
// write() after the compressing writer ran at a third of its speed). Twice over.
constexpr int kContenders = 4;
constexpr int kWriterOrder[kContenders][kContenders] = {{0, 1, 3, 2}, {1, 2, 0, 3}, {2, 3, 1, 0}, {3, 0, 2, 1}};
constexpr int kWriterRounds = 2 * kContenders;

// Frames 0 to count - 1, as frameOf gives them.
bool WriteFrames(orva::BaseWriter& writer, int32_t count, const std::function<const Frame&(int32_t)>& frameOf) {
    if (!writer.StartRecording(nullptr)) return false;
    for (int32_t n = 0; n < count; ++n) {
        const Frame& frame = frameOf(n);
        writer.AddFrame(frame.data(), frame.size() * 2, 1000 + static_cast<uint64_t>(n), Overlay(n));
    }
    return writer.StopRecording();
}

bool WriteWithWriter(orva::BaseWriter& writer, const Frame& frame) {
    return WriteFrames(writer, kWriterFrames, [&](int32_t) -> const Frame& { return frame; });
}

bool WritePlain(const std::string& path, const Frame& frame) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (int n = 0; n < kWriterFrames; ++n) {
        ok = ok && ::write(fd, frame.data(), frame.size() * 2) == static_cast<ssize_t>(frame.size() * 2);
    }
    return ::close(fd) == 0 && ok;
}

// The SER and ADV writers against plain write() of the same frames, to the page cache.
// Each round runs every contender once (kWriterFrames frames to a new file, closed and
// deleted after) in the order above; each figure is the median of the rounds.
void WritersAgainstPlainWrite(benchmark::State& state) {
    const Frame& frame = FrameOf(kStars1920);
    orva::SharedTelescopeState telescope;
    struct Contender {
        const char* name;
        std::function<bool(const std::string&)> write;
        std::vector<double> seconds;
    };
    std::vector<Contender> contenders = {
        {"write", [&](const std::string& path) { return WritePlain(path, frame); }, {}},
        {"SER", [&](const std::string& path) {
             orva::SerWriter writer;
             writer.OpenRecording(path, 1920, 1200, 16);
             return WriteWithWriter(writer, frame);
         }, {}},
        {"ADV", [&](const std::string& path) {
             orva::AdvWriter writer(telescope);
             writer.OpenRecording(path, 1920, 1200, 16, {}, false);
             return WriteWithWriter(writer, frame);
         }, {}},
        {"ADV_LAGARITH16", [&](const std::string& path) {
             orva::AdvWriter writer(telescope);
             writer.OpenRecording(path, 1920, 1200, 16, {}, true);
             return WriteWithWriter(writer, frame);
         }, {}},
    };
    const std::string path = ScratchFile("bench.out");
    for (auto _ : state) {
        for (int round = 0; round < kWriterRounds; ++round) {
            for (const int k : kWriterOrder[round % kContenders]) {
                Contender& c = contenders[static_cast<std::size_t>(k)];
                const auto start = std::chrono::steady_clock::now();
                if (!c.write(path)) state.SkipWithError("write failed");
                c.seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
                std::filesystem::remove(path);
            }
        }
    }
    const double bytes = RawBytes(frame) * kWriterFrames;
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double plain = bytes / median(contenders[0].seconds);
    for (const Contender& c : contenders) {
        const double rate = bytes / median(c.seconds);
        state.counters[std::string(c.name) + "_MB/s"] = rate / 1e6;
        if (&c != &contenders[0]) state.counters[std::string(c.name) + "/write"] = rate / plain;
    }
}

// A LAGARITH16 recording of kRecordingFrames star fields, 1920 x 1200, each different;
// the file is removed at exit.
constexpr int32_t kRecordingFrames = 8;

const Frame& RecordedFrame(int32_t n) { return FrameOf(kStars1920, 1 + n); }

const std::string& CodedRecording() {
    struct Recording {
        Recording() : path(ScratchFile("coded.adv")) {
            orva::SharedTelescopeState telescope;
            orva::AdvWriter writer(telescope);
            written = writer.OpenRecording(path, 1920, 1200, 16, {}, true) &&
                      WriteFrames(writer, kRecordingFrames, RecordedFrame);
        }
        ~Recording() { std::filesystem::remove(path); }
        std::string path;
        bool written = false;
    };
    static const Recording recording;
    static const std::string none;
    return recording.written ? recording.path : none;
}

// Every frame of the recording through AdvReader::ReadEachFrame, the path the inspection
// takes; range(0) decode threads.
void AdvReadEachFrame(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    orva::AdvReader reader;
    if (!reader.Open(CodedRecording())) {
        state.SkipWithError(("the recording cannot be read: " + reader.Error()).c_str());
        return;
    }
    reader.SetDecodeThreads(threads);
    bool same = true;
    reader.ReadEachFrame([&](uint32_t n, const orva::AdvFrame& f) {
        same = same && f.pixels == RecordedFrame(static_cast<int32_t>(n));
    });
    if (!same || reader.FrameCount() != kRecordingFrames) state.SkipWithError("decoded frames differ");
    const auto start = Clock::now();
    for (auto _ : state) {
        if (!reader.ReadEachFrame([](uint32_t, const orva::AdvFrame&) {})) state.SkipWithError(reader.Error().c_str());
    }
    ReportRate(state, kRecordingFrames * RawBytes(RecordedFrame(0)), start);
    state.SetLabel(std::string(KindName(kStars1920)) + ", " + std::to_string(kRecordingFrames) + " frames, " +
                   std::to_string(threads) + (threads == 1 ? " thread" : " threads"));
}

void FrameKinds(benchmark::internal::Benchmark* b) {
    for (int kind : {kStars1920, kStars3072, kDark1920}) b->Arg(kind);
}

BENCHMARK(Lagarith16Encode)->Apply(FrameKinds)->Arg(kDominant1920)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Lagarith16EncodePool)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Lagarith16Decode)->Apply(FrameKinds)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Lagarith16DecodeTwo)->Apply(FrameKinds)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AdvReadEachFrame)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ZstdCompress)->ArgsProduct({{kStars1920, kStars3072, kDark1920}, {1, 3}})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ZstdDecompress)->ArgsProduct({{kStars1920, kStars3072, kDark1920}, {1, 3}})->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Lz4Compress)->Apply(FrameKinds)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Lz4Decompress)->Apply(FrameKinds)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(NormalizeWorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(WritersAgainstPlainWrite)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
