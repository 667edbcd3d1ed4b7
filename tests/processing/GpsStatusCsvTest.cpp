#include "processing/GpsStatusCsv.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace orva {
namespace {

BinaryOverlay FixedOverlay() {
    BinaryOverlay o;
    o.Valid = true;
    o.FrameNr = 1234;
    o.FromTime = {2024, 3, 0, 1, 22, 15, 7, 123};
    o.ToTime = {2024, 3, 0, 1, 22, 15, 7, 163};
    o.FixState = 3;
    o.NofSats = 9;
    o.AccuracyM = 4;
    o.Lat = -1;
    o.Lon = 81234567;
    o.HeightMm = -1500;
    o.DOPG = 123;
    o.DOPP = 5;
    o.DOPT = 100;
    o.DOPV = 65535;
    o.DOPH = 0;
    return o;
}

std::string Line(const BinaryOverlay& o) {
    char buffer[kGpsStatusCsvLineCapacity];
    const std::size_t n = FormatGpsStatusCsvLine(o, buffer);
    return std::string(buffer, n);
}

TEST(GpsStatusCsv, HeaderEndsWithCarriageReturnOnly) {
    EXPECT_EQ(std::string(kGpsStatusCsvHeader),
              "FrameNr;FromTime;ToTime;FixState;NofSats;AccuracyM;Lat;Lon;HeightM;DOPG;DOPP;DOPT;DOPV;DOPH\r");
}

TEST(GpsStatusCsv, LineFormsEveryColumn) {
    struct Case {
        const char* name;
        BinaryOverlay overlay;
        std::string expected;
    };
    BinaryOverlay noFix = FixedOverlay();
    noFix.FixState = 0;
    BinaryOverlay extreme = FixedOverlay();
    extreme.FrameNr = INT_MIN;
    extreme.Lat = INT_MIN;
    extreme.Lon = INT_MAX;
    extreme.HeightMm = INT_MIN;
    extreme.AccuracyM = 65535;
    extreme.FixState = 255;
    extreme.NofSats = 255;
    extreme.FromTime = {65535, 65535, 0, 65535, 65535, 65535, 65535, 65535};
    const std::vector<Case> cases = {
        {"fix", FixedOverlay(),
         "1234;2024-03-01T22:15:07.123;2024-03-01T22:15:07.163;3;9;4;S00.0000001;E08.1234567;-1.500;1.23;0.05;1.00;655.35;"
         "0.00\r"},
        // Without a fix the position columns are empty and the numbers after them zero.
        {"no fix", noFix, "1234;2024-03-01T22:15:07.123;2024-03-01T22:15:07.163;0;9;0;;;0.000;0.00;0.00;0.00;0.00;0.00\r"},
        // The widest values still fit whole.
        {"extreme", extreme,
         "-2147483648;65535-65535-65535T65535:65535:65535.65535;2024-03-01T22:15:07.163;255;255;65535;S214.7483648;"
         "E214.7483647;-2147483.648;1.23;0.05;1.00;655.35;0.00\r"},
    };
    for (const Case& c : cases) EXPECT_EQ(Line(c.overlay), c.expected) << c.name;
}

}  // namespace
}  // namespace orva
