// Every vector level of the frame path (unpacking with the window statistics, row means,
// calibration) against a plain reference kept here, written from the pixel rules alone:
// the results must be identical, pixel for pixel, in every video mode of every camera
// model and in both packings.

#include "CameraFrameBuilder.h"

#include "camera/CameraModel.h"
#include "processing/Calibration.h"
#include "processing/FrameUnpack.h"
#include "processing/FrameWorkerPool.h"
#include "processing/RowNoise.h"
#include "processing/SimdLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <set>
#include <tuple>
#include <vector>

namespace orva {
namespace {

// ---- The reference ----

std::vector<uint16_t> ReferenceUnpack(const std::vector<uint8_t>& raw, bool packed, int width, int height) {
    std::vector<uint16_t> image(static_cast<std::size_t>(width) * height);
    std::size_t in = 0;
    for (std::size_t i = 0; i < image.size();) {
        if (!packed) {
            image[i++] = static_cast<uint16_t>(raw[in] << 8 | (raw[in + 1] & 0x0F) << 4);
            in += 2;
            continue;
        }
        uint32_t w[6];
        for (int k = 0; k < 6; ++k) w[k] = raw[in + 2 * k] | raw[in + 2 * k + 1] << 8;
        const uint32_t p[8] = {w[0] & 0xFFF0,
                               w[1] & 0xFFF0,
                               (w[2] & 0xFF00) | (w[0] & 0x000F) << 4,
                               (w[3] & 0xFF00) | (w[1] & 0x000F) << 4,
                               (w[4] & 0xF000) | (w[2] & 0x00FF) << 4,
                               (w[5] & 0xF000) | (w[3] & 0x00FF) << 4,
                               (w[4] & 0x0FFF) << 4,
                               (w[5] & 0x0FFF) << 4};
        for (const uint32_t v : p) image[i++] = static_cast<uint16_t>(v);
        in += 12;
    }
    return image;
}

struct ReferenceResult {
    std::vector<uint16_t> image;
    uint64_t windowSum = 0;
    uint64_t windowCount = 0;
};

struct Calibration {
    bool rowNoise = true;
    const std::vector<uint16_t>* dark = nullptr;
    uint16_t pedestal = 2048;
    const std::vector<uint16_t>* flat = nullptr;
    uint16_t normalization = 0;
    int untouchedRows = 1;  // at the bottom
};

// Unpacking, the window mean, row means and offsets, then dark, pedestal and flat.
ReferenceResult Reference(const std::vector<uint8_t>& raw, bool packed, int width, int height, const Calibration& c) {
    ReferenceResult r;
    r.image = ReferenceUnpack(raw, packed, width, height);
    const auto at = [&](int x, int y) -> uint16_t& { return r.image[static_cast<std::size_t>(y) * width + x]; };
    for (int y = 16; y <= height - 19; ++y) {
        for (int x = 0; x < width; x += 8) {
            if (x < 100 || x >= width - 100) continue;
            for (int i = 0; i < 8; ++i) r.windowSum += at(x + i, y);
            r.windowCount += 8;
        }
    }
    const int64_t mean = r.windowCount == 0 ? 0 : static_cast<int64_t>(r.windowSum / r.windowCount);
    std::vector<int64_t> offsets(static_cast<std::size_t>(height), 0);
    if (c.rowNoise && r.windowCount > 0) {
        const int64_t low = std::max<int64_t>(mean - 1024, 0);
        const int64_t high = std::min<int64_t>(mean + 1024, 65535);
        int64_t sum = 0;
        for (int y = 0; y < height; ++y) {
            int64_t rowSum = 0;
            int64_t count = 0;
            for (int x = 21; x < width; ++x) {
                if (at(x, y) >= low && at(x, y) <= high) {
                    rowSum += at(x, y);
                    ++count;
                }
            }
            offsets[static_cast<std::size_t>(y)] = count >= 10 ? rowSum / count : mean;
            sum += offsets[static_cast<std::size_t>(y)];
        }
        for (int64_t& o : offsets) o -= sum / height;
    }
    for (int y = 0; y < height - c.untouchedRows; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            int64_t u = std::clamp<int64_t>(at(x, y) - offsets[static_cast<std::size_t>(y)], 0, 65535);
            if (c.dark != nullptr) {
                const int64_t g = c.pedestal;
                const int64_t d = (*c.dark)[i];
                u = u + g <= d ? 0 : (u > 65535 - g ? 65535 : u + g - d);
            }
            if (c.flat != nullptr && c.normalization != 0) {
                const int64_t f = (*c.flat)[i];
                u = f == 0 ? 65535 : std::min<int64_t>(c.normalization * u / f, 65535);
            }
            at(x, y) = static_cast<uint16_t>(u);
        }
    }
    return r;
}

// ---- The frame path at one level ----

// Run as the frame processor runs it: in parts with uneven row counts.
ReferenceResult FramePath(const std::vector<uint8_t>& raw, bool packed, int width, int height, const Calibration& c,
                          SimdLevel level) {
    constexpr int kParts = 3;
    ReferenceResult r;
    r.image.assign(static_cast<std::size_t>(width) * height, 0xDEAD);
    for (int part = 0; part < kParts; ++part) {
        const ImageStatistics s =
            UnpackRows(raw.data(), packed, width, height, FrameWorkerPool::PartStart(height, part, kParts),
                       FrameWorkerPool::PartStart(height, part + 1, kParts), r.image.data(), level);
        r.windowSum += s.sum;
        r.windowCount += s.count;
    }
    const uint32_t mean = ImageStatistics{r.windowSum, r.windowCount}.Mean();
    std::vector<int32_t> offsets(static_cast<std::size_t>(height));
    CalibrationParams p;
    if (c.rowNoise && r.windowCount > 0) {
        int64_t sum = 0;
        for (int part = 0; part < kParts; ++part) {
            sum += MeasureRowMeans(r.image.data(), width, FrameWorkerPool::PartStart(height, part, kParts),
                                   FrameWorkerPool::PartStart(height, part + 1, kParts),
                                   IntensityBand::AroundMean(mean), mean, offsets.data(), level);
        }
        RowMeansToOffsets(offsets.data(), height, sum);
        p.rowOffsets = offsets.data();
    }
    p.firstUntouchedRow = height - c.untouchedRows;
    if (c.dark != nullptr) {
        p.dark = c.dark->data();
        p.pedestal = c.pedestal;
    }
    if (c.flat != nullptr) {
        p.flat = c.flat->data();
        p.flatNormalization = c.normalization;
    }
    for (int part = 0; part < kParts; ++part) {
        CalibrateRows(r.image.data(), width, FrameWorkerPool::PartStart(height, part, kParts),
                      FrameWorkerPool::PartStart(height, part + 1, kParts), p, level);
    }
    return r;
}

// ---- Inputs ----

struct Mode {
    int width;
    int height;
    bool packed;
    auto operator<=>(const Mode&) const = default;
};

// Every mode of every camera model, as the frame processor sees it: packed when the
// transfer width is below the image width.
std::set<Mode> AllModes() {
    std::set<Mode> modes;
    for (int sensor = 1; sensor < 255; ++sensor) {
        const std::array<uint8_t, CameraModel::kExtendedVersionBlockSize> block = {
            1, 0, 0, 2, static_cast<uint8_t>(sensor), 0, 0, 0, 1, 0, 0, 0, 0};
        const CameraModel model(block);
        for (int i = 0; i < model.GetResolutionCount(); ++i) {
            const VideoResolution* r = model.GetVideoResolution(i);
            if (r == nullptr || r->Width() <= 0 || r->Height() <= 0) continue;
            modes.insert({r->Width(), r->Height(), r->TransferWidth() < r->Width()});
        }
    }
    return modes;
}

uint32_t Next(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// A sky with a fixed row pattern, stars, hot pixels, black and saturated pixels.
test::RawCameraFrame Sky(int width, int height, uint32_t seed) {
    test::RawCameraFrame frame(width, height, seed);
    uint32_t state = seed;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t n = Next(state);
            uint16_t v = static_cast<uint16_t>(380 + (y % 11) * 9 + n % 40);
            if (n % 97 == 0) v = static_cast<uint16_t>(600 + n % 3400);
            if (n % 1009 == 1) v = 4095;
            if (n % 1013 == 2) v = 0;
            frame.Sample(x, y) = v;
        }
    }
    return frame;
}

std::vector<uint16_t> DarkFrame(std::size_t pixels, uint32_t seed) {
    std::vector<uint16_t> dark(pixels);
    uint32_t state = seed;
    for (uint16_t& d : dark) {
        const uint32_t n = Next(state);
        d = static_cast<uint16_t>((300 + n % 200) << 4);
        if (n % 331 == 0) d = static_cast<uint16_t>(n % 65536);  // hot pixels, anything
    }
    return dark;
}

// Around the normalisation, with dead (0), nearly dead and exactly normal pixels.
std::vector<uint16_t> FlatFrame(std::size_t pixels, uint16_t normalization, uint32_t seed) {
    std::vector<uint16_t> flat(pixels);
    uint32_t state = seed;
    for (uint16_t& f : flat) {
        const uint32_t n = Next(state);
        f = static_cast<uint16_t>(normalization * (0.8 + 0.4 * (n % 1000) / 1000.0));
        if (n % 211 == 0) f = 0;
        if (n % 223 == 1) f = static_cast<uint16_t>(1 + n % 5);
        if (n % 227 == 2) f = normalization;
        if (n % 229 == 3) f = 65535;
    }
    return flat;
}

std::vector<SimdLevel> Levels() { return SupportedSimdLevels(); }

TEST(FramePathLevelsTest, AtLeastTheBaselineLevelsAreThere) {
    const std::vector<SimdLevel> levels = Levels();
    ASSERT_GE(levels.size(), 1u);
    EXPECT_EQ(levels.front(), SimdLevel::Plain);
    EXPECT_EQ(levels.back(), BestSimdLevel());
#if defined(__x86_64__)
    EXPECT_GE(BestSimdLevel(), SimdLevel::Sse2);
#endif
}

TEST(FramePathLevelsTest, EveryModeInBothPackingsCalibratesExactlyAsTheReferenceAtEveryLevel) {
    const std::set<Mode> modes = AllModes();
    ASSERT_GE(modes.size(), 4u);
    bool sawPacked = false;
    bool sawNormal = false;
    uint32_t seed = 1;
    for (const Mode& mode : modes) {
        sawPacked |= mode.packed;
        sawNormal |= !mode.packed;
        // Every row runs the same code; 80 rows keep the statistics window and the row
        // split and keep the test quick.
        const int height = std::min(mode.height, 80);
        const test::RawCameraFrame sky = Sky(mode.width, height, ++seed);
        const std::vector<uint8_t> raw = mode.packed ? sky.Packed() : sky.Normal();
        const std::size_t pixels = static_cast<std::size_t>(mode.width) * height;
        const std::vector<uint16_t> dark = DarkFrame(pixels, seed);
        const std::vector<uint16_t> flat = FlatFrame(pixels, 30000, seed);
        // Row noise, dark and flat; then dark and flat alone with the text overlay's rows
        // left out.
        const Calibration all{true, &dark, 2048, &flat, 30000, 1};
        const Calibration darkOnly{false, &dark, 100, nullptr, 0, 17};
        const Calibration flatOnly{false, nullptr, 0, &flat, 30000, 17};
        for (const Calibration& c : {all, darkOnly, flatOnly}) {
            const ReferenceResult expected = Reference(raw, mode.packed, mode.width, height, c);
            for (const SimdLevel level : Levels()) {
                const ReferenceResult got = FramePath(raw, mode.packed, mode.width, height, c, level);
                EXPECT_EQ(got.windowSum, expected.windowSum) << mode.width << "x" << mode.height;
                EXPECT_EQ(got.windowCount, expected.windowCount) << mode.width << "x" << mode.height;
                ASSERT_EQ(got.image, expected.image)
                    << mode.width << "x" << mode.height << (mode.packed ? " packed " : " normal ")
                    << SimdLevelName(level) << " dark " << (c.dark != nullptr) << " flat " << (c.flat != nullptr);
            }
        }
    }
    EXPECT_TRUE(sawPacked);
    EXPECT_TRUE(sawNormal);
}

// The flat division over every 16-bit value against the integer quotient, for divisors
// and normalisations at the edges: quotients that are exact integers or one below, the
// limit at 65535, dead pixels.
TEST(FramePathLevelsTest, FlatDivisionIsTheExactIntegerQuotientForEveryValue) {
    const uint16_t divisors[] = {0, 1, 2, 3, 7, 255, 256, 4097, 14999, 15000, 29999, 30000, 30001, 40000, 65534, 65535};
    const uint16_t normalizations[] = {1, 3, 30000, 32768, 65535};
    std::vector<uint16_t> values(65536 + 8);  // and a tail beyond the vector width
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<uint16_t>(i * 40503u);
    for (const uint16_t n : normalizations) {
        for (const uint16_t f : divisors) {
            const std::vector<uint16_t> flat(values.size(), f);
            CalibrationParams p;
            p.firstUntouchedRow = 1;
            p.flat = flat.data();
            p.flatNormalization = n;
            for (const SimdLevel level : Levels()) {
                std::vector<uint16_t> row = values;
                CalibrateRows(row.data(), static_cast<int>(row.size()), 0, 1, p, level);
                for (std::size_t i = 0; i < row.size(); ++i) {
                    const uint64_t q = f == 0 ? 65535 : std::min<uint64_t>(uint64_t{n} * values[i] / f, 65535);
                    ASSERT_EQ(row[i], q) << SimdLevelName(level) << " n " << n << " f " << f << " r " << values[i];
                }
            }
        }
    }
}

// The quotient's estimate depends on the divisor, so every divisor, with values that put
// the quotient on an exact integer, one either side of it and at the limit of 65535.
TEST(FramePathLevelsTest, FlatDivisionIsTheExactIntegerQuotientForEveryDivisor) {
    constexpr int kWidth = 65536 + 8;  // and a tail beyond the vector width
    const auto divisor = [](int x) { return static_cast<uint32_t>(x & 0xFFFF); };
    const uint16_t normalizations[] = {1, 3, 30000, 32768, 65535};
    for (const uint16_t n : normalizations) {
        const auto atLimit = [n](uint32_t f) { return std::min<uint32_t>(uint32_t{65535} * f / n, 65535); };
        const std::function<uint32_t(uint32_t, int)> values[] = {
            [](uint32_t f, int) { return f; },
            [](uint32_t f, int) { return f == 0 ? 0 : f - 1; },
            [](uint32_t f, int) { return std::min<uint32_t>(f + 1, 65535); },
            [&](uint32_t f, int) { return atLimit(f); },
            [&](uint32_t f, int) { return std::min<uint32_t>(atLimit(f) + 1, 65535); },
            [&](uint32_t f, int) { return atLimit(f) == 0 ? 0 : atLimit(f) - 1; },
            [](uint32_t f, int) { return (f * 7) & 0xFFFF; },
            [](uint32_t, int) { return uint32_t{65535}; },
            [](uint32_t, int x) { return (static_cast<uint32_t>(x) * 40503u) & 0xFFFF; },
        };
        const int rows = static_cast<int>(std::size(values));
        std::vector<uint16_t> image(static_cast<std::size_t>(kWidth) * rows);
        std::vector<uint16_t> flat(image.size());
        for (int y = 0; y < rows; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
                flat[i] = static_cast<uint16_t>(divisor(x));
                image[i] = static_cast<uint16_t>(values[y](divisor(x), x));
            }
        }
        CalibrationParams p;
        p.firstUntouchedRow = rows;
        p.flat = flat.data();
        p.flatNormalization = n;
        for (const SimdLevel level : Levels()) {
            std::vector<uint16_t> out = image;
            CalibrateRows(out.data(), kWidth, 0, rows, p, level);
            for (std::size_t i = 0; i < out.size(); ++i) {
                const uint64_t f = flat[i];
                const uint64_t q = f == 0 ? 65535 : std::min<uint64_t>(uint64_t{n} * image[i] / f, 65535);
                ASSERT_EQ(out[i], q) << SimdLevelName(level) << " n " << n << " f " << f << " r " << image[i];
            }
        }
    }
}

TEST(FramePathLevelsTest, PoolUnpackAddsTheStatisticsOfAllParts) {
    const test::RawCameraFrame sky = Sky(1936, 300, 5);
    const std::vector<uint8_t> raw = sky.Packed();
    const ReferenceResult expected = Reference(raw, true, 1936, 300, Calibration{false, nullptr, 0, nullptr, 0, 0});
    for (const int threads : {1, 2, 3}) {
        FrameWorkerPool pool(threads);
        std::vector<uint16_t> image(expected.image.size());
        const ImageStatistics s = UnpackFrame(raw.data(), true, 1936, 300, image.data(), pool, 7);
        EXPECT_EQ(image, expected.image) << threads;
        EXPECT_EQ(s.sum, expected.windowSum) << threads;
        EXPECT_EQ(s.count, expected.windowCount) << threads;
    }
}

}  // namespace
}  // namespace orva
