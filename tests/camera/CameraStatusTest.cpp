#include "camera/CameraStatus.h"
#include "camera/CameraStatusCache.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

namespace orva {
namespace {

using Block = std::array<uint8_t, CameraStatus::kStatusBlockSize>;

Block BlockWith(std::initializer_list<std::pair<int, uint8_t>> bytes) {
    Block b{};
    for (auto [i, v] : bytes) b[static_cast<std::size_t>(i)] = v;
    return b;
}

struct BlockCase {
    const char* name;
    Block block;
    CameraStatus expected;  // only the status-block fields
};

CameraStatus With(void (*set)(CameraStatus&)) {
    CameraStatus s;
    set(s);
    return s;
}

TEST(CameraStatusBlock, DecodesEachFieldFromItsBytes) {
    const BlockCase cases[] = {
        {"overlay flags 2: none, PPS on", BlockWith({{0, 0x12}}),
         With([](CameraStatus& s) { s.overlayMode = 0, s.ppsMarker = 1; })},
        {"overlay flags 3: dark", BlockWith({{0, 0x03}}), With([](CameraStatus& s) { s.overlayMode = 1; })},
        {"overlay flags 0: ascii, flag A", BlockWith({{0, 0x20}}),
         With([](CameraStatus& s) { s.overlayMode = 2, s.statusFlagA = 1; })},
        {"overlay flags 1: fourth mode", BlockWith({{0, 0x01}}), With([](CameraStatus& s) { s.overlayMode = 3; })},
        {"high time resolution", BlockWith({{0, 0x02}, {1, 0x20}}),
         With([](CameraStatus& s) { s.highTimeResolution = 1; })},
        {"invert, eight bit, flag B, mode 13", BlockWith({{0, 0x02}, {2, 0xDE}}),
         With([](CameraStatus& s) { s.invert = 1, s.eightBit = 1, s.statusFlagB = 1, s.modeIndex = 13; })},
        {"frame time 500", BlockWith({{0, 0x02}, {7, 0x01}, {8, 0xF4}}),
         With([](CameraStatus& s) { s.frameTime = 500; })},
        {"flip XY and commit error", BlockWith({{0, 0x02}, {9, 0x2C}}),
         With([](CameraStatus& s) { s.flipMode = 3, s.commitError = 1; })},
        {"gain, error counters and link", BlockWith({{0, 0x02}, {11, 24}, {12, 200}, {13, 0x85}, {14, 3}, {15, 0x10}}),
         With([](CameraStatus& s) {
             s.gainCode = 24, s.phyErrorCount = 200, s.linkErrorCount = 5, s.linkType = 3, s.phyErrorValue = 0x110;
         })},
        {"link error value", BlockWith({{0, 0x02}, {30, 0xAB}, {31, 0xCD}}),
         With([](CameraStatus& s) { s.linkErrorValue = 0xABCD; })},
        {"undecoded bytes ignored",
         BlockWith({{0, 0xC2}, {3, 0xFF}, {4, 0xFF}, {5, 0xFF}, {6, 0xFF}, {10, 0xFF}, {16, 0xFF}, {29, 0xFF}}),
         With([](CameraStatus&) {})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CameraStatus s;
        s.DecodeStatusBlock(c.block);
        EXPECT_EQ(s, c.expected);
    }
}

TEST(CameraStatusBlock, LeavesOverlayOnlyFieldsAndSequence) {
    CameraStatus s;
    s.highGain = 1;
    s.latitude = 123;
    s.binningX = 2;
    s.temperature = -5;
    s.temperatureValid = 1;
    s.frameStartTime[0] = 2024;
    s.sequence = 7;
    s.DecodeStatusBlock(BlockWith({{0, 0x02}, {11, 3}}));
    EXPECT_EQ(s.highGain, 1);
    EXPECT_EQ(s.latitude, 123);
    EXPECT_EQ(s.binningX, 2);
    EXPECT_EQ(s.temperature, -5);
    EXPECT_EQ(s.temperatureValid, 1);
    EXPECT_EQ(s.frameStartTime[0], 2024);
    EXPECT_EQ(s.sequence, 7);
    EXPECT_EQ(s.gainCode, 3);
}

TEST(CameraStatusOverlay, DecodesStatusWords) {
    OverlayStatusFields o;
    o.statusWord0 = (1u << 29) | (1u << 28) | (3u << 24) | (1u << 21) | (1u << 11) | (1u << 10) | (1u << 9) |
                    (1u << 5) | (2u << 2);
    o.statusWord1 = (22u << 24) | 0x01F4;
    o.statusWord2 = (0x3FFFu << 16) | 0xBEEF;
    o.statusWord3 = (2u << 30) | (0x1234u << 16) | 0xCAFE;
    CameraStatus s;
    s.DecodeOverlay(o);
    EXPECT_EQ(s.statusFlagA, 1);
    EXPECT_EQ(s.ppsMarker, 1);
    EXPECT_EQ(s.overlayMode, 1);  // flags 3: dark
    EXPECT_EQ(s.highTimeResolution, 1);
    EXPECT_EQ(s.statusFlagB, 1);
    EXPECT_EQ(s.eightBit, 1);
    EXPECT_EQ(s.invert, 1);
    EXPECT_EQ(s.commitError, 1);
    EXPECT_EQ(s.flipMode, 2);
    EXPECT_EQ(s.gainCode, 22);
    EXPECT_EQ(s.frameTime, 500);
    EXPECT_EQ(s.phyErrorCount, 0x3FFF);
    EXPECT_EQ(s.phyErrorValue, 0xBEEF);
    EXPECT_EQ(s.linkType, 2);
    EXPECT_EQ(s.linkErrorCount, 0x1234);
    EXPECT_EQ(s.linkErrorValue, 0xCAFE);
    EXPECT_EQ(s.sequence, 1);
    EXPECT_EQ(s.spare1, 0);
    EXPECT_EQ(s.spareValues, (std::array<uint16_t, 4>{}));
}

TEST(CameraStatusOverlay, CopiesGpsAndMapsModeValue) {
    const std::pair<int32_t, int32_t> modes[] = {{1, 0}, {2, 1}, {4, 2}, {8, 3}, {16, 4}, {32, 0}, {3, 0}};
    for (auto [value, index] : modes) {
        OverlayStatusFields o;
        o.modeValue = value;
        CameraStatus s;
        s.DecodeOverlay(o);
        EXPECT_EQ(s.modeIndex, index) << "mode value " << value;
    }
    OverlayStatusFields o;
    o.highGain = 1;
    o.binningX = 2;
    o.binningY = 4;
    o.latitude = -481234567;
    o.longitude = 113456789;
    o.heightMm = -12000;
    o.accuracyM = 3;
    o.fixState = 3;
    o.satellites = 11;
    o.timeFlag = 1;
    o.dopTime = 0xFFFFFFF0u;
    o.dop = {1, 2, 3, 4, 5};
    CameraStatus s;
    s.DecodeOverlay(o);
    EXPECT_EQ(s.highGain, 1);
    EXPECT_EQ(s.binningX, 2);
    EXPECT_EQ(s.binningY, 4);
    EXPECT_EQ(s.latitude, -481234567);
    EXPECT_EQ(s.longitude, 113456789);
    EXPECT_EQ(s.height, -12000);
    EXPECT_EQ(s.positionAccuracy, 3);
    EXPECT_EQ(s.fixState, 3);
    EXPECT_EQ(s.satellites, 11);
    EXPECT_EQ(s.timeFlag, 1);
    EXPECT_EQ(s.dopTime, 0xFFFFFFF0u);
    EXPECT_EQ(s.dop, (std::array<uint16_t, 5>{1, 2, 3, 4, 5}));
}

TEST(CameraStatusOverlay, Temperature) {
    struct Case {
        uint16_t word;
        int32_t temperature;
        int32_t valid;
    };
    // Starting from 7 degrees, valid.
    const Case cases[] = {{0x8B01, -11, 1}, {0x1700, 7, 0}, {0x1701, 23, 1}, {0x0001, 0, 1}, {0xFF01, -127, 1}};
    for (const auto& c : cases) {
        CameraStatus s;
        s.temperature = 7;
        s.temperatureValid = 1;
        OverlayStatusFields o;
        o.temperature = c.word;
        s.DecodeOverlay(o);
        EXPECT_EQ(s.temperature, c.temperature) << std::hex << c.word;
        EXPECT_EQ(s.temperatureValid, c.valid) << std::hex << c.word;
    }
}

TEST(CameraStatusLog, LogsLinkTypeWhenItChanges) {
    test::LogCapture log;
    CameraStatus::ResetLoggedLinkType();
    CameraStatus a;
    CameraStatus b;  // the last logged value is shared by all records
    OverlayStatusFields usb3;
    usb3.statusWord3 = 3u << 30;
    a.DecodeOverlay(usb3);
    b.DecodeOverlay(usb3);
    b.DecodeStatusBlock(BlockWith({{0, 2}, {14, 2}}));
    a.DecodeStatusBlock(BlockWith({{0, 2}, {14, 2}}));
    a.DecodeOverlay(usb3);
    EXPECT_EQ(log.MessagesStartingWith("I USB"), (std::vector<std::string>{"I USB 3", "I USB 2", "I USB 3"}));
}

TEST(CameraStatusCache, StatusBlockSequence) {
    struct Case {
        int32_t cached;
        int32_t minimum;
        int32_t stored;
    };
    // A frame may have made the cache newer than the reader asked for while it read.
    const Case cases[] = {{7, 8, 9}, {0, 1, 2}, {12, 8, 12}};
    for (const auto& c : cases) {
        CameraStatusCache cache;
        for (int i = 0; i < c.cached; ++i) cache.DecodeOverlay({});
        const CameraStatus stored = cache.StoreStatusBlock(BlockWith({{0, 2}, {11, 5}}), c.minimum);
        EXPECT_EQ(stored.sequence, c.stored);
        EXPECT_EQ(cache.Load(), stored);
        EXPECT_EQ(stored.gainCode, 5);
    }
}

TEST(CameraStatusCache, FrameUpdateKeepsStatusBlockFieldsAndStartTime) {
    CameraStatusCache cache;
    OverlayStatusFields o;
    o.latitude = 99;
    cache.DecodeFrame(o, {2025, 3, 0, 14, 1, 2, 3, 456});
    cache.StoreStatusBlock(BlockWith({{0, 2}, {11, 5}}), 1);
    const CameraStatus s = cache.Load();
    EXPECT_EQ(s.latitude, 99);
    EXPECT_EQ(s.frameStartTime, (std::array<uint16_t, 8>{2025, 3, 0, 14, 1, 2, 3, 456}));
    EXPECT_EQ(s.gainCode, 5);
    EXPECT_EQ(s.sequence, 2);
}

// A frame thread rewrites the cache with records whose fields all derive from one
// counter, while the GUI side reads: every read must be one whole record.
TEST(CameraStatusCache, ReadersNeverSeeATornRecord) {
    CameraStatus::ResetLoggedLinkType();
    CameraStatusCache cache;
    std::atomic<bool> stop{false};
    constexpr int kFrames = 50000;

    std::thread frames([&] {
        for (int i = 1; i <= kFrames; ++i) {
            OverlayStatusFields o;
            o.latitude = i;
            o.longitude = -i;
            o.heightMm = i * 3;
            o.dopTime = static_cast<uint32_t>(i);
            o.dop = {static_cast<uint16_t>(i), 0, 0, 0, static_cast<uint16_t>(i)};
            o.statusWord3 = 3u << 30;
            const auto day = static_cast<uint16_t>(i);
            cache.DecodeFrame(o, {2025, 1, 0, day, 0, 0, 0, day});
        }
        stop = true;
    });

    int reads = 0;
    int32_t lastSequence = 0;
    while (!stop.load() || reads == 0) {
        const CameraStatus s = cache.Load();
        ++reads;
        const int32_t i = s.latitude;
        ASSERT_EQ(s.sequence, i);
        ASSERT_EQ(s.longitude, -i);
        ASSERT_EQ(s.height, i * 3);
        ASSERT_EQ(s.dopTime, static_cast<uint32_t>(i));
        ASSERT_EQ(s.dop[4], static_cast<uint16_t>(i));
        ASSERT_EQ(s.frameStartTime[3], static_cast<uint16_t>(i));
        ASSERT_EQ(s.frameStartTime[7], static_cast<uint16_t>(i));
        ASSERT_GE(s.sequence, lastSequence);
        lastSequence = s.sequence;
        // The GUI side also writes now and then (a status block it read).
        if (reads % 1000 == 0) {
            const CameraStatus stored = cache.StoreStatusBlock(BlockWith({{0, 2}, {14, 3}}), s.sequence - 1);
            ASSERT_GE(stored.sequence, s.sequence);
        }
    }
    frames.join();
    EXPECT_EQ(cache.Load().sequence, kFrames);
}

}  // namespace
}  // namespace orva
