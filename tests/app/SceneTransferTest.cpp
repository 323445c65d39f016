// Scene and whole-unit files against the simulated unit: what the unit holds after each transfer,
// the failure of every transfer and scene operation under unplug, silence and NOT_READY, and the
// window closed while a transfer runs.
#include <iconv.h>

#include <QElapsedTimer>
#include <QFile>
#include <string>

#include "profiles/ProfileFile.h"
#include "tests/app/SceneTestSupport.h"

namespace {

using dv::sim::SimFault;
using dv::sim::SimUnitState;
using scenetest::Diff;
using scenetest::DiffCurrent;

std::array<uint8_t, 16> Bytes(std::initializer_list<uint8_t> bytes) {
    std::array<uint8_t, 16> name{};
    std::copy(bytes.begin(), bytes.end(), name.begin());
    return name;
}

QString NameOf(const dv::SceneName& name) {
    qsizetype length = 0;
    while (length < static_cast<qsizetype>(name.size()) && name[length] != 0) ++length;
    return QString::fromUtf16(name.data(), length);
}

// The unit's own decoding of its names, independent of the panel's.
QString DecodeGbk(const std::array<uint8_t, 16>& bytes) {
    if (bytes[0] == 0xFF) return {};
    size_t length = 0;
    while (length < bytes.size() && bytes[length] != 0) ++length;
    iconv_t cd = iconv_open("UTF-8", "GBK");
    char in[16], out[64] = {};
    std::copy_n(bytes.begin(), length, in);
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = length, outLeft = sizeof out;
    iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return QString::fromUtf8(out, static_cast<qsizetype>(sizeof out - outLeft));
}

// Ten scenes that differ from each other and from the current setting: linked, bypassed,
// rerouted, with Chinese, Latin and mixed names.
SimUnitState VariedUnit() {
    SimUnitState s = dv::sim::TunedCarState();
    for (int n = 0; n < dv::sim::kSimScenes; ++n) {
        dv::sim::SimScene& scene = s.stored[n];
        scene = s.current;
        scene.outputs[n % 8].trim = static_cast<int8_t>(-1 - n);
        scene.outputs[(n + 3) % 8].bands[n].gainTenths = static_cast<int16_t>(10 * n - 45);
        scene.outputs[n % 6].delayMicros = 500u * static_cast<unsigned>(n);
        scene.outputs[n % 8].eqBypass = static_cast<uint8_t>(n % 2);
        scene.routing[n % 7][n % 8] = 0x3;
    }
    dv::sim::SimScene& linked = s.stored[2];
    linked.link = linked.lock = 1;
    linked.pairs = {{{0, 1}, {2, 3}, {4, 5}, {6, 7}}};
    linked.pairCount = 4;
    s.names[2] = Bytes({0xC8, 0xD5, 0xBC, 0xE4, 0xC4, 0xA3, 0xCA, 0xBD});  // 日间模式
    s.names[3] = Bytes({'C', 'l', 'u', 'b', 0xD2, 0xB9, '2'});             // Club夜2
    s.names[5] = dv::sim::SceneNameBytes("Weekend");
    return s;
}

class SceneTransferTest : public scenetest::SceneTest {
protected:
    // The file's profile as a fresh panel would read it.
    dv::DspProfile ReadSceneFile(const QString& path) {
        dv::DspProfile profile;
        EXPECT_TRUE(dv::readSceneProfile(path.toStdString(), profile, [](std::string_view) {}));
        return profile;
    }
};

TEST_F(SceneTransferTest, SceneFileSavedFromOneUnitMakesAnotherHoldIt) {
    ConnectFast([](SimUnitState&) {});
    AnswerDialogs(PathOf("car"));  // typed without extension
    Manager().SaveSenceConfigToFile();
    ASSERT_TRUE(QFile::exists(PathOf("car.spf")));
    const dv::DspProfile file = ReadSceneFile(PathOf("car.spf"));

    m_unit->SetState(dv::sim::FactoryState());
    Reread();
    Mark();
    AnswerDialogs(PathOf("car.spf"));
    Manager().LoadSenceConfigFromFile();
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(SawBox(Tr("${transfer_fail}")));
    EXPECT_EQ(DiffCurrent(m_unit->State(), file, false), "");
    EXPECT_EQ(DiffCurrent(m_unit->State(), Manager().Profile()), "");
    const auto sets = SetFrames(1);
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.front().subcmd, 2);  // Main_Volume_Ctrl first
    EXPECT_EQ(sets.back().subcmd, 1);   // Source_Switch_Ctrl last
    EXPECT_TRUE(Manager().Device().IsCmdQueueEnabled());
}

TEST_F(SceneTransferTest, LinkedFileWhoseRolesCannotLinkLoadsUnlinkedAndOffBandsGoFlat) {
    ConnectFast([](SimUnitState&) {});
    dv::DspProfile profile = Manager().Profile();
    profile.roles = {1, 2, 3, 4, 5, 0, 0, 0};  // no mirror pair
    profile.linkMode = profile.lockMode = 1;
    profile.channels[0].eqArray[24].enable = 0;
    ASSERT_NE(profile.channels[0].eqArray[24].eqGain, 0.0f);
    ASSERT_TRUE(
        dv::writeSceneProfile(profile, PathOf("odd.spf").toStdString(), [](std::string_view) {}));
    AnswerDialogs(PathOf("odd.spf"));
    Manager().LoadSenceConfigFromFile();
    ASSERT_TRUE(WaitIdle());
    const SimUnitState unit = m_unit->State();
    EXPECT_EQ(unit.current.link, 0);
    EXPECT_EQ(unit.current.lock, 1);
    EXPECT_EQ(unit.current.outputs[0].bands[24].gainTenths, 0);
    EXPECT_EQ(Manager().Profile().linkMode, 0);
}

TEST_F(SceneTransferTest, SceneFileWithoutUnitIsShownAndSaidNotSent) {
    ConnectFast([](SimUnitState&) {});
    dv::DspProfile profile = Manager().Profile();
    profile.mainVolume = -17;
    ASSERT_TRUE(
        dv::writeSceneProfile(profile, PathOf("quiet.spf").toStdString(), [](std::string_view) {}));
    dv::sim::SimBus::Instance().Unplug();
    ASSERT_TRUE(WaitFor([this] { return !Manager().Device().IsDeviceOpen(); }));
    m_sawBusyWindow = false;
    AnswerDialogs(PathOf("quiet.spf"));
    Manager().LoadSenceConfigFromFile();
    Settle();
    EXPECT_FALSE(m_sawBusyWindow);
    EXPECT_TRUE(SawBox(Tr("${scene_file_not_sent}")));
    EXPECT_EQ(TextOf("edit_main_volume"), QStringLiteral("-17dB"));
}

TEST_F(SceneTransferTest, WholeFileHoldsEverySceneAndAnotherUnitTakesThemAll) {
    ConnectFast([](SimUnitState& s) { s = VariedUnit(); });
    const SimUnitState original = m_unit->State();
    Mark();
    AnswerDialogs(PathOf("car"));
    Manager().SaveWholeConfigToFile();
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(SawBox(Tr("${profile_save_ok}")));
    // Scenes 1 .. 10 in order, then back on the current setting.
    std::vector<std::pair<int, int>> recalls;
    for (const auto& f : SetFrames(2))
        if (f.subcmd == 9) recalls.emplace_back(f.payload[0], f.payload[1]);
    ASSERT_EQ(recalls.size(), 11u);
    for (int n = 1; n <= 10; ++n) EXPECT_EQ(recalls[n - 1], std::make_pair(n, 255));
    EXPECT_EQ(recalls.back(), std::make_pair(0, 0));

    auto file = std::make_unique<dv::SceneSlots>();
    dv::DspProfile current;
    dv::SceneNameTable names{};
    ASSERT_TRUE(dv::readWholeProfile(PathOf("car.wpf").toStdString(), {current, *file, names},
                                     [](std::string_view) {}));
    EXPECT_EQ(DiffCurrent(original, current, false), "");
    for (int n = 0; n < dv::kSceneCount; ++n) {
        EXPECT_EQ(Diff(original.stored[n], (*file)[n]), "") << "scene " << n + 1;
        EXPECT_EQ(NameOf(names[n]), DecodeGbk(original.names[n])) << "scene " << n + 1;
    }

    // Another unit, fresh from the factory, takes the file whole.
    m_unit->SetState(dv::sim::FactoryState());
    Reread();
    ConfirmQuestions();
    AnswerDialogs(PathOf("car.wpf"));
    Manager().LoadWholeConfigFromFile();
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(SawBox(Tr("${transfer_fail}")));
    const SimUnitState unit = m_unit->State();
    EXPECT_EQ(DiffCurrent(unit, current, false), "");
    for (int n = 0; n < dv::kSceneCount; ++n) {
        EXPECT_EQ(Diff(unit.stored[n], (*file)[n]), "") << "scene " << n + 1;
        EXPECT_EQ(DecodeGbk(unit.names[n]), DecodeGbk(original.names[n])) << "scene " << n + 1;
        EXPECT_EQ(Manager().SceneName(n), DecodeGbk(original.names[n]));
    }
}

TEST_F(SceneTransferTest, WholeFileLoadCancelledSendsNothing) {
    ConnectFast([](SimUnitState&) {});
    AnswerDialogs(PathOf("car.wpf"));
    ASSERT_TRUE(dv::writeWholeProfile(Manager().Profile(), dv::SceneSlots{}, dv::SceneNameTable{},
                                      PathOf("car.wpf").toStdString()));
    Mark();
    m_sawBusyWindow = false;
    msgtest::WhenShown(QStringLiteral("MsgWnd"), [](DuiLib::WindowImplBase* w) {
        msgtest::Click(w, QStringLiteral("cancel_btn"));
    });
    Manager().LoadWholeConfigFromFile();
    Settle();
    EXPECT_TRUE(SetFrames(0).empty());
    EXPECT_FALSE(m_sawBusyWindow);
}

// One operation under one fault: the `at`-th frame of that command (and scene) fails.
struct FaultRow {
    const char* operation;
    uint8_t mcmd, subcmd;
    int scene;
    int at;
};

class SceneFaultTest : public SceneTransferTest,
                       public ::testing::WithParamInterface<std::tuple<FaultRow, SimFault::Kind>> {
protected:
    // Starts the operation and returns the failure text it must show.
    QString Run(const std::string& op) {
        if (op == "scene file") {
            AnswerDialogs(PathOf("car.spf"));
            Manager().LoadSenceConfigFromFile();
            return Tr("${transfer_fail}");
        }
        if (op == "whole file") {
            AnswerDialogs(PathOf("car.wpf"));
            ConfirmQuestions();
            Manager().LoadWholeConfigFromFile();
            return Tr("${transfer_fail}");
        }
        if (op == "whole save") {
            AnswerDialogs(PathOf("saved.wpf"));
            Manager().SaveWholeConfigToFile();
            return Tr("${profile_read_fail}");
        }
        if (op == "factory") {
            ConfirmQuestions();
            Manager().ResetMcuFactoryDefault();
            return Tr("${factory_default_fail}");
        }
        if (op == "scene load") {
            RunSceneWindow(SceneWndMode::Load, 2);
            return Tr("${scene_load_fail}");
        }
        if (op == "scene save") {
            RunSceneWindow(SceneWndMode::SaveAs, 3, QStringLiteral("Night"));
            return Tr("${scene_save_fail}");
        }
        RunSceneWindow(SceneWndMode::Delete, 1);
        return Tr("${scene_delete_fail}");
    }
};

TEST_P(SceneFaultTest, FailsInBoundedTimeSaysSoAndThePanelFollowsTheUnit) {
    const auto& [row, kind] = GetParam();
    ConnectFast([](SimUnitState& s) { s = VariedUnit(); });
    dv::DspProfile other = Manager().Profile();
    other.mainVolume = -20;
    other.channels[3].gain = -11;
    ASSERT_TRUE(
        dv::writeSceneProfile(other, PathOf("car.spf").toStdString(), [](std::string_view) {}));
    ASSERT_TRUE(dv::writeWholeProfile(other, dv::SceneSlots{}, dv::SceneNameTable{},
                                      PathOf("car.wpf").toStdString()));
    const dv::SceneName nameBefore = Manager().SceneNameAt(3);
    const QString deletedBefore = Manager().SceneName(1);

    m_unit->SetFault({kind, row.mcmd, row.subcmd, row.scene, row.at});
    QElapsedTimer clock;
    clock.start();
    const QString failure = Run(row.operation);
    ASSERT_TRUE(WaitIdle());
    // A whole send runs its 2663 commands before a fault at its end; the rest fail at once.
    EXPECT_LT(clock.elapsed(), std::string(row.operation) == "whole file" ? 12000 : 4000);
    EXPECT_TRUE(WaitFor([&] { return SawBox(failure); }, 2000)) << failure.toStdString();
    EXPECT_EQ(m_wnd->BusyWindow(), nullptr);
    EXPECT_EQ(msgtest::FindWindow(QStringLiteral("LoadingWnd")), nullptr);
    // The name table keeps what the unit did not confirm.
    if (std::string(row.operation) == "scene save") {
        EXPECT_EQ(Manager().SceneNameAt(3), nameBefore);
    }
    if (std::string(row.operation) == "scene delete") {
        EXPECT_EQ(Manager().SceneName(1), deletedBefore);
    }

    Reread();
    const SimUnitState unit = m_unit->State();
    EXPECT_EQ(DiffCurrent(unit, Manager().Profile()), "");
    for (int n = 0; n < dv::kSceneCount; ++n)
        EXPECT_EQ(Manager().SceneName(n), DecodeGbk(unit.names[n])) << "scene " << n + 1;
}

const FaultRow kFaultRows[] = {
    {"scene file", 1, 2, -1, 1},   // Main_Volume_Ctrl, the first command
    {"scene file", 1, 6, 0, 100},  // an EQ_Ctrl in the middle
    {"scene file", 1, 1, -1, 1},   // Source_Switch_Ctrl, the last
    {"whole file", 1, 5, 1, 1},    // the first filter of scene 1
    {"whole file", 2, 8, 5, 1},    // storing scene 5
    {"whole file", 1, 1, -1, 1},   // the source, last
    {"whole save", 2, 9, 1, 1},    // reading scene 1
    {"whole save", 2, 9, 5, 1},    // reading scene 5
    {"whole save", 2, 9, 0, 1},    // back on the current setting
    {"scene load", 2, 9, 3, 1},    // the recall itself
    {"scene save", 2, 11, 4, 1},   // the name
    {"scene save", 2, 8, 4, 1},    // the store
    {"scene delete", 2, 10, 2, 1}, {"factory", 3, 0x90, -1, 1},
};

// Names that stay the same from run to run (the default would print the row's bytes, pointer
// included, and ctest could then look for a test that no longer exists).
std::string FaultCaseName(const ::testing::TestParamInfo<SceneFaultTest::ParamType>& info) {
    const FaultRow& row = std::get<0>(info.param);
    std::string name;
    for (const char* c = row.operation; *c; ++c) name += *c == ' ' ? '_' : *c;
    static const char* const kKinds[] = {"NotReady", "Silent", "Unplug"};
    return name + "_" + std::to_string(row.mcmd) + "_" + std::to_string(row.subcmd) + "_scene" +
           (row.scene < 0 ? std::string("Any") : std::to_string(row.scene)) + "_" +
           kKinds[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, SceneFaultTest,
                         ::testing::Combine(::testing::ValuesIn(kFaultRows),
                                            ::testing::Values(SimFault::Kind::NotReady,
                                                              SimFault::Kind::Silent,
                                                              SimFault::Kind::Unplug)),
                         FaultCaseName);

TEST_F(SceneTransferTest, NotReadyTwiceIsRetriedAndTheTransferCompletes) {
    ConnectFast([](SimUnitState&) {});
    ASSERT_TRUE(dv::writeSceneProfile(Manager().Profile(), PathOf("car.spf").toStdString(),
                                      [](std::string_view) {}));
    m_unit->SetFault({SimFault::Kind::NotReady, 1, 6, 0, 10, 2});
    AnswerDialogs(PathOf("car.spf"));
    Manager().LoadSenceConfigFromFile();
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(SawBox(Tr("${transfer_fail}")));
    EXPECT_EQ(DiffCurrent(m_unit->State(), Manager().Profile()), "");
}

TEST_F(SceneTransferTest, ClosingTheWindowDuringAWholeSendJoinsTheWorker) {
    ConnectFast([](SimUnitState&) {});
    ASSERT_TRUE(dv::writeWholeProfile(Manager().Profile(), dv::SceneSlots{}, dv::SceneNameTable{},
                                      PathOf("car.wpf").toStdString()));
    m_unit->SetServiceTime(2, 8, std::chrono::milliseconds(30));
    ConfirmQuestions();
    // As the system would close it: WM_CLOSE while the busy window is up and the worker runs.
    bool closed = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (closed || !m_wnd->BusyWindow() || !Manager().IsWorkerRunning()) return;
        closed = true;
        m_wnd->PostMessage(DuiLib::WM_CLOSE);
    });
    closer.start(2);
    AnswerDialogs(PathOf("car.wpf"));
    Manager().LoadWholeConfigFromFile();
    ASSERT_TRUE(WaitFor([&] { return closed && !Manager().IsWorkerRunning(); }));
    closer.stop();
    m_questions.reset();
    CloseWindow();
    EXPECT_EQ(dv::sim::SimBus::Instance().OpenHandleCount(), 0);
}

TEST_F(SceneTransferTest, FactoryDefaultRestartsTheUnitAndThePanelReadsItAgain) {
    ConnectFast([](SimUnitState& s) { s = VariedUnit(); });
    ConfirmQuestions();
    Manager().ResetMcuFactoryDefault();
    ASSERT_TRUE(WaitFor([this] { return SawBox(Tr("${device_reboot}")); }));
    m_questions.reset();
    // It leaves the bus, comes back with factory memory, and is read anew.
    ASSERT_TRUE(WaitFor([this] { return SawBox(Tr("${device_plugout}")); }));
    ASSERT_TRUE(WaitConnected());
    Settle();
    EXPECT_EQ(DiffCurrent(m_unit->State(), Manager().Profile()), "");
    for (int n = 0; n < dv::kSceneCount; ++n) EXPECT_EQ(Manager().SceneName(n), QString());
}

}  // namespace
