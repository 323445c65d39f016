// The upgrade engine against the simulated unit's loader, which checks every block it receives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>

#include "DeviceTestSupport.h"
#include "device/FirmwareFile.h"

namespace {

using dv::FirmwareKind;
using dv::sim::SimImageKind;
using dv::sim::SimLoader;
using dv::sim::SimPersonality;
using dv::sim::SimUpgradeFaults;
namespace fs = std::filesystem;

struct Kind {
    FirmwareKind kind;
    SimImageKind sim;
    const char* name;
};
const Kind kMcu{FirmwareKind::McuApp, SimImageKind::Mcu, "DV80MAX_MCU_UPG.BIN"};
const Kind kBoot{FirmwareKind::Bootloader, SimImageKind::Bootloader, "DV80MAX_BL_UPG.BIN"};
const Kind kFlash{FirmwareKind::DspFlash, SimImageKind::Flash, "dv80max_flash_upg.bin"};

std::vector<uint8_t> Image(size_t size) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + i / 251 + 1);
    return image;
}

struct Outcome {
    int start = -1;
    int end = -1;               // 101, 255, or -1 when it never ended
    std::vector<int> progress;  // every value returned before the end
};

class UpgradeEngineTest : public dvtest::SimulatedUnitTest {
protected:
    void SetUp() override {
        SimulatedUnitTest::SetUp();
        dir_ = fs::temp_directory_path() / ("dvupg-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        device_->SetExpectedModel(1);
        dv::UpgradeTiming timing;
        timing.replyTimeoutMs = 150;
        timing.restartWaitMs = 150;
        timing.reopenIntervalMs = 30;
        timing.reopenAttempts = 10;
        device_->SetUpgradeTiming(timing);
        auto options = unit_->Options();
        options.restartDelay = std::chrono::milliseconds(40);
        unit_->SetOptions(options);
        Greet();
    }
    void TearDown() override {
        fs::remove_all(dir_);
        SimulatedUnitTest::TearDown();
    }
    // Opens the link to the unit as it is now and greets it.
    void Greet() {
        device_->CloseHIDDevice(false);
        ASSERT_TRUE(dvtest::WaitUntil([] { return dv::sim::SimBus::Instance().IsPlugged(); }));
        Open();
        ASSERT_TRUE(device_->Hand_Connect());
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        return path.string();
    }
    std::string FileFor(const Kind& kind, const std::vector<uint8_t>& image, uint8_t version = 9) {
        return Write(kind.name, dv::MakeFirmwareFile(
                                    image, dv::sim::SimUpgradeHeader(
                                               version, static_cast<uint32_t>(image.size()))));
    }
    Outcome Run(const std::string& path) {
        Outcome out;
        out.start = device_->UpgradeStart(path);
        if (out.start != 0) return out;
        for (int steps = 0; steps < 1000000; ++steps) {
            const int r = device_->UpgradeProcess();
            if (r > 100) {
                out.end = r;
                break;
            }
            out.progress.push_back(r);
        }
        return out;
    }
    void SetFaults(const SimUpgradeFaults& faults) {
        unit_->WithLoader([&](SimLoader& l) { l.SetFaults(faults); });
    }
    std::vector<uint8_t> Installed(SimImageKind kind) {
        return unit_->WithLoader([&](SimLoader& l) { return l.Installed(kind); });
    }
    int Restarts() {
        return unit_->WithLoader([](SimLoader& l) { return l.Restarts(); });
    }
    // Waits for the restart that follows a confirmed image and greets the application.
    void AwaitApplication(int restartsBefore) {
        ASSERT_TRUE(dvtest::WaitUntil([&] {
            return Restarts() > restartsBefore && dv::sim::SimBus::Instance().IsPlugged() &&
                   Personality() == SimPersonality::Application;
        }));
        Greet();
    }
    SimPersonality Personality() {
        return unit_->WithLoader([](SimLoader& l) { return l.Personality(); });
    }
    // After an end: the engine is idle and holds nothing.
    void ExpectIdle() {
        EXPECT_EQ(device_->GetUpgradeStatus(), dv::UPG_IDLE);
        EXPECT_EQ(device_->GetUpgradePhase(), dv::PHASE_IDLE);
        EXPECT_EQ(device_->GetUpgradeKind(), FirmwareKind::None);
        EXPECT_EQ(device_->UpgradeProcess(), dv::kUpgradeFailed) << "nothing left to step";
    }

    fs::path dir_;
};

TEST(FirmwareFileTest, KindComesFromTheEndOfTheName) {
    const std::pair<const char*, FirmwareKind> rows[] = {
        {"DV80MAX_MCU_UPG.BIN", FirmwareKind::McuApp},
        {"/a/b\\x_bl_upg.bin", FirmwareKind::Bootloader},
        {"c:\\fw\\dv80max_Flash_Upg.Bin", FirmwareKind::DspFlash},
        {"MCU_UPG.BIN", FirmwareKind::McuApp},
        {"X_MCU_UPG.BIN.bak", FirmwareKind::None},
        {"MCU_UPG.BIN/readme.txt", FirmwareKind::None},
        {"BL_UPG.BIN.MCU", FirmwareKind::None},
        {"", FirmwareKind::None},
        {"UPG.BIN", FirmwareKind::None},
    };
    for (const auto& [name, kind] : rows) EXPECT_EQ(dv::FirmwareKindFromName(name), kind) << name;
}

TEST(FirmwareFileTest, EveryCheckRefusesItsFault) {
    using C = dv::FirmwareCheck;
    const auto good = dv::MakeFirmwareFile(Image(100), {1, 2, 3, 4});
    auto with = [&](size_t at, uint8_t value) {
        auto file = good;
        file[at] = value;
        return file;
    };
    auto resummed = [](std::vector<uint8_t> file) {  // a consistent file with other fields
        const std::vector<uint8_t> image(file.begin() + 6, file.end() - 8);
        return dv::MakeFirmwareFile(image, {file[2], file[3], file[4], file[5]}, file[0], file[1]);
    };
    struct Row {
        std::vector<uint8_t> file;
        FirmwareKind kind;
        C want;
    };
    const Row rows[] = {
        {good, FirmwareKind::McuApp, C::Ok},
        {resummed(with(0, 2)), FirmwareKind::McuApp, C::WrongKind},
        {resummed(with(0, 2)), FirmwareKind::Bootloader, C::WrongKind},
        {resummed(with(0, 2)), FirmwareKind::DspFlash, C::Ok},
        {resummed(with(1, 2)), FirmwareKind::DspFlash, C::WrongModel},
        {with(50, 0xEE), FirmwareKind::McuApp, C::BadChecksum},
        {with(good.size() - 1, 0), FirmwareKind::McuApp, C::BadChecksum},
        {std::vector<uint8_t>(good.begin(), good.begin() + 14), FirmwareKind::McuApp, C::TooSmall},
        {{}, FirmwareKind::DspFlash, C::TooSmall},
        {dv::MakeFirmwareFile(Image(1), {}), FirmwareKind::DspFlash, C::Ok},
        {dv::MakeFirmwareFile(Image(dv::kFirmwareMaxFile - 14), {}), FirmwareKind::McuApp, C::Ok},
        {dv::MakeFirmwareFile(Image(dv::kFirmwareMaxFile - 13), {}), FirmwareKind::McuApp,
         C::TooLarge},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        dv::FirmwareImage out;
        EXPECT_EQ(dv::ParseFirmwareFile(rows[i].file, rows[i].kind, 1, out), rows[i].want) << i;
        if (rows[i].want == C::Ok) {
            EXPECT_EQ(out.image.size(), rows[i].file.size() - 14) << i;
        }
    }
}

// Each kind, each size that matters for the block cutting: the unit ends holding the file's
// image byte for byte and comes back with the new version; progress climbs to 100 and only
// the unit's confirmation of the finish gives 101; nothing else reaches the unit meanwhile.
TEST_F(UpgradeEngineTest, EveryKindAndSizeArrivesWhole) {
    const size_t sizes[] = {1, 32, 33, 50, 51, 100, 65536, 1048576 - 14};
    for (const Kind& kind : {kMcu, kFlash, kBoot}) {
        for (size_t size : sizes) {
            SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(size));
            const auto image = Image(size);
            const uint8_t version = static_cast<uint8_t>(10 + size % 200);
            const int restarts = Restarts();
            const Outcome out = Run(FileFor(kind, image, version));
            ASSERT_EQ(out.start, 0);
            EXPECT_EQ(out.end, dv::kUpgradeDone);
            ASSERT_FALSE(out.progress.empty());
            EXPECT_EQ(out.progress.back(), 100);
            EXPECT_TRUE(std::is_sorted(out.progress.begin(), out.progress.end()));
            ExpectIdle();
            EXPECT_TRUE(Installed(kind.sim) == image) << "the unit holds another image";
            EXPECT_EQ(unit_->WithLoader([](SimLoader& l) { return l.ForeignFrames(); }), 0);
            // Back as the application with the new version.
            AwaitApplication(restarts);
            const auto options = unit_->Options();
            EXPECT_EQ(kind.sim == SimImageKind::Mcu          ? options.masterVersion
                      : kind.sim == SimImageKind::Bootloader ? options.bootloaderVersion
                                                             : options.flashVersion[3],
                      version);
            EXPECT_TRUE(device_->IsHandshakeNormal());
        }
    }
}

// The block cutting on the wire: MCU blocks from the end, the odd bytes first; DSP flash from
// the front in 50-byte blocks.
TEST_F(UpgradeEngineTest, BlocksGoOutInTheUnitsOrder) {
    struct Row {
        Kind kind;
        size_t size;
        std::vector<std::pair<uint32_t, size_t>> blocks;  // offset, significant bytes
    };
    const Row rows[] = {
        {kMcu, 100, {{96, 4}, {64, 32}, {32, 32}, {0, 32}}},
        {kMcu, 96, {{64, 32}, {32, 32}, {0, 32}}},
        {kFlash, 120, {{0, 50}, {50, 50}, {100, 20}}},
    };
    for (const Row& row : rows) {
        const int restarts = Restarts();
        dv::sim::SimBus::Instance().ClearTranscript();
        const Outcome out = Run(FileFor(row.kind, Image(row.size)));
        ASSERT_EQ(out.end, dv::kUpgradeDone);
        std::vector<std::pair<uint32_t, size_t>> seen;
        for (const auto& report : dv::sim::SimBus::Instance().WrittenReports()) {
            const bool flash = report[4] == 2 && report[5] == 4;
            if (!flash && !(report[4] == 3 && report[5] == 3)) continue;
            const uint32_t offset =
                uint32_t(report[7]) << 24 | report[8] << 16 | report[9] << 8 | report[10];
            seen.emplace_back(offset, flash ? report[11] : std::min<size_t>(32, row.size - offset));
            if (!flash) {
                EXPECT_EQ(report[3], 3 + 36) << "MCU blocks are always 36 bytes";
            }
        }
        EXPECT_EQ(seen, row.blocks) << row.size;
        AwaitApplication(restarts);
    }
}

// Files refused before anything is sent and before any state changes.
TEST_F(UpgradeEngineTest, BadFilesChangeNothing) {
    const auto good = dv::MakeFirmwareFile(Image(64), dv::sim::SimUpgradeHeader(1, 64));
    auto bad = good;
    bad[20] ^= 1;
    fs::create_directories(dir_ / "X_MCU_UPG.BIN");
    const std::pair<std::string, int> rows[] = {
        {Write("DV80MAX_MCU_UPG.BIN.bak", good), 2},
        {Write("other_MCU_UPG.BIN", bad), 2},
        {Write("big_FLASH_UPG.BIN", std::vector<uint8_t>(dv::kFirmwareMaxFile + 1, 0)), 2},
        {Write("empty_FLASH_UPG.BIN", std::vector<uint8_t>(14, 0)), 2},
        {(dir_ / "missing_MCU_UPG.BIN").string(), 1},
        {(dir_ / "X_MCU_UPG.BIN").string(), 1},  // a folder, not a file
        {"", 2},
    };
    dv::sim::SimBus::Instance().ClearTranscript();
    for (const auto& [path, want] : rows) {
        EXPECT_EQ(Run(path).start, want) << path;
        ExpectIdle();
    }
    EXPECT_TRUE(Written().empty());
    device_->CloseHIDDevice(false);
    EXPECT_EQ(Run(Write("DV80MAX_MCU_UPG.BIN", good)).start, 3);
    ExpectIdle();
}

// Every fault, at the first, a middle and the last block and around the restart: never 101,
// the engine ends idle, and a second upgrade of the same file then succeeds.
TEST_F(UpgradeEngineTest, FaultsNeverEndAsDoneAndAllowARetry) {
    const auto image = Image(32 * 6 + 5);  // 7 MCU blocks, 4 DSP-flash blocks
    struct Row {
        const char* name;
        std::function<void(SimUpgradeFaults&, int block)> set;
        int start;  // expected UpgradeStart result; 0: started, then 255
        bool perBlock;
    };
    const Row rows[] = {
        {"refuse enter", [](auto& f, int) { f.refuseEnter = true; }, 4, false},
        {"refuse start", [](auto& f, int) { f.refuseStart = true; }, 4, false},
        {"start unanswered", [](auto& f, int) { f.ignoreStart = true; }, 4, false},
        {"refuse finish", [](auto& f, int) { f.refuseFinish = true; }, 0, false},
        {"finish unanswered", [](auto& f, int) { f.ignoreFinish = true; }, 0, false},
        {"never back", [](auto& f, int) { f.neverReturn = true; }, 3, false},
        {"back late", [](auto& f, int) { f.returnDelay = std::chrono::milliseconds(1500); }, 3,
         false},
        {"not ready, block dropped", [](auto& f, int b) { f.notReadyDropAt = b; }, 0, true},
        {"acknowledgement lost", [](auto& f, int b) { f.loseAckAt = b; }, 0, true},
        {"unplugged", [](auto& f, int b) { f.unplugAtBlock = b; }, 0, true},
    };
    for (const Kind& kind : {kMcu, kFlash, kBoot}) {
        const int last = kind.kind == FirmwareKind::DspFlash ? 3 : 6;
        for (const Row& row : rows) {
            // The bootloader is written by the application: there is no restart to miss.
            if (kind.kind == FirmwareKind::Bootloader && row.start == 3) continue;
            for (int block :
                 row.perBlock ? std::vector<int>{0, last / 2, last} : std::vector<int>{-1}) {
                SCOPED_TRACE(std::string(kind.name) + " " + row.name + " " + std::to_string(block));
                SimUpgradeFaults faults;
                row.set(faults, block);
                SetFaults(faults);
                const std::string path = FileFor(kind, image);
                const Outcome out = Run(path);
                EXPECT_EQ(out.start, row.start);
                if (row.start == 0) {
                    EXPECT_EQ(out.end, dv::kUpgradeFailed);
                }
                ExpectIdle();
                // The unit, wherever it ended up, takes the file on the next try.
                SetFaults({});
                if (row.start == 3 && !dv::sim::SimBus::Instance().IsPlugged()) {
                    unit_->Restarted();
                    dv::sim::SimBus::Instance().Plug(unit_);
                }
                ASSERT_TRUE(
                    dvtest::WaitUntil([] { return dv::sim::SimBus::Instance().IsPlugged(); },
                                      std::chrono::milliseconds(3000)));
                Greet();
                const int restarts = Restarts();
                const Outcome retry = Run(path);
                EXPECT_EQ(retry.start, 0);
                EXPECT_EQ(retry.end, dv::kUpgradeDone);
                EXPECT_TRUE(Installed(kind.sim) == image);
                AwaitApplication(restarts);
            }
        }
    }
}

// Faults the engine rides out: a late 0x0A after NOT_READY, and acknowledgements that answer
// nothing awaited.
TEST_F(UpgradeEngineTest, LateDuplicatedAndStrayAcknowledgementsChangeNothing) {
    const auto image = Image(32 * 6 + 5);
    using Set = void (*)(SimUpgradeFaults&, int);
    const std::pair<const char*, Set> rows[] = {
        {"not ready, then ready", [](SimUpgradeFaults& f, int b) { f.notReadyThenReadyAt = b; }},
        {"duplicated", [](SimUpgradeFaults& f, int b) { f.duplicateAckAt = b; }},
        {"stray", [](SimUpgradeFaults& f, int b) { f.strayAckAt = b; }},
    };
    for (const Kind& kind : {kMcu, kFlash}) {
        const int last = kind.kind == FirmwareKind::DspFlash ? 3 : 6;
        for (const auto& [name, set] : rows) {
            for (int block : {0, last / 2, last}) {
                SCOPED_TRACE(std::string(kind.name) + " " + name + " " + std::to_string(block));
                SimUpgradeFaults faults;
                set(faults, block);
                SetFaults(faults);
                const int restarts = Restarts();
                const Outcome out = Run(FileFor(kind, image));
                EXPECT_EQ(out.end, dv::kUpgradeDone);
                EXPECT_TRUE(Installed(kind.sim) == image);
                AwaitApplication(restarts);
            }
        }
    }
}

// A failed DSP-flash transfer leaves the unit in its upgrade mode: no reboot is sent.
TEST_F(UpgradeEngineTest, FailedFlashIsNotRebooted) {
    SimUpgradeFaults faults;
    faults.refuseFinish = true;
    SetFaults(faults);
    EXPECT_EQ(Run(FileFor(kFlash, Image(120))).end, dv::kUpgradeFailed);
    for (const auto& report : dv::sim::SimBus::Instance().WrittenReports())
        EXPECT_FALSE(report[4] == 3 && report[5] == 0x8F) << "reboot sent";
    EXPECT_EQ(Personality(), SimPersonality::Loader);
}

// An abort stops the transfer at a block boundary and ends it as a failure.
TEST_F(UpgradeEngineTest, AbortEndsAtABlockBoundary) {
    ASSERT_EQ(device_->UpgradeStart(FileFor(kMcu, Image(32 * 20))), 0);
    for (int i = 0; i < 9; ++i) ASSERT_LE(device_->UpgradeProcess(), 100);
    device_->RequestUpgradeAbort();
    int end = 0, steps = 0;
    while ((end = device_->UpgradeProcess()) <= 100) ++steps;
    EXPECT_EQ(end, dv::kUpgradeFailed);
    EXPECT_LE(steps, 2) << "only the block in flight is finished";
    ExpectIdle();
    const int blocks = unit_->WithLoader([](SimLoader& l) { return l.BlocksReceived(); });
    EXPECT_GE(blocks, 3);
    EXPECT_LT(blocks, 20);
}

}  // namespace
