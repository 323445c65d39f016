// The firmware window over the real main window, against the simulated unit and its loader.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/dialogs/UpdateFwWnd.h"
#include "device/FirmwareFile.h"
#include "sim/SimFrames.h"
#include "sim/SimLoader.h"
#include "tests/app/MainWndTestSupport.h"
#include "tests/app/MsgWindowTestSupport.h"

namespace {

using dv::sim::SimLoader;
using dv::sim::SimUpgradeFaults;

std::vector<uint8_t> Image(size_t size) {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 13 + i / 256 + 3);
    return image;
}

class FirmwareWindowTest : public maintest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        dv::sim::SimOptions options;
        options.latency = std::chrono::microseconds(0);
        options.restartDelay = std::chrono::milliseconds(40);
        m_unit = PlugUnit(options);
        OpenWindow();
        ASSERT_TRUE(WaitConnected());
        dv::UpgradeTiming timing;
        timing.replyTimeoutMs = 200;
        timing.restartWaitMs = 150;
        timing.reopenIntervalMs = 30;
        m_wnd->Manager().Device().SetUpgradeTiming(timing);
        QObject::connect(&m_idleCloser, &QTimer::timeout, [this] { CloseIdleFirmwareWindows(); });
        m_idleCloser.start(5);
    }

    void TearDown() override {
        m_idleCloser.stop();
        MainWindowTest::TearDown();
    }

    QString FileFor(const char* name, const std::vector<uint8_t>& image) {
        const auto bytes = dv::MakeFirmwareFile(
            image, dv::sim::SimUpgradeHeader(7, static_cast<uint32_t>(image.size())));
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    }

    struct Seen {
        QString tips;       // "update_tips" once the worker ended
        int progress = -1;  // the bar then
        bool buttonsBack = false;
        bool engineIdle = false;
    };

    // Picks `path` in the window and starts its upgrade, the question confirmed.
    static void StartUpgrade(CUpdateFwWnd* fw, const QString& path) {
        fw->SetFilePath(path);
        msgtest::WhenShown("MsgWnd", [](DuiLib::WindowImplBase* question) {
            msgtest::Click(question, "confirm_btn");
        });
        msgtest::Click(fw, "update_btn");
    }

    // What runs the firmware window once it shows: `path` with the question confirmed, notes
    // what the window shows at the end into `seen`, then `inside`, then closes it.
    std::function<void(DuiLib::WindowImplBase*)> Drive(const QString& path, Seen& seen,
                                                       std::function<void()> inside = nullptr) {
        return [this, path, &seen, inside](DuiLib::WindowImplBase* window) {
            auto* fw = static_cast<CUpdateFwWnd*>(window);
            // The window is the panel's to close too: touched only while it is the open one.
            auto open = [this, fw] { return m_wnd->FirmwareWindow() == fw && fw->IsWindow(); };
            StartUpgrade(fw, path);
            EXPECT_TRUE(WaitFor([&] {
                return !open() ||
                       (!fw->IsUpdating() && msgtest::Find(fw, "update_btn")->IsEnabled());
            }));
            ASSERT_TRUE(open()) << "the window went under its upgrade";
            seen.tips = msgtest::Find(fw, "update_tips")->GetRawText();
            seen.progress =
                static_cast<DuiLib::CProgressUI*>(msgtest::Find(fw, "progress"))->GetValue();
            seen.buttonsBack = true;
            for (const char* name : {"closebtn", "cancel_btn", "file_btn", "file_path_edt"})
                seen.buttonsBack = seen.buttonsBack && msgtest::Find(fw, name)->IsEnabled();
            seen.engineIdle = m_wnd->Manager().Device().GetUpgradeStatus() == dv::UPG_IDLE;
            if (inside) inside();
            // From here a window the panel opens by itself (a unit answering from its loader)
            // is not this step's: the watcher closes it, or its modal run would hold the test.
            m_closeIdleWindows = true;
            fw->Close(0);
        };
    }

    // Opens the firmware window from the option menu and runs `path` in it.
    Seen Upgrade(const QString& path, std::function<void()> inside = nullptr) {
        Seen seen;
        m_closeIdleWindows = false;
        msgtest::WhenShown("UpdateFwWnd", Drive(path, seen, std::move(inside)));
        auto cmd = std::make_unique<DuiLib::MenuCmd>();
        wcscpy(cmd->szName, L"option_item_firmware_upgrade");
        m_wnd->PostMessage(DuiLib::WM_MENUCLICK, 0, 0, std::move(cmd));
        EXPECT_TRUE(WaitFor([&] { return !seen.tips.isEmpty() && !m_wnd->FirmwareWindow(); }));
        m_closeIdleWindows = true;
        return seen;
    }

    // The panel at rest with the unit: read again and connected, or (a unit in its loader) the
    // link open for the firmware window; no read, busy window or firmware window in the way.
    // Firmware windows the panel opens by itself for a loader meanwhile are closed.
    bool WaitSettled() {
        EqualizerManager& manager = m_wnd->Manager();
        return WaitFor(
            [&] {
                return !manager.IsUpgradeHeld() && !manager.IsWorkerRunning() &&
                       !m_wnd->BusyWindow() && !m_wnd->FirmwareWindow() &&
                       manager.Device().IsDeviceOpen() &&
                       Find("btnConnect")->GetRawText() != "${btn_connecting}" &&
                       (manager.IsConnected() || !manager.Device().IsHandshakeNormal());
            },
            8000);
    }

    // Closes a firmware window that shows up idle while no test step drives one.
    void CloseIdleFirmwareWindows() {
        CUpdateFwWnd* fw = m_wnd ? m_wnd->FirmwareWindow() : nullptr;
        if (m_closeIdleWindows && fw && fw->IsWindow() && !fw->IsUpdating()) fw->Close(0);
    }

    // Frames other than the upgrade's that the unit received between the upgrade's first and
    // last frame (since the transcript was last cleared). The unit's own count runs on after a
    // failed upgrade, into the re-read that follows it.
    static int ForeignFramesDuringUpgrade() {
        std::vector<bool> upgrade;
        for (const auto& report : dv::sim::SimBus::Instance().WrittenReports()) {
            const auto frame = dv::sim::DecodeOutputReport(report);
            upgrade.push_back(frame && SimLoader::IsUpgradeFrame(*frame));
        }
        const auto first = std::find(upgrade.begin(), upgrade.end(), true);
        const auto last = std::find(upgrade.rbegin(), upgrade.rend(), true).base();
        return first < last ? static_cast<int>(std::count(first, last, false)) : 0;
    }

    bool m_closeIdleWindows = true;
    QTimer m_idleCloser;

    template <typename R>
    R Loader(const std::function<R(SimLoader&)>& f) {
        return m_unit->WithLoader(f);
    }

    std::shared_ptr<dv::sim::ProcessorSimulator> m_unit;
    QTemporaryDir m_dir;
};

// Each kind and the sizes that matter for the block cutting: the unit holds the file's image,
// comes back with the new version and is read again; the window showed 100 and then the
// success text; no other frame reached the unit meanwhile.
TEST_F(FirmwareWindowTest, EveryKindArrivesAndTheUnitIsReadAgain) {
    struct Kind {
        const char* name;
        dv::sim::SimImageKind sim;
    };
    const Kind kinds[] = {{"DV80MAX_MCU_UPG.BIN", dv::sim::SimImageKind::Mcu},
                          {"DV80MAX_FLASH_UPG.BIN", dv::sim::SimImageKind::Flash},
                          {"DV80MAX_BL_UPG.BIN", dv::sim::SimImageKind::Bootloader}};
    for (const Kind& kind : kinds) {
        for (size_t size :
             {size_t{1}, size_t{32}, size_t{33}, size_t{65536}, size_t{1 << 20} - 14}) {
            SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(size));
            const auto image = Image(size);
            const int restarts = Loader<int>([](SimLoader& l) { return l.Restarts(); });
            const Seen seen = Upgrade(FileFor(kind.name, image));
            EXPECT_EQ(seen.tips, "${update_ok}");
            EXPECT_EQ(seen.progress, 100);
            EXPECT_TRUE(Loader<bool>([&](SimLoader& l) { return l.Installed(kind.sim) == image; }));
            EXPECT_EQ(Loader<int>([](SimLoader& l) { return l.ForeignFrames(); }), 0);
            // Restarted with its new image, and connected again for editing.
            ASSERT_TRUE(WaitFor([&] {
                return Loader<int>([](SimLoader& l) { return l.Restarts(); }) > restarts &&
                       m_wnd->Manager().IsConnected() && !m_wnd->BusyWindow();
            }));
        }
    }
    EXPECT_EQ(m_unit->Options().masterVersion, 7);
    EXPECT_EQ(m_unit->Options().bootloaderVersion, 7);
}

// An idle firmware window goes when a link comes up or goes down, as the other tool windows
// do; while an upgrade runs plug events change nothing, and the window that ran it stays,
// showing its result, through the unit's restart, re-read and later plug events.
TEST_F(FirmwareWindowTest, LinkChangesCloseAnIdleWindowButNotARunningOne) {
    m_closeIdleWindows = false;
    auto& bus = dv::sim::SimBus::Instance();
    // Removal, then arrival, each with the window idle.
    for (bool plugged : {true, false}) {
        SCOPED_TRACE(plugged ? "removal" : "arrival");
        bool closedByPanel = false;
        msgtest::WhenShown("UpdateFwWnd", [&](DuiLib::WindowImplBase*) {
            if (plugged)
                bus.Unplug();
            else
                bus.Plug(m_unit);
            closedByPanel = WaitFor([&] { return !m_wnd->FirmwareWindow(); });
        });
        m_wnd->OpenFirmwareWindow();
        EXPECT_TRUE(closedByPanel);
        if (plugged) {
            ASSERT_TRUE(WaitFor([&] { return !m_wnd->Manager().Device().IsDeviceOpen(); }));
        }
    }
    ASSERT_TRUE(WaitConnected());
    // Plug events during the upgrade are held; the window survives the restart and re-read.
    const auto image = Image(4096);
    const QString path = FileFor("DV80MAX_FLASH_UPG.BIN", image);
    QString tips;
    bool keptThroughReread = false, keptOnUnplug = false;
    msgtest::WhenShown("UpdateFwWnd", [&](DuiLib::WindowImplBase* window) {
        auto* fw = static_cast<CUpdateFwWnd*>(window);
        StartUpgrade(fw, path);
        for (unsigned event : {kDbtDeviceRemoveComplete, kDbtDeviceArrival})
            PostDeviceChange(m_wnd->GetWindowHandle(), event, "sim:dv80max");
        ASSERT_TRUE(WaitFor([&] { return !fw->IsUpdating(); }));
        tips = msgtest::Find(fw, "update_tips")->GetRawText();
        keptThroughReread = WaitConnected() && m_wnd->FirmwareWindow() == fw;
        bus.Unplug();
        keptOnUnplug = WaitFor([&] { return !m_wnd->Manager().Device().IsDeviceOpen(); }) &&
                       m_wnd->FirmwareWindow() == fw;
        fw->Close(0);
    });
    m_wnd->OpenFirmwareWindow();
    EXPECT_EQ(tips, "${update_ok}");
    EXPECT_TRUE(Loader<bool>(
        [&](SimLoader& l) { return l.Installed(dv::sim::SimImageKind::Flash) == image; }));
    EXPECT_TRUE(keptThroughReread);
    EXPECT_TRUE(keptOnUnplug);
    bus.Plug(m_unit);
    EXPECT_TRUE(WaitConnected());
}

// The fault matrix at the window: each fault at the first, a middle and the last block (the
// kinds take turns; tests/core runs every kind at every position) and around the restart into
// the loader. A failure never shows the success text; the buttons come back and the engine is
// idle; the panel settles (read again, or the link open for a unit left in its loader), answers
// an unplug and a re-plug, and a second upgrade of the same file then succeeds. Faults the
// upgrade rides out end with the success text and the new image.
struct FaultRow {
    const char* name;
    const char* file;
    int block;  // -1: none
    void (*set)(SimUpgradeFaults&, int block);
    const char* tips;     // what the window shows at the end
    bool replug = false;  // the unit never comes back by itself
};

constexpr const char* kMcuFile = "DV80MAX_MCU_UPG.BIN";
constexpr const char* kFlashFile = "DV80MAX_FLASH_UPG.BIN";
constexpr const char* kBootFile = "DV80MAX_BL_UPG.BIN";

dv::sim::SimImageKind SimKind(const char* file) {
    return file == kMcuFile     ? dv::sim::SimImageKind::Mcu
           : file == kFlashFile ? dv::sim::SimImageKind::Flash
                                : dv::sim::SimImageKind::Bootloader;
}

class FirmwareFaultTest : public FirmwareWindowTest,
                          public ::testing::WithParamInterface<FaultRow> {};

TEST_P(FirmwareFaultTest, EndsHonestlyAndAllowsAnotherTry) {
    const FaultRow& row = GetParam();
    // 197 bytes: seven MCU and bootloader blocks (0 .. 6), four DSP-flash blocks (0 .. 3).
    const auto image = Image(32 * 6 + 5);
    SimUpgradeFaults faults;
    row.set(faults, row.block);
    m_unit->WithLoader([&](SimLoader& l) { l.SetFaults(faults); });
    const QString path = FileFor(row.file, image);
    dv::sim::SimBus::Instance().ClearTranscript();
    const Seen seen =
        Upgrade(path, [&] { m_unit->WithLoader([](SimLoader& l) { l.SetFaults({}); }); });
    EXPECT_EQ(seen.tips, QString::fromLatin1(row.tips));
    EXPECT_TRUE(seen.buttonsBack);
    EXPECT_TRUE(seen.engineIdle);
    EXPECT_EQ(ForeignFramesDuringUpgrade(), 0);
    auto installed = [&] {
        return Loader<bool>([&](SimLoader& l) { return l.Installed(SimKind(row.file)) == image; });
    };
    if (seen.tips == "${update_ok}") {
        EXPECT_TRUE(installed());
        EXPECT_TRUE(WaitConnected());
        return;
    }
    if (row.replug) {
        m_unit->Restarted();
        dv::sim::SimBus::Instance().Plug(m_unit);
    }
    ASSERT_TRUE(WaitSettled());
    // Plug events are answered again.
    dv::sim::SimBus::Instance().Unplug();
    ASSERT_TRUE(WaitFor([&] { return !m_wnd->Manager().Device().IsDeviceOpen(); }));
    dv::sim::SimBus::Instance().Plug(m_unit);
    ASSERT_TRUE(WaitSettled());
    // The second try, from the menu as the user makes it.
    EXPECT_EQ(Upgrade(path).tips, "${update_ok}");
    EXPECT_TRUE(installed());
    EXPECT_TRUE(WaitConnected());
}

using F = SimUpgradeFaults;
const char* const kUnitNotReady = "${update_unit_not_ready}";
const char* const kFail = "${update_fail}";
const char* const kFlashFail = "${update_fail_flash}";
const char* const kOk = "${update_ok}";
const FaultRow kFaultRows[] = {
    {"RefuseEnter", kMcuFile, -1, [](F& f, int) { f.refuseEnter = true; }, kUnitNotReady},
    {"RefuseStart", kFlashFile, -1, [](F& f, int) { f.refuseStart = true; }, kUnitNotReady},
    {"StartUnanswered", kBootFile, -1, [](F& f, int) { f.ignoreStart = true; }, kUnitNotReady},
    {"RefuseFinishMcu", kMcuFile, -1, [](F& f, int) { f.refuseFinish = true; }, kFail},
    {"RefuseFinishFlash", kFlashFile, -1, [](F& f, int) { f.refuseFinish = true; }, kFlashFail},
    {"FinishUnanswered", kMcuFile, -1, [](F& f, int) { f.ignoreFinish = true; }, kFail},
    // During the restart into the loader.
    {"NeverBack", kMcuFile, -1, [](F& f, int) { f.neverReturn = true; }, kUnitNotReady, true},
    {"BackLate", kFlashFile, -1, [](F& f, int) { f.returnDelay = std::chrono::milliseconds(700); },
     kUnitNotReady},
    // At the first, a middle and the last block, the kinds taking turns.
    {"NotReadyDroppedFirst", kMcuFile, 0, [](F& f, int b) { f.notReadyDropAt = b; }, kFail},
    {"NotReadyDroppedMiddle", kFlashFile, 1, [](F& f, int b) { f.notReadyDropAt = b; }, kFlashFail},
    {"NotReadyDroppedLast", kBootFile, 6, [](F& f, int b) { f.notReadyDropAt = b; }, kFail},
    {"AckLostFirst", kFlashFile, 0, [](F& f, int b) { f.loseAckAt = b; }, kFlashFail},
    {"AckLostMiddle", kBootFile, 3, [](F& f, int b) { f.loseAckAt = b; }, kFail},
    {"AckLostLast", kMcuFile, 6, [](F& f, int b) { f.loseAckAt = b; }, kFail},
    {"UnpluggedFirst", kBootFile, 0, [](F& f, int b) { f.unplugAtBlock = b; }, kFail},
    {"UnpluggedMiddle", kMcuFile, 3, [](F& f, int b) { f.unplugAtBlock = b; }, kFail},
    {"UnpluggedLast", kFlashFile, 3, [](F& f, int b) { f.unplugAtBlock = b; }, kFlashFail},
    // Ridden out.
    {"NotReadyThenReadyFirst", kFlashFile, 0, [](F& f, int b) { f.notReadyThenReadyAt = b; }, kOk},
    {"NotReadyThenReadyMiddle", kMcuFile, 3, [](F& f, int b) { f.notReadyThenReadyAt = b; }, kOk},
    {"NotReadyThenReadyLast", kBootFile, 6, [](F& f, int b) { f.notReadyThenReadyAt = b; }, kOk},
    {"AckDuplicatedFirst", kBootFile, 0, [](F& f, int b) { f.duplicateAckAt = b; }, kOk},
    {"AckDuplicatedMiddle", kFlashFile, 1, [](F& f, int b) { f.duplicateAckAt = b; }, kOk},
    {"AckDuplicatedLast", kMcuFile, 6, [](F& f, int b) { f.duplicateAckAt = b; }, kOk},
    {"StrayAckFirst", kMcuFile, 0, [](F& f, int b) { f.strayAckAt = b; }, kOk},
    {"StrayAckMiddle", kBootFile, 3, [](F& f, int b) { f.strayAckAt = b; }, kOk},
    {"StrayAckLast", kFlashFile, 3, [](F& f, int b) { f.strayAckAt = b; }, kOk},
};
INSTANTIATE_TEST_SUITE_P(Faults, FirmwareFaultTest, ::testing::ValuesIn(kFaultRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A close while the worker runs asks; declined, the upgrade goes on; confirmed, it stops at a
// block boundary and the window closes only once its worker has ended.
TEST_F(FirmwareWindowTest, CloseWhileRunningAsksThenStopsCleanly) {
    const QString path = FileFor("DV80MAX_FLASH_UPG.BIN", Image(1 << 19));
    // At the unit's own pace (1 ms a block) the transfer is still under way when it is closed.
    auto options = m_unit->Options();
    options.latency = std::chrono::milliseconds(1);
    m_unit->SetOptions(options);
    auto blocks = [this] { return Loader<int>([](SimLoader& l) { return l.BlocksReceived(); }); };
    m_closeIdleWindows = false;
    bool closed = false;
    int whenAsked = 0;
    msgtest::WhenShown("UpdateFwWnd", [&](DuiLib::WindowImplBase* window) {
        auto* fw = static_cast<CUpdateFwWnd*>(window);
        StartUpgrade(fw, path);
        ASSERT_TRUE(msgtest::WaitFor([&] { return blocks() > 10; }));
        // Declined: it goes on.
        msgtest::WhenShown("MsgWnd", [&](DuiLib::WindowImplBase* question) {
            whenAsked = blocks();
            msgtest::Click(question, "cancel_btn");
        });
        fw->SendMessage(DuiLib::WM_SYSCOMMAND, DuiLib::SC_CLOSE);
        EXPECT_TRUE(fw->IsUpdating());
        EXPECT_TRUE(msgtest::WaitFor([&] { return blocks() > whenAsked + 10; }));
        // Confirmed: it stops; the window stays until its worker has ended.
        msgtest::WhenShown("MsgWnd", [](DuiLib::WindowImplBase* question) {
            msgtest::Click(question, "confirm_btn");
        });
        fw->SendMessage(DuiLib::WM_SYSCOMMAND, DuiLib::SC_CLOSE);
        EXPECT_EQ(m_wnd->FirmwareWindow(), fw);
        closed = true;
        // The unit stays in its loader: the panel brings a new window up for it.
        m_closeIdleWindows = true;
    });
    m_wnd->OpenFirmwareWindow();
    EXPECT_TRUE(closed);
    EXPECT_EQ(m_wnd->FirmwareWindow(), nullptr);
    EXPECT_EQ(m_wnd->Manager().Device().GetUpgradeStatus(), dv::UPG_IDLE);
    const int stopped = blocks();
    EXPECT_LT(stopped, (1 << 19) / 50) << "stopped before the end";
    // At a block boundary: every block sent was answered, and none follows.
    int sent = 0, answered = 0;
    for (const auto& entry : dv::sim::SimBus::Instance().Transcript()) {
        const auto& b = entry.bytes;
        if (entry.direction == dv::sim::Direction::ToUnit && b[4] == 2 && b[5] == 4) ++sent;
        if (entry.direction == dv::sim::Direction::FromUnit && b[3] == 2 && b[4] == 4) ++answered;
    }
    EXPECT_EQ(sent, stopped);
    EXPECT_EQ(answered, sent);
    EXPECT_EQ(ForeignFramesDuringUpgrade(), 0);
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(blocks(), stopped);
    options.latency = std::chrono::microseconds(0);
    m_unit->SetOptions(options);
    EXPECT_EQ(Upgrade(path).tips, "${update_ok}");
}

}  // namespace
