#include "simcam/SimOverlayWriter.h"

#include "common/UtcTime.h"

#include <cassert>
#include <cstdlib>

namespace orva {

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

void Put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// The dilution-of-precision values travel least significant byte first.
void Put16LowFirst(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutTime(uint8_t* p, const SimUtcStamp& t) {
    p[0] = static_cast<uint8_t>(t.year - 2000);
    p[1] = static_cast<uint8_t>(t.month);
    p[2] = static_cast<uint8_t>(t.day);
    p[3] = static_cast<uint8_t>(t.hour);
    p[4] = static_cast<uint8_t>(t.minute);
    p[5] = static_cast<uint8_t>(t.second);
}

// The check range: pixels 2..125, 124 lane values. Pixels 2..109 carry lanes in pairs
// (n, 15 - n), so their sum is fixed; pixels 110..125 (16 lanes, weights 16..1 in the
// second sum) are then chosen so that both sums come out as lane values.
constexpr int kCheckFirst = 2;
constexpr int kCheckLast = 125;
constexpr int kCheckCount = kCheckLast - kCheckFirst + 1;
constexpr int kFreeFirst = 110;
constexpr int kFreeCount = kCheckLast - kFreeFirst + 1;

// In units of lane values (a lane byte is 16 x the lane, and 16 x 16 = 1 modulo 255) the
// Fletcher sums are sum1 = sum of lanes and sum2 = sum of (124 - k) x lane k, modulo 255.
bool SolveFreeLanes(int fixedSum1, int fixedSum2, int target1, int target2, std::array<int, kFreeCount + 1>& byWeight) {
    // Sum of the free lanes: target1 - fixedSum1 modulo 255, which must fit 16 lanes.
    int sum1 = ((target1 - fixedSum1) % 255 + 255) % 255;
    if (sum1 > 15 * kFreeCount) return false;
    byWeight.fill(0);
    int left = sum1;
    for (int w = 1; w <= kFreeCount; ++w) {
        byWeight[w] = std::min(15, left);
        left -= byWeight[w];
    }
    int current = 0;
    for (int w = 1; w <= kFreeCount; ++w) current += w * byWeight[w];
    int maximum = 0;
    left = sum1;
    for (int w = kFreeCount; w >= 1; --w) {
        const int take = std::min(15, left);
        maximum += w * take;
        left -= take;
    }
    int wanted = ((target2 - fixedSum2 - current) % 255 + 255) % 255 + current;
    if (wanted > maximum) return false;
    // Move single units to higher weights until the second sum is reached; each move
    // raises it by the weight difference.
    while (current < wanted) {
        bool moved = false;
        for (int step = std::min(wanted - current, kFreeCount - 1); step >= 1 && !moved; --step) {
            for (int w = 1; w + step <= kFreeCount; ++w) {
                if (byWeight[w] > 0 && byWeight[w + step] < 15) {
                    --byWeight[w];
                    ++byWeight[w + step];
                    current += step;
                    moved = true;
                    break;
                }
            }
        }
        if (!moved) return false;
    }
    return true;
}

}  // namespace

SimUtcStamp SimUtcStampFromUnixNs(int64_t unixNs) {
    int64_t seconds = unixNs / 1000000000;
    int64_t ns = unixNs % 1000000000;
    if (ns < 0) {
        ns += 1000000000;
        --seconds;
    }
    const UtcDateTime t = UtcFromUnixMilliseconds(seconds * 1000);
    return {t.year, t.month, t.day, t.hour, t.minute, t.second, static_cast<uint32_t>(ns)};
}

uint16_t SimTemperatureWord(int celsius, bool valid) {
    const int magnitude = std::min(std::abs(celsius), 127);
    return static_cast<uint16_t>((celsius < 0 ? 0x8000 : 0) | (magnitude << 8) | (valid ? 1 : 0));
}

std::array<uint8_t, SimOverlayRecord::kPixels> EncodeSimOverlayBytes(const SimOverlayRecord& r, bool fillUndecoded) {
    std::array<uint8_t, SimOverlayRecord::kPixels> b{};
    if (fillUndecoded) {
        // Camera data the station ignores. Bytes 0..1 must never read as the preamble.
        for (int j : {0, 1, 18, 30, 31, 32, 33, 34, 35, 61, 62, 63}) b[j] = static_cast<uint8_t>(0x81 + 3 * j);
        for (int j = 112; j <= 125; ++j) b[j] = static_cast<uint8_t>(0xE0 ^ j);
        b[19] = 0xAE;  // spare bits of the time flag byte
        b[60] = 0x35;  // spare bits of the high-gain byte
    }
    b[2] = 0x54;
    b[3] = 0x53;
    Put16(&b[4], r.version);
    Put16(&b[6], r.vValue);
    PutTime(&b[8], r.fromTime);
    Put32(&b[14], r.fromTime.nanosecond);
    b[19] = static_cast<uint8_t>((b[19] & 0xFE) | (r.timeFlag ? 1 : 0));
    PutTime(&b[20], r.toTime);
    Put32(&b[26], r.toTime.nanosecond);
    Put32(&b[36], static_cast<uint32_t>(r.frameNr));
    Put16(&b[40], r.sizeX);
    Put16(&b[42], r.sizeY);
    b[44] = static_cast<uint8_t>(r.binningX - 1);
    b[45] = static_cast<uint8_t>(r.binningY - 1);
    b[46] = r.commIrqCtr;
    b[47] = r.frameStartIrqCtr;
    Put16(&b[48], r.modeValue);
    Put16(&b[50], r.auxValue);
    Put32(&b[52], static_cast<uint32_t>(r.exposureSec));
    Put32(&b[56], r.exposureNs);
    b[60] = static_cast<uint8_t>((b[60] & 0x7F) | (r.highGain ? 0x80 : 0));
    Put32(&b[64], static_cast<uint32_t>(r.lat));
    Put32(&b[68], static_cast<uint32_t>(r.lon));
    Put16(&b[72], r.accuracyM);
    b[74] = r.fixState;
    b[75] = r.nofSats;
    Put32(&b[76], static_cast<uint32_t>(r.heightMm));
    for (int i = 0; i < 4; ++i) Put32(&b[80 + 4 * i], r.statusWords[i]);
    Put16(&b[96], r.temperature);
    Put32(&b[98], r.dopTime);
    for (int i = 0; i < 5; ++i) Put16LowFirst(&b[102 + 2 * i], r.dop[i]);
    return b;
}

void WriteSimOverlayRecord(const SimOverlayRecord& record, bool fillUndecoded, uint32_t laneSeed,
                           std::span<uint16_t> row12) {
    assert(row12.size() >= SimOverlayRecord::kPixels);
    const auto bytes = EncodeSimOverlayBytes(record, fillUndecoded);
    std::array<int, SimOverlayRecord::kPixels> lane{};
    // Outside the check range the lanes simply mirror the record byte.
    lane[0] = bytes[0] & 0x0F;
    lane[1] = bytes[1] & 0x0F;
    int sum1 = 0;
    int sum2 = 0;
    for (int p = kCheckFirst; p < kFreeFirst; p += 2) {
        const int n = (bytes[p] ^ (laneSeed >> (p % 29))) & 0x0F;
        lane[p] = n;
        lane[p + 1] = 15 - n;
        sum1 += 15;
        sum2 += (kCheckCount - (p - kCheckFirst)) * n + (kCheckCount - (p + 1 - kCheckFirst)) * (15 - n);
    }
    sum1 %= 255;
    sum2 %= 255;
    // With the fixed part's sum at 45, first sums 0..7 always leave room for a solution.
    const int target1 = static_cast<int>(laneSeed & 7);
    const int target2 = static_cast<int>((laneSeed >> 3) & 15);
    std::array<int, kFreeCount + 1> byWeight{};
    const bool solved = SolveFreeLanes(sum1, sum2, target1, target2, byWeight);
    assert(solved);
    (void)solved;
    for (int w = 1; w <= kFreeCount; ++w) lane[kCheckLast + 1 - w] = byWeight[w];
    lane[126] = target2;
    lane[127] = target1;
    for (int p = 0; p < SimOverlayRecord::kPixels; ++p) {
        row12[p] = static_cast<uint16_t>((bytes[p] << 4) | lane[p]);
    }
}

}  // namespace orva
