#include "processing/ParseBinaryOverlay.h"

#include "common/Log.h"

#include <optional>

namespace orva {
namespace {

constexpr int kRecordPixels = 128;
// The lowest start: the two pixels at the end of the row above.
constexpr int kLowestStart = -2;
constexpr uint16_t kPreamble = 0x5453;  // "TS"

// The last row of a frame, read at record positions. A negative pixel index reaches into
// the row above; Fits() says which starts keep the whole record inside the frame.
class RecordRow {
public:
    RecordRow(const uint16_t* lastRow, int width) : lastRow_(lastRow), width_(width) {}

    bool Fits(int start) const { return start >= kLowestStart && start <= width_ - kRecordPixels; }

    uint8_t Byte(int start, int j) const { return static_cast<uint8_t>(lastRow_[start + j] >> 8); }
    uint8_t Lane(int start, int j) const { return static_cast<uint8_t>(lastRow_[start + j] & 0xFF); }
    uint16_t Word(int start, int j) const {
        return static_cast<uint16_t>(Byte(start, j) << 8 | Byte(start, j + 1));
    }

private:
    const uint16_t* lastRow_;
    int width_;
};

// The record's start near `base`: base - 2 when the preamble stands in record bytes 0..1,
// base + 1 when it stands in bytes 3..4, base when it stands in its place, bytes 2..3.
// A start that would put the record outside the frame is not taken.
std::optional<int> FindStart(const RecordRow& row, int base) {
    if (!row.Fits(base)) return std::nullopt;
    if (row.Word(base, 0) == kPreamble && row.Fits(base - 2)) return base - 2;
    if (row.Word(base, 3) == kPreamble && row.Fits(base + 1)) return base + 1;
    if (row.Word(base, 2) == kPreamble) return base;
    return std::nullopt;
}

struct FletcherSums {
    int sum1 = 0;
    int sum2 = 0;
};

// Fletcher-16 (modulo 255) over the check lanes of record bytes 2..125.
FletcherSums CheckLaneSums(const RecordRow& row, int start) {
    FletcherSums s;
    for (int j = 2; j <= 125; ++j) {
        s.sum1 += row.Lane(start, j);
        if (s.sum1 >= 255) s.sum1 -= 255;
        s.sum2 += s.sum1;
        if (s.sum2 >= 255) s.sum2 -= 255;
    }
    return s;
}

// Decodes the fields of a found and checked record, most significant byte first except
// the dilutions of precision.
class RecordFields {
public:
    RecordFields(const RecordRow& row, int start) : row_(row), start_(start) {}

    uint8_t U8(int j) const { return row_.Byte(start_, j); }
    uint16_t U16(int j) const { return row_.Word(start_, j); }
    uint16_t U16LowFirst(int j) const { return static_cast<uint16_t>(U8(j + 1) << 8 | U8(j)); }
    uint32_t U32(int j) const { return static_cast<uint32_t>(U16(j)) << 16 | U16(j + 2); }
    int32_t I32(int j) const { return static_cast<int32_t>(U32(j)); }

    // Year - 2000, month, day, hour, minute, second, then nanoseconds.
    CalendarTime Time(int j) const {
        CalendarTime t;
        t.year = static_cast<uint16_t>(2000 + U8(j));
        t.month = U8(j + 1);
        t.day = U8(j + 2);
        t.hour = U8(j + 3);
        t.minute = U8(j + 4);
        t.second = U8(j + 5);
        t.milliseconds = static_cast<uint16_t>(U32(j + 6) / 1000000);
        return t;
    }

private:
    const RecordRow& row_;
    int start_;
};

void Decode(const RecordFields& r, BinaryOverlay& o) {
    o.Version = r.U16(4);
    o.VValue = r.U16(6);
    o.FromTime = r.Time(8);
    o.TimeFlag = r.U8(19) & 1;
    o.ToTime = r.Time(20);
    o.FrameNr = r.I32(36);
    o.SizeX = r.U16(40);
    o.SizeY = r.U16(42);
    o.BinningX = r.U8(44) + 1;
    o.BinningY = r.U8(45) + 1;
    o.CommIrqCtr = r.U8(46);
    o.FrameStartIrqCtr = r.U8(47);
    o.ModeValue = r.U16(48);
    o.AuxValue = r.U16(50);
    o.ExposureSec = r.I32(52);
    o.ExposureNs = r.U32(56);
    o.HighGain = r.U8(60) >> 7;
    o.Lat = r.I32(64);
    o.Lon = r.I32(68);
    o.AccuracyM = r.U16(72);
    o.FixState = r.U8(74);
    o.NofSats = r.U8(75);
    o.HeightMm = o.Version >= 4 ? r.I32(76) : 0;
    o.StatusWord0 = r.U32(80);
    o.StatusWord1 = r.U32(84);
    o.StatusWord2 = r.U32(88);
    o.StatusWord3 = r.U32(92);
    o.Temperature = r.U16(96);
    o.DOPTime = r.U32(98);
    o.DOPG = r.U16LowFirst(102);
    o.DOPP = r.U16LowFirst(104);
    o.DOPT = r.U16LowFirst(106);
    o.DOPV = r.U16LowFirst(108);
    o.DOPH = r.U16LowFirst(110);
}

}  // namespace

void ParseBinaryOverlay(BinaryOverlay& overlay, std::span<const uint16_t> frame, int width, int height) {
    overlay.Valid = false;
    // The search may start at -2, in the row above, so the frame needs two rows.
    if (width < kMinimumOverlayRowWidth || height < 2) {
        LogMessageInt2("W ParseBinaryOverlay: frame too small for a record", width, height);
        return;
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (frame.size() < pixels) {
        LogMessageInt2("W ParseBinaryOverlay: frame buffer shorter than its size", width, height);
        return;
    }
    const RecordRow row(frame.data() + (pixels - static_cast<std::size_t>(width)), width);

    // The kept start may not fit a frame of another size; the search then starts at 0.
    const int kept = row.Fits(overlay.RecordStart) ? overlay.RecordStart : 0;
    std::optional<int> start = FindStart(row, kept);
    // A record that moved back to its normal place is found again from there.
    if (!start && kept != 0) start = FindStart(row, 0);
    if (!start) {
        const uint32_t words = static_cast<uint32_t>(row.Word(kept, 3)) << 16 | row.Word(kept, 2);
        LogMessageInt("W ParseBinaryOverlay: invalid preamble", static_cast<int32_t>(words));
        return;
    }
    overlay.RecordStart = *start;

    const RecordFields fields(row, *start);
    if (fields.U16(4) >= 6) {
        const FletcherSums sums = CheckLaneSums(row, *start);
        if (sums.sum1 != row.Lane(*start, 127) || sums.sum2 != row.Lane(*start, 126)) {
            LogMessageInt("W ParseBinaryOverlay: invalid checksum", sums.sum1 * 256 + sums.sum2);
            return;
        }
    }
    Decode(fields, overlay);
    overlay.Valid = true;
}

}  // namespace orva
