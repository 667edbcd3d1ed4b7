// The firmware update against the simulated camera's flash, through the real extension
// unit: files written byte for byte into both image slots, files refused before any
// erase, flash faults, and a camera unplugged in the middle of an update.
#include "camera/FirmwareUpdate.h"
#include "camera/FirmwareUpdateDialogModel.h"
#include "camera/MainFrameCameraClient.h"
#include "camera/SerialNumberDialogModel.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "simcam/SimDeviceEnumerator.h"
#include "simcam/SimFirmwareImage.h"
#include "simcam/SimulatedCamera.h"

#include "CameraFakes.h"
#include "simcam/SimCameraFixture.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

constexpr SimFirmwareVersion kNewVersion{1, 4, 2};
constexpr uint32_t kFx3Size = 6000;  // not a whole number of pages
constexpr uint32_t kFpga1Size = 100000;
constexpr uint32_t kFpga2Size = 100300;
constexpr uint32_t kImg1Base = 64 * 65536;
constexpr uint32_t kImg2Base = 128 * 65536;

SimCameraConfig CameraWithSerial(uint32_t serial) {
    SimCameraConfig config;
    config.identity.serialNumber = serial;
    return config;
}

struct Image {
    Bytes fx3 = SimFirmwareImage::Fx3Part(kNewVersion, kFx3Size, 1);
    Bytes fpga1 = SimFirmwareImage::FpgaPart(kFpga1Size, 2);
    Bytes fpga2 = SimFirmwareImage::FpgaPart(kFpga2Size, 3);
    Bytes File() const { return SimFirmwareImage::File(fx3, fpga1, fpga2); }
};

// A camera on a manual clock and one update engine for it.
struct FlashRig : test::SimCameraFixture {
    explicit FlashRig(uint32_t serial = 1234) : SimCameraFixture(CameraWithSerial(serial)) {}

    std::string Store(const Bytes& bytes, const std::string& name = "fw.dat") {
        const std::string path = dir.File(name);
        test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
    // Ticks as the station would (100 ms of work per 200 ms tick) until the update ends.
    bool RunToEnd(FirmwareUpdate& update, int maxTicks = 5000) {
        for (int i = 0; i < maxTicks; ++i) {
            if (update.Tick(100ms)) return true;
            clock.Advance(200ms);
        }
        return false;
    }
    Bytes Flash(uint32_t address, std::size_t length) {
        return camera->Device().WithFlash(
            [&](SimFlash& f) { return f.ReadBytes(address, static_cast<uint32_t>(length)); });
    }
    int ErasedBlocks() { return camera->Device().WithFlash([](SimFlash& f) { return f.ErasedBlockCount(); }); }
    std::optional<uint32_t> Serial() const { return camera->Config().identity.serialNumber; }
    // Power cycle: the camera boots the active slot.
    void Restart() {
        camera->Unplug();
        camera->Replug(0ms);
    }

    test::TempDir dir;
    test::LogCapture log;
};

void ExpectPartAt(FlashRig& rig, uint32_t address, const Bytes& part) {
    const Bytes flash = rig.Flash(address, part.size());
    EXPECT_TRUE(flash == part) << "at " << address;
    // The last page is padded with erased bytes.
    const std::size_t padded = (part.size() + 255) / 256 * 256;
    const Bytes tail = rig.Flash(address + static_cast<uint32_t>(part.size()), padded - part.size());
    EXPECT_TRUE(std::all_of(tail.begin(), tail.end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST(FirmwareUpdate, WritesBothImageSlotsAndTheCameraBootsTheNewVersion) {
    // Serial 49 takes the first FPGA part, 50 the second; each camera gets both slots.
    for (const uint32_t serial : {49u, 50u}) {
        SCOPED_TRACE(serial);
        FlashRig rig(serial);
        const Image image;
        const std::string path = rig.Store(image.File());
        const Bytes& fpga = serial < 50 ? image.fpga1 : image.fpga2;

        for (const int slot : {FirmwareUpdate::kSlotImg2, FirmwareUpdate::kSlotImg1}) {
            SCOPED_TRACE(FirmwareUpdate::SlotName(slot));
            FirmwareUpdate update(*rig.unit, rig.clock);
            update.StartUpdate(path, slot, [&] { return rig.Serial(); });
            ASSERT_EQ(update.State(), FirmwareUpdateState::Erasing) << update.StatusText();
            ASSERT_TRUE(rig.RunToEnd(update));
            ASSERT_EQ(update.State(), FirmwareUpdateState::Done) << update.StatusText();
            EXPECT_EQ(update.ProgressPercent(), 100);

            const uint32_t base = slot == FirmwareUpdate::kSlotImg1 ? kImg1Base : kImg2Base;
            ExpectPartAt(rig, base, image.fx3);
            ExpectPartAt(rig, base + 0x100000, fpga);
            EXPECT_EQ(update.FetchImageSlot(),
                      slot == FirmwareUpdate::kSlotImg1 ? FirmwareUpdate::kActiveImg1 : FirmwareUpdate::kActiveImg2);

            rig.Restart();
            auto model = rig.unit->ReadCameraModel();
            ASSERT_TRUE(model);
            EXPECT_EQ(model->FirmwareMajor(), kNewVersion.major);
            EXPECT_EQ(model->FirmwareMinor(), kNewVersion.minor);
            EXPECT_EQ(model->FirmwarePatch(), kNewVersion.patch);
        }
        EXPECT_TRUE(rig.log.Contains(serial < 50
                                         ? "I Firmware file is open, bytes for FX3 / FPGA_CSG324:  6000 100000"
                                         : "I Firmware file is open, bytes for FX3 / FPGA_FTG256:  6000 100300"));
    }
}

TEST(FirmwareUpdate, BadFilesAreRefusedBeforeAnyErase) {
    const Image image;
    const Bytes good = image.File();
    auto truncated = good;
    truncated.resize(good.size() - 1);
    auto oversized = good;
    oversized.push_back(0);
    auto sizeCorrupted = good;
    sizeCorrupted[7] ^= 0x10;  // FX3 size no longer matches the length
    auto overflowing = good;   // sizes that wrap around 32 bits to the right total
    overflowing[8] = 0xFF;
    overflowing[12] = static_cast<uint8_t>(overflowing[12] + 1);
    auto oldVersion = good;
    oldVersion[3] = 1;
    const std::string kDamaged =
        "Error: The firmware file is incomplete or damaged: its length does not match the sizes in its header.";
    struct Case {
        const char* name;
        Bytes bytes;
        int slot;
        std::string status;
    };
    const Case cases[] = {
        {"truncated", truncated, FirmwareUpdate::kSlotImg2, kDamaged},
        {"oversized", oversized, FirmwareUpdate::kSlotImg2, kDamaged},
        {"size corrupted", sizeCorrupted, FirmwareUpdate::kSlotImg2, kDamaged},
        {"32-bit wrap", overflowing, FirmwareUpdate::kSlotImg2, kDamaged},
        {"header only", Bytes(good.begin(), good.begin() + 16), FirmwareUpdate::kSlotImg2, kDamaged},
        {"three bytes", Bytes{0, 0, 0}, FirmwareUpdate::kSlotImg2, kDamaged},
        {"old version", oldVersion, FirmwareUpdate::kSlotImg2,
         "Please select a valid version 1.0 or newer firmware file."},
        {"FX3 4999", SimFirmwareImage::File(Bytes(4999, 1), image.fpga1, image.fpga2), FirmwareUpdate::kSlotImg2,
         "Error: The firmware file is corrupt (1)."},
        {"FPGA too small", SimFirmwareImage::File(image.fx3, Bytes(99999, 1), Bytes(99999, 1)),
         FirmwareUpdate::kSlotImg2, "Error: The firmware file is corrupt (2)."},
        {"FPGA for S2BL", good, FirmwareUpdate::kSlotS2bl, "Error: Wrong firmware file for slot S2BL"},
        {"FPGA for IMG-R", good, FirmwareUpdate::kSlotImgR, "Error: Wrong firmware file for slot IMG-R"},
        {"active slot", good, FirmwareUpdate::kSlotImg1,
         "Error: The camera runs the firmware in slot IMG-1. Please write the other image slot."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlashRig rig;
        FirmwareUpdate update(*rig.unit, rig.clock);
        update.StartUpdate(rig.Store(c.bytes), c.slot, [&] { return rig.Serial(); });
        EXPECT_EQ(update.State(), FirmwareUpdateState::Error);
        EXPECT_EQ(update.StatusText(), c.status);
        EXPECT_TRUE(update.DoUpdateStep());
        EXPECT_EQ(rig.ErasedBlocks(), 0);
    }
    FlashRig rig;
    FirmwareUpdate update(*rig.unit, rig.clock);
    update.StartUpdate(rig.dir.File("missing.dat"), 1, [&] { return rig.Serial(); });
    EXPECT_EQ(update.StatusText(), "Failed to open the firmware file.");
    update.StartUpdate(rig.Store(good), 1, [] { return std::optional<uint32_t>(); });
    EXPECT_EQ(update.State(), FirmwareUpdateState::Error) << "no serial number, no FPGA part";
    EXPECT_EQ(rig.ErasedBlocks(), 0);
}

TEST(FirmwareUpdate, ACameraThatCannotTellItsRunningSlotIsNotErased) {
    // The query's request fails, or the request goes through and its reply read fails.
    const struct {
        const char* name;
        int32_t succeedingCalls;
        FirmwareUpdate::TransportFailure failure;
    } cases[] = {
        {"request", 0, FirmwareUpdate::TransportFailure::Send},
        {"reply", 1, FirmwareUpdate::TransportFailure::Read},
    };
    for (const auto& c : cases) {
        for (const int slot : {FirmwareUpdate::kSlotImg1, FirmwareUpdate::kSlotImg2, FirmwareUpdate::kSlotS2bl}) {
            SCOPED_TRACE(std::string(c.name) + " " + FirmwareUpdate::SlotName(slot));
            FlashRig rig;
            const Image image;
            // S2BL takes an FX3-only file.
            const Bytes file = slot == FirmwareUpdate::kSlotS2bl ? SimFirmwareImage::File(image.fx3, {}, {}) : image.File();
            FirmwareUpdate update(*rig.unit, rig.clock);
            rig.camera->Faults().FailExtensionUnitCalls(-5, 1, c.succeedingCalls);
            update.StartUpdate(rig.Store(file), slot, [&] { return rig.Serial(); });
            EXPECT_EQ(update.State(), FirmwareUpdateState::Error);
            EXPECT_EQ(update.StatusText(),
                      "Error: The camera did not report its active firmware slot. Please reconnect the camera and try "
                      "again.");
            EXPECT_EQ(update.TakeTransportFailure(), c.failure) << "the dialog shows the failure";
            EXPECT_TRUE(rig.RunToEnd(update));
            EXPECT_EQ(update.State(), FirmwareUpdateState::Error) << "it stays failed";
            EXPECT_EQ(rig.ErasedBlocks(), 0);
            EXPECT_TRUE(rig.log.MessagesStartingWith("I Erasing block").empty());
        }
    }
}

TEST(FirmwareUpdate, FlashFaultsEndTheUpdateWithoutActivation) {
    struct Case {
        const char* name;
        std::function<void(SimFlash&)> fault;
        std::string status;
    };
    const Case cases[] = {
        {"bad page", [](SimFlash& f) { f.FailPageProgram(kImg2Base + 0x100000 + 512); },
         "Checksum error, please try again."},
        {"erase never ends", [](SimFlash& f) { f.SetEraseNeverEnds(true); },
         "Timeout waiting for block erase to complete."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlashRig rig;
        rig.camera->Device().WithFlash(c.fault);
        FirmwareUpdate update(*rig.unit, rig.clock);
        update.StartUpdate(rig.Store(Image().File()), FirmwareUpdate::kSlotImg2, [&] { return rig.Serial(); });
        ASSERT_TRUE(rig.RunToEnd(update));
        EXPECT_EQ(update.State(), FirmwareUpdateState::Error);
        EXPECT_EQ(update.StatusText(), c.status);
        EXPECT_EQ(rig.camera->Device().WithFlash([](SimFlash& f) { return f.ActiveSlot(); }), SimFlash::kSlotImg1);
    }
}

TEST(FirmwareUpdate, PageChecksumAndProgressFollowTheCamera) {
    std::array<uint8_t, 256> page;
    page.fill(0xFF);
    for (int i = 0; i < 44; ++i) page[i] = static_cast<uint8_t>(i % 7);
    EXPECT_EQ(FirmwareUpdate::PageChecksum(page), 0x8A7F);

    FlashRig rig;
    FirmwareUpdate update(*rig.unit, rig.clock);
    EXPECT_EQ(update.ProgressPercent(), 0);
    EXPECT_EQ(update.StatusText(), "Idle.");
    update.StartUpdate(rig.Store(Image().File()), FirmwareUpdate::kSlotImg2, [&] { return rig.Serial(); });
    int last = 0;
    // Progress never goes backwards, and one step never does more than 16 pages.
    while (!update.DoUpdateStep()) {
        const int p = update.ProgressPercent();
        EXPECT_GE(p, last);
        last = p;
    }
    EXPECT_EQ(update.State(), FirmwareUpdateState::Done);
    const auto writes = rig.log.MessagesStartingWith("I Flash write:");
    EXPECT_EQ(writes.size(), (kFx3Size + 255) / 256 + (kFpga2Size + 255) / 256) << "serial 1234 takes the second part";
}

// The station's wiring: camera manager, main frame client and the dialog model, with
// the simulated camera listed by its enumerator.
class FirmwareDialogTest : public ::testing::Test {
protected:
    class View final : public IMainFrameView {
    public:
        explicit View(FirmwareUpdateDialogModel*& dialog) : dialog_(dialog) {}
        void LoadCameraControls(CameraUnit*) override {}
        void SetStatisticsCountdown(int) override {}
        void RefreshCommandStates() override {}
        void RefreshMenus() override {}
        bool IsFirmwareUpdateDialogOpen() override { return dialog_ && dialog_->IsOpen(); }
        void CloseFirmwareUpdateDialogCancelled() override { dialog_->CloseCancelled(); }
        ILinkRecoveryCameraStatusInteraction* CameraPanel() override { return panel; }
        ILinkRecoveryCameraStatusInteraction* panel = nullptr;

    private:
        FirmwareUpdateDialogModel*& dialog_;
    };

    void SetUp() override {
        view.panel = &panel;
        manager.RegisterDeviceNotifications([this](const DeviceChangeNotification& n) { removals.push_back(n); });
        Connect();
        dialogPtr = &dialog;
        dialog.askSerialNumber = [] { return std::optional<uint32_t>(77); };
    }
    void Connect() {
        frame.RefreshCameraList();
        ASSERT_EQ(frame.CameraList().size(), 1u) << "the camera is listed";
        frame.OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId);
        ASSERT_TRUE(manager.ActiveCameraUnit());
    }
    // Delivers the posted removals as the GUI thread would.
    void DeliverRemovals() {
        for (const auto& n : std::exchange(removals, {})) {
            frame.CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &n);
        }
    }
    void Ticks(int n) {
        for (int i = 0; i < n && dialog.IsOpen(); ++i) {
            dialog.Tick(100ms);
            clock.Advance(200ms);
        }
    }

    test::LogCapture log;
    test::TempDir dir;
    test::ManualClock clock;
    std::shared_ptr<SimulatedCamera> camera = std::make_shared<SimulatedCamera>(SimCameraConfig{}, clock);
    SimDeviceEnumerator devices{{camera}};
    test::FakeCameraStream stream;
    CameraManager manager{devices, stream, clock};
    test::FakeUiServices ui;
    test::FakePanel panel{manager, stream};
    NotificationCenter center;
    Settings settings{dir.Path(), center};
    LinkRecoveryController recovery{manager, ui};
    FirmwareUpdateDialogModel* dialogPtr = nullptr;
    View view{dialogPtr};
    MainFrameCameraClient frame{manager, recovery, ui, view};
    FirmwareUpdateDialogModel dialog{manager, settings, ui, clock};
    std::vector<DeviceChangeNotification> removals;
};

TEST_F(FirmwareDialogTest, OpeningPreselectsTheOtherSlotAndOffersStreaming) {
    ui.yesNoReplies = {true};
    ASSERT_TRUE(dialog.Open(false));
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Firmware Update'"));
    EXPECT_EQ(dialog.ActiveSlotText(), "(Active: IMG-1)");
    EXPECT_EQ(dialog.selectedSlot, FirmwareUpdate::kSlotImg2);
    EXPECT_FALSE(dialog.SlotListEnabled()) << "only with Shift";
    EXPECT_EQ(dialog.StatusText(), "Select firmware image and click on \"Run\".");
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].title, "Enable Streaming");
    EXPECT_TRUE(stream.streaming);
    CameraStatus status;
    EXPECT_FALSE(manager.ActiveCameraUnit()->GetStatus(&status, 0)) << "status reads pause";
    dialog.Cancel();
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_FALSE(stream.streaming) << "streaming started for the dialog stops with it";
    EXPECT_FALSE(manager.ActiveCameraUnit()->FirmwareUpdateRunning());

    manager.DoDisconnectCamera();
    EXPECT_FALSE(dialog.Open(true));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().title, "No camera");
    EXPECT_EQ(ui.messages.back().text, "Please connect the camera and try again.");
}

TEST_F(FirmwareDialogTest, AnUnknownRunningSlotPreselectsNoBootloaderAndRunErasesNothing) {
    camera->Faults().FailExtensionUnitCalls(-5, 1, 1);  // the slot query's reply
    ASSERT_TRUE(dialog.Open(true));
    EXPECT_EQ(dialog.ActiveSlotText(), "(Active: unknown)");
    EXPECT_EQ(dialog.selectedSlot, FirmwareUpdate::kSlotImg1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Reading the firmware update status from the camera has failed.");

    // The camera still cannot tell when "Run" asks again: nothing is erased.
    const Bytes file = Image().File();
    dialog.firmwareFile = dir.File("fw.dat");
    test::WriteFile(dialog.firmwareFile, std::string(file.begin(), file.end()));
    camera->Faults().FailExtensionUnitCalls(-5, 1);
    dialog.selectedSlot = FirmwareUpdate::kSlotImg2;  // chosen with Shift held
    dialog.Run();
    Ticks(20);
    ASSERT_TRUE(dialog.Engine());
    EXPECT_EQ(dialog.Engine()->State(), FirmwareUpdateState::Error);
    EXPECT_TRUE(dialog.ProgressFailed());
    EXPECT_TRUE(dialog.ControlsEnabled());
    EXPECT_EQ(camera->Device().WithFlash([](SimFlash& f) { return f.ErasedBlockCount(); }), 0);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "Failed to send a command or data package to the camera.");
}

TEST_F(FirmwareDialogTest, UnplugDuringProgrammingIsReportedAndASecondUpdateCompletes) {
    const std::string path = dir.File("fw.dat");
    const Bytes file = Image().File();
    test::WriteFile(path, std::string(file.begin(), file.end()));

    ASSERT_TRUE(dialog.Open(false));
    dialog.firmwareFile = path;
    dialog.Run();
    EXPECT_FALSE(dialog.ControlsEnabled());
    EXPECT_EQ(settings.UpdateFirmwareFile, path);
    // Into the FPGA pass, then the cable goes.
    for (int i = 0; i < 1000 && dialog.Engine()->State() != FirmwareUpdateState::ProgrammingFpga; ++i) Ticks(1);
    ASSERT_EQ(dialog.Engine()->State(), FirmwareUpdateState::ProgrammingFpga);
    camera->Unplug();
    Ticks(1);
    EXPECT_EQ(dialog.StatusText(), "Failed to send a data block to the camera.");
    EXPECT_TRUE(dialog.ProgressFailed());
    EXPECT_TRUE(dialog.ControlsEnabled());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Failed to send a command or data package to the camera.");

    DeliverRemovals();
    EXPECT_FALSE(dialog.IsOpen()) << "the link recovery closes the dialog";
    EXPECT_FALSE(manager.RecoveryActive());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].title, "Camera disconnected");

    // Plugged in again: listed, connected, still running its old firmware, updated.
    camera->Replug(0ms);
    Connect();
    EXPECT_EQ(manager.ActiveCameraUnit()->Model()->FirmwareMinor(), 3);
    ASSERT_TRUE(dialog.Open(false));
    EXPECT_EQ(dialog.selectedSlot, FirmwareUpdate::kSlotImg2);
    dialog.Run();
    Ticks(5000);
    EXPECT_FALSE(dialog.IsOpen());
    ASSERT_EQ(ui.messages.size(), 3u) << "a second send failure would have shown no box";
    EXPECT_EQ(ui.messages[2].title, "Success");
    EXPECT_EQ(camera->Device().WithFlash([](SimFlash& f) { return f.ActiveSlot(); }), SimFlash::kSlotImg2);

    camera->Unplug();
    camera->Replug(0ms);
    DeliverRemovals();
    manager.DoDisconnectCamera();
    Connect();
    EXPECT_EQ(manager.ActiveCameraUnit()->Model()->FirmwareMinor(), kNewVersion.minor);
}

TEST_F(FirmwareDialogTest, CameraWithoutSerialNumberAsksForIt) {
    // Extension-unit version 1 reports no serial number.
    SimCameraConfig config;
    config.identity.extensionUnitVersion = 1;
    auto old = std::make_shared<SimulatedCamera>(config, clock);
    SimDeviceEnumerator oldDevices{{old}};
    test::FakeCameraStream oldStream;
    CameraManager oldManager{oldDevices, oldStream, clock};
    auto list = oldManager.EnumerateCameras();
    ASSERT_EQ(list.size(), 1u);
    ASSERT_TRUE(oldManager.DoConnectCamera(list[0]));
    FirmwareUpdateDialogModel oldDialog{oldManager, settings, ui, clock};
    int asked = 0;
    oldDialog.askSerialNumber = [&] {
        ++asked;
        return std::optional<uint32_t>(60);
    };
    ASSERT_TRUE(oldDialog.Open(false));
    const Bytes file = Image().File();
    oldDialog.firmwareFile = dir.File("fw.dat");
    test::WriteFile(oldDialog.firmwareFile, std::string(file.begin(), file.end()));
    oldDialog.Run();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(log.Contains("I Firmware file is open, bytes for FX3 / FPGA_FTG256:  6000 100300"));
}

TEST(SerialNumberDialog, AcceptsOnlyOnePositiveInteger) {
    test::FakeUiServices ui;
    SerialNumberDialogModel dialog(ui);
    dialog.Open();
    const std::pair<const char*, std::optional<uint32_t>> cases[] = {
        {"49", 49}, {" 50 ", 50}, {"0", std::nullopt}, {"", std::nullopt}, {"12 13", std::nullopt},
        {"-4", std::nullopt}, {"1e3", std::nullopt}, {"4294967296", std::nullopt}, {"4294967295", 4294967295u},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        dialog.text = text;
        EXPECT_EQ(dialog.Ok(), expected.has_value());
        if (expected) {
            EXPECT_EQ(dialog.Value(), *expected);
        }
    }
    EXPECT_EQ(ui.messages.size(), 6u);
    EXPECT_EQ(ui.messages[0].text, "The serial number is invalid. Please enter a value of 1 or greater.");
}

}  // namespace
}  // namespace orva
