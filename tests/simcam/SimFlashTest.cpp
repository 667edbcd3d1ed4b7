// The firmware channel: erase with a busy flag, chunked page programming, checksums,
// image slots, and the flash faults.
#include "SimCameraFixture.h"

#include <gtest/gtest.h>

#include <numeric>

namespace orva {
namespace {

using Frame = std::array<uint8_t, 34>;

struct FlashHost : test::SimCameraFixture {
    using test::SimCameraFixture::SimCameraFixture;

    int32_t Send(Frame frame) { return unit->SetExtensionUnit(7, frame); }
    Frame Reply() {
        Frame reply{};
        EXPECT_TRUE(unit->GetExtensionUnit(7, reply));
        return reply;
    }
    // Erases the block and counts the polls that still reported busy.
    int EraseAndCountBusyPolls(uint8_t block, int maxPolls = 50) {
        EXPECT_GE(Send({0x28, block}), 0);
        int busy = 0;
        while (busy < maxPolls && Reply()[0] != 0) ++busy;
        return busy;
    }
    int32_t ProgramPage(uint32_t address, const std::array<uint8_t, 256>& page) {
        for (uint8_t chunk = 0; chunk < 8; ++chunk) {
            Frame f{0x32, chunk};
            std::copy(page.begin() + chunk * 32, page.begin() + chunk * 32 + 32, f.begin() + 2);
            if (const int32_t r = Send(f); r < 0) return r;
        }
        return Send({0x33, static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8)});
    }
    uint16_t Checksum(uint32_t address) {
        EXPECT_GE(Send({0x3C, static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8)}), 0);
        const Frame reply = Reply();
        return static_cast<uint16_t>(reply[1] * 256 + reply[2]);
    }
};

std::array<uint8_t, 256> PageOf(std::initializer_list<uint8_t> head, uint8_t fill = 0xFF) {
    std::array<uint8_t, 256> page;
    page.fill(fill);
    std::copy(head.begin(), head.end(), page.begin());
    return page;
}

TEST(SimFlash, EraseStaysBusyForTheConfiguredPolls) {
    for (const int polls : {0, 1, 4}) {
        SimCameraConfig config;
        config.eraseBusyPolls = polls;
        FlashHost host(config);
        EXPECT_EQ(host.EraseAndCountBusyPolls(64), polls);
    }
}

TEST(SimFlash, CommandsDuringAnEraseAreRefused) {
    FlashHost host;  // 3 busy polls
    ASSERT_GE(host.Send({0x28, 64}), 0);
    EXPECT_LT(host.Send({0x44}), 0);
    while (host.Reply()[0] != 0) {
    }
    EXPECT_GE(host.Send({0x44}), 0);
}

TEST(SimFlash, PageChecksumsOfKnownPages) {
    std::array<uint8_t, 256> ascending;
    std::iota(ascending.begin(), ascending.end(), 0);
    std::array<uint8_t, 256> tail = PageOf({});  // 44 bytes i % 7, then 0xFF padding
    for (int i = 0; i < 44; ++i) tail[i] = static_cast<uint8_t>(i % 7);
    struct Case {
        std::array<uint8_t, 256> page;
        uint16_t checksum;
    };
    const Case cases[] = {{PageOf({}), 0x0000}, {PageOf({}, 0x00), 0x0000}, {ascending, 0x5500}, {tail, 0x8A7F}};
    FlashHost host;
    host.EraseAndCountBusyPolls(64);
    uint32_t address = 64 * 65536;
    for (const Case& c : cases) {
        ASSERT_GE(host.ProgramPage(address, c.page), 0);
        EXPECT_EQ(host.Checksum(address), c.checksum) << address;
        EXPECT_EQ(SimFlash::PageChecksum(c.page), c.checksum);
        address += 256;
    }
    auto bytes = host.camera->Device().WithFlash([](SimFlash& f) { return f.ReadBytes(64 * 65536 + 3 * 256, 256); });
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), tail.begin()));
}

TEST(SimFlash, ProgrammingWithoutEraseOnlyClearsBits) {
    FlashHost host;
    host.EraseAndCountBusyPolls(70);
    const uint32_t address = 70 * 65536;
    ASSERT_GE(host.ProgramPage(address, PageOf({0xF0})), 0);
    ASSERT_GE(host.ProgramPage(address, PageOf({0x0F})), 0);
    EXPECT_EQ(host.camera->Device().WithFlash([&](SimFlash& f) { return f.ReadBytes(address, 1); })[0], 0x00);
    host.EraseAndCountBusyPolls(70);
    EXPECT_EQ(host.camera->Device().WithFlash([&](SimFlash& f) { return f.ReadBytes(address, 1); })[0], 0xFF);
}

TEST(SimFlash, FaultyPageReadsBackAWrongChecksum) {
    FlashHost host;
    const uint32_t bad = 64 * 65536 + 512;
    host.camera->Device().WithFlash([&](SimFlash& f) { f.FailPageProgram(bad); });
    host.EraseAndCountBusyPolls(64);
    const auto page = PageOf({1, 2, 3, 4});
    for (uint32_t address : {bad - 256, bad}) {
        ASSERT_GE(host.ProgramPage(address, page), 0);
        const bool expectGood = address != bad;
        EXPECT_EQ(host.Checksum(address) == SimFlash::PageChecksum(page), expectGood) << address;
    }
}

TEST(SimFlash, EraseThatNeverEndsStaysBusyUntilRestart) {
    FlashHost host;
    host.camera->Device().WithFlash([](SimFlash& f) { f.SetEraseNeverEnds(true); });
    EXPECT_EQ(host.EraseAndCountBusyPolls(64, 500), 500);
    host.camera->Device().WithFlash([](SimFlash& f) { f.SetEraseNeverEnds(false); });
    EXPECT_EQ(host.Reply()[0], 1) << "the running erase does not finish by itself";
    host.camera->Device().PowerCycle();
    EXPECT_EQ(host.Reply()[0], 0);
}

TEST(SimFlash, ImageSlotQueryAndActivation) {
    FlashHost host;
    ASSERT_GE(host.Send({0x44}), 0);
    EXPECT_EQ(host.Reply()[3], 15);
    ASSERT_GE(host.Send({0x45, 0x03}), 0);
    ASSERT_GE(host.Send({0x44}), 0);
    EXPECT_EQ(host.Reply()[3], 3);
    EXPECT_LT(host.Send({0x45, 0x07}), 0);
    EXPECT_LT(host.Send({0x32, 8}), 0) << "chunk index beyond 7";
    ASSERT_GE(host.Send({0x44}), 0);
    EXPECT_EQ(host.Reply()[3], 3);
    host.camera->Device().WithFlash([](SimFlash& f) { f.SetActiveSlot(255); });
    ASSERT_GE(host.Send({0x44}), 0);
    EXPECT_EQ(host.Reply()[3], 255);
}

}  // namespace
}  // namespace orva
