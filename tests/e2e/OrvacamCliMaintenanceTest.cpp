// The camera's maintenance through the built orvacam-cli program: firmware files written
// into the simulated camera's flash or refused before anything is erased, and the GPS
// receiver's GNSS configuration read, changed and read back. The simulated camera lives
// inside the program, so what the program says (its output, its log and its exit code)
// is what is checked here; the flash contents byte for byte are the camera tests' part.

#include "simcam/SimFirmwareImage.h"

#include "e2e/CliStationRun.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using Bytes = std::vector<uint8_t>;

const std::string kFirmware = "orvacam-cli firmware: ";

class CliMaintenanceRun : public CliStationRun {
protected:
    // A file the simulated camera boots: FX3 part of 6000 bytes (24 pages), FPGA parts
    // of 100000 and 100300 bytes (the camera's serial number 1234 takes the second).
    static Bytes GoodFile(uint32_t fpga1 = 100000, uint32_t fpga2 = 100300) {
        return SimFirmwareImage::File(SimFirmwareImage::Fx3Part({1, 4, 2}, 6000, 1),
                                      SimFirmwareImage::FpgaPart(fpga1, 2), SimFirmwareImage::FpgaPart(fpga2, 3));
    }
    std::string Store(const Bytes& bytes, const std::string& name) {
        const std::string path = dir.File(name);
        test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
    std::size_t LogLinesStartingWith(const std::string& prefix) const {
        return LinesStartingWith(LogMessages(), prefix).size();
    }
};

TEST_F(CliMaintenanceRun, FirmwareIsWrittenVerifiedAndActivated) {
    const std::string file = Store(GoodFile(), "fw.dat");
    const Outcome run = Run({"firmware", "--camera", "sim", file});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto lines = run.OutLines();
    EXPECT_TRUE(HasLine(lines, "camera: ORVA+CAM #1234 FW 1.3.5, Sensor IMX174 (Active: IMG-1)")) << run.out;
    EXPECT_TRUE(HasLine(lines, "writing " + file + " into slot IMG-2")) << "the slot the camera does not run";
    EXPECT_TRUE(HasLine(lines, "written and verified: slot IMG-2")) << run.out;
    EXPECT_TRUE(HasLine(lines, "active slot: IMG-2")) << run.out;
    EXPECT_TRUE(HasLine(Lines(run.err),
                        kFirmware + "Success: The firmware update was successful. Please re-connect the camera."))
        << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos) << "no progress line when standard error is a file";

    EXPECT_TRUE(HasLine(LogMessages(), "I Opened Dialog 'Firmware Update'"));
    EXPECT_TRUE(HasLine(LogMessages(), "I Firmware file is open, bytes for FX3 / FPGA_FTG256:  6000 100300"));
    EXPECT_EQ(LogLinesStartingWith("I Erasing block: "), 64u) << "blocks 128 to 191";
    EXPECT_EQ(LogLinesStartingWith("I Flash write: "), 24u + 392u) << "every page of FX3 and the second FPGA part";
    EXPECT_TRUE(HasLine(LogMessages(), "I Activating firmware image slot:  1"));
    EXPECT_EQ(LogLinesStartingWith("W Checksum error"), 0u);
    EXPECT_EQ(LogLinesStartingWith("E "), 0u);
}

TEST_F(CliMaintenanceRun, CtrlCStopsTheUpdateBeforeActivation) {
    const pid_t pid = Start({"firmware", "--camera", "sim", Store(GoodFile(), "fw.dat")});
    ASSERT_GT(pid, 0);
    // Erasing a slot takes about two seconds of ticks: time enough to stop in the middle.
    const auto deadline = std::chrono::steady_clock::now() + kLiveness;
    while (LogLinesStartingWith("I Erasing block: ") == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGINT);
    const Outcome run = Wait(pid);
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_TRUE(HasLine(Lines(run.err), kFirmware + "stopped by the user: slot IMG-2 is incomplete; run the update again"))
        << run.err;
    EXPECT_TRUE(LinesStartingWith(run.OutLines(), "written").empty()) << run.out;
    EXPECT_EQ(LogLinesStartingWith("I Activating firmware image slot:"), 0u);
}

TEST_F(CliMaintenanceRun, BootLoaderSlotTakesAnFx3OnlyFileWithoutActivation) {
    const std::string file = Store(GoodFile(0, 0), "s2bl.dat");
    const Outcome run = Run({"firmware", "--camera", "sim", file, "--slot", "s2bl"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(HasLine(run.OutLines(), "written and verified: slot S2BL")) << run.out;
    EXPECT_TRUE(HasLine(run.OutLines(), "active slot: IMG-1")) << "the boot image stays";
    EXPECT_EQ(LogLinesStartingWith("I Erasing block: "), 32u);
    EXPECT_EQ(LogLinesStartingWith("I Flash write: "), 24u);
    EXPECT_EQ(LogLinesStartingWith("I Activating firmware image slot:"), 0u);
}

TEST_F(CliMaintenanceRun, BadFilesAndSlotsAreRefusedBeforeAnyErase) {
    Bytes truncated = GoodFile();
    truncated.pop_back();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {"truncated", {Store(truncated, "truncated.dat")},
         "Error: The firmware file is incomplete or damaged: its length does not match the sizes in its header."},
        {"missing", {dir.File("missing.dat")}, "Failed to open the firmware file."},
        {"FPGA part for S2BL", {Store(GoodFile(), "fw.dat"), "--slot", "S2BL"},
         "Error: Wrong firmware file for slot S2BL"},
        {"the running slot", {dir.File("fw.dat"), "--slot", "IMG-1"},
         "Error: The camera runs the firmware in slot IMG-1. Please write the other image slot."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"firmware", "--camera", "sim"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome run = Run(args);
        EXPECT_EQ(run.code, 1);
        EXPECT_TRUE(HasLine(Lines(run.err), kFirmware + "refused, nothing was erased: " + c.error)) << run.err;
        EXPECT_TRUE(LinesStartingWith(run.OutLines(), "written").empty()) << run.out;
    }
    EXPECT_EQ(LogLinesStartingWith("I Erasing block: "), 0u);
    EXPECT_EQ(LogLinesStartingWith("I Flash write: "), 0u);
}

TEST_F(CliMaintenanceRun, WrongOptionsSayWhatIsWrong) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"firmware", "--camera", "sim"}, kFirmware + "give the firmware file (.dat) to write"},
        {{"firmware", "fw.dat"}, kFirmware + "option '--camera' is required"},
        {{"firmware", "--camera", "sim", "fw.dat", "--slot", "IMG-3"},
         kFirmware + "unknown slot 'IMG-3' (IMG-1, IMG-2, S2BL or IMG-R)"},
        {{"firmware", "--camera", "sim", "fw.dat", "--serial", "0"},
         kFirmware + "The serial number is invalid. Please enter a value of 1 or greater."},
        {{"gnss", "--camera", "sim", "--set", "GLONASS"},
         "orvacam-cli gnss: --set takes SYSTEM=on or SYSTEM=off, SYSTEM one of GPS, SBAS, Galileo, Baidou, IMES, "
         "QZSS, GLONASS (or 0..6), not 'GLONASS'"},
        {{"gnss", "--camera", "sim", "--set", "gps=off", "--set", "0=on"}, "orvacam-cli gnss: --set names 0-GPS twice"},
        {{"gnss", "--camera", "usb"},
         "orvacam-cli gnss: unknown camera 'usb' ('orvacam-cli cameras' lists the cameras; sim:SENSOR takes a sensor "
         "name or code, 'orvacam-cli cameras --modes' lists them)"},
    };
    for (const auto& [args, error] : cases) {
        SCOPED_TRACE(error);
        const Outcome run = Run(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.err, error + "\n");
    }
}

// The table of the simulated receiver as it starts.
const std::vector<std::string> kGnssTable = {
    "channels: 32 total, 32 active",
    "system     enabled min max  signals",
    "0-GPS      on        8  16  L1C/A",
    "1-SBAS     on        1   3  L1C/A",
    "2-Galileo  on        4   8  E1",
    "3-Baidou   off       8  16  B1",
    "4-IMES     off       0   8  L1C/A",
    "5-QZSS     on        0   3  L1C/A L1S",
    "6-GLONASS  on        8  14  L1",
};

TEST_F(CliMaintenanceRun, GnssShowsTheReceiverAndItsConfiguration) {
    const Outcome run = Run({"gnss", "--camera", "sim"});
    ASSERT_EQ(run.code, 0) << run.err;
    std::vector<std::string> expected = {"module hardware: ORVA-GNSS-M10", "module firmware: ROM 2.01 (sim)"};
    expected.insert(expected.end(), kGnssTable.begin(), kGnssTable.end());
    EXPECT_EQ(run.OutLines(), expected) << run.out;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(HasLine(LogMessages(), "I GPS hardware and firmware: ORVA-GNSS-M10;ROM 2.01 (sim)"));
    EXPECT_TRUE(HasLine(LogMessages(), "I Opened Dialog 'GNSS Selection'"));
}

TEST_F(CliMaintenanceRun, GnssSystemSwitchedOffIsWrittenAndReadBack) {
    const Outcome run = Run({"gnss", "--camera", "sim", "--set", "GLONASS=off", "--set", "3-baidou=on"});
    ASSERT_EQ(run.code, 0) << run.err;
    std::vector<std::string> expected = {"module hardware: ORVA-GNSS-M10", "module firmware: ROM 2.01 (sim)",
                                         "written and read back"};
    expected.insert(expected.end(), kGnssTable.begin(), kGnssTable.end());
    expected.back() = "6-GLONASS  off       8  14  L1";
    expected[8] = "3-Baidou   on        8  16  B1";
    EXPECT_EQ(run.OutLines(), expected) << run.out;
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace orva
