// Editing the bands of the output being edited against the simulated unit, by control name:
// band edits, sliders, steppers, enable boxes and drags on the curve reach the unit exactly once
// per output, and the unit ends holding what the panel shows.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "controls/UIEqualizer.h"
#include "model/FrequencyStep.h"
#include "sim/SimFrames.h"
#include "tests/app/EditTestSupport.h"

using namespace DuiLib;
using maintest::Commit;
using maintest::EditingTest;

namespace {

using Frames = std::vector<std::string>;

// EQ_Ctrl and PEQ_Bypass_Ctrl as the unit reads them: Q and gain in tenths.
std::string Describe(const dv::sim::SimFrame& f) {
    const auto& p = f.payload;
    auto at = [&p](size_t i) { return i < p.size() ? static_cast<int>(p[i]) : -1; };
    if (f.subcmd == 6)
        return "EQ " + std::to_string(at(2)) + " " + std::to_string(at(3)) + " " +
               std::to_string(at(4) << 8 | at(5)) + " " + std::to_string(at(6) * 10 + at(7)) + " " +
               std::to_string((at(8) - 18) * 10 + at(9));
    if (f.subcmd == 18) return "Bypass " + std::to_string(at(2)) + " " + std::to_string(at(4));
    return "Set" + std::to_string(f.subcmd);
}

std::string Eq(int out, int band, int freq, int qTenths, int gainTenths) {
    return "EQ " + std::to_string(out) + " " + std::to_string(band) + " " + std::to_string(freq) +
           " " + std::to_string(qTenths) + " " + std::to_string(gainTenths);
}

void LinkAll(dv::sim::SimUnitState& s) {
    s.current.link = 1;
    s.current.lock = 1;
    s.current.pairs = {{{0, 1}, {2, 3}, {4, 5}, {6, 7}}};
    s.current.pairCount = 4;
}

}  // namespace

class MainBandEditTest : public EditingTest {
protected:
    Frames Sent() {
        Frames frames;
        for (const dv::sim::SimFrame& f : SentFrames()) frames.push_back(Describe(f));
        return frames;
    }

    // Parametric mode, as the mode switch leaves it, without its question and Q reset.
    void Parametric() {
        FindAs<CSButtonUI>("btn_arg_eq")->SetSelected(true);
        Manager().RefreshBandControls(Manager().Profile().currChannel);
    }

    void Select(int output) {
        Find(QString::asprintf("ch_enable_%d", output))->Activate();
        Settle();
    }

    const dv::EqBand& Band(int output, int band) {
        return Manager().Profile().channels[output].eqArray[band];
    }

    // What the curve control does on a drag: changes its copy of the band and notifies.
    void CurveMove(int band, float gain, int freq = 0) {
        auto* curve = FindAs<UIEqualizer>("equalizer");
        const dv::OutputChannel& out =
            Manager().Profile().channels[Manager().Profile().currChannel];
        std::array<dv::EqBand, dv::kMaxBands> bands{};
        for (int b = 0; b < out.eqSize; ++b) bands[b] = curve->GetBand(b);
        bands[band].eqGain = gain;
        if (freq) bands[band].freq = freq;
        curve->setCurEqBands(bands.data(), out.eqSize, band);
        curve->SetUserData(QString::number(band));
        m_wnd->GetPaintManager()->SendNotify(curve, DUI_MSGTYPE_EQUALIZER_EQ);
    }
};

TEST_F(MainBandEditTest, BandEditsParseLimitAndSendOnlyChanges) {
    Connect();
    Parametric();
    struct Row {
        const char* edit;
        const char* typed;
        const char* shown;
        Frames frames;
    };
    // Band 17 of output 0 stands at 1000 Hz, Q 5.80, 0 dB; each row starts from the one before.
    const Row rows[] = {
        {"eq_freq_17", "1k2", "1200", {Eq(0, 17, 1200, 58, 0)}},
        {"eq_freq_17", "25000", "1200", {}},
        {"eq_freq_17", "19", "1200", {}},
        {"eq_freq_17", "2000Hz", "2000", {Eq(0, 17, 2000, 58, 0)}},
        {"eq_freq_17", "2k", "2000", {}},
        {"eq_freq_17", "2k5", "2500", {Eq(0, 17, 2500, 58, 0)}},
        {"eq_q_17", "0.2", "0.50", {Eq(0, 17, 2500, 5, 0)}},
        {"eq_q_17", "12", "9.00", {Eq(0, 17, 2500, 90, 0)}},
        {"eq_q_17", "9.001", "9.00", {}},
        {"eq_gain_17", "-5dB", "-5.0", {Eq(0, 17, 2500, 90, -50)}},
        {"eq_gain_17", "-5.04", "-5.0", {}},
        {"eq_gain_17", "99", "12.0", {Eq(0, 17, 2500, 90, 120)}},
        {"eq_gain_17", "-99", "-18.0", {Eq(0, 17, 2500, 90, -180)}},
    };
    for (const Row& row : rows) {
        for (Commit how : {Commit::KillFocus, Commit::Return}) {
            Type(row.edit, row.typed, how);
            EXPECT_EQ(TextOf(row.edit), row.shown) << row.edit << " '" << row.typed << "'";
            EXPECT_EQ(Sent(), how == Commit::KillFocus ? row.frames : Frames{})
                << row.edit << " '" << row.typed << "'";
        }
    }
    ExpectUnitHolds({0});

    // Text that holds no number restores what is stored; unchanged commits send nothing.
    for (const char* edit : {"eq_freq_24", "eq_q_24", "eq_gain_24", "eq_gain_3"}) {
        const QString shown = TextOf(edit);
        for (const char* text :
             {"", "abc", "nan", "inf", "1e99", "2147483647k9", "k", "1kx", "--5", "5 5"}) {
            for (Commit how : {Commit::Return, Commit::KillFocus}) {
                Type(edit, text, how);
                ASSERT_EQ(TextOf(edit), shown) << edit << " '" << text << "'";
            }
        }
        Type(edit, shown, Commit::KillFocus);
    }
    EXPECT_EQ(Sent(), Frames{});
}

TEST_F(MainBandEditTest, StepsSlidersAndTheOneFlatTest) {
    Connect();
    Parametric();
    // Band 24 of output 0: 5000 Hz, Q 4.30, -3.5 dB, the output's only gain.
    Step("eq_gain_24", true);
    Step("eq_q_24", false);
    Step("eq_freq_24", true);
    EXPECT_EQ(TextOf("eq_gain_24"), "-3.4");
    EXPECT_EQ(TextOf("eq_q_24"), "4.25");
    const int f = dv::StepFrequency(5000, true);
    EXPECT_EQ(TextOf("eq_freq_24"), QString::number(f));
    EXPECT_EQ(Sent(),
              (Frames{Eq(0, 24, 5000, 43, -34), Eq(0, 24, 5000, 42, -34), Eq(0, 24, f, 42, -34)}));
    // Steppers stop at the ends.
    Type("eq_freq_30", "20000", Commit::KillFocus);
    Type("eq_q_30", "9", Commit::KillFocus);
    Sent();
    Step("eq_freq_30", true);
    Step("eq_q_30", true);
    EXPECT_EQ(Sent(), Frames{});

    // The slider takes frequency and Q from the stored band, not from uncommitted edit text.
    FindAs<CEditUI>("eq_freq_24")->SetText("0");
    FindAs<CEditUI>("eq_q_24")->SetText("0");
    Drag("eq_slider_24", {-20, 0});
    EXPECT_EQ(Sent(), (Frames{Eq(0, 24, f, 42, -20), Eq(0, 24, f, 42, 0), "Bypass 0 1"}));
    EXPECT_EQ(TextOf("btn_bypass"), Tr("${restore_eq}"));
    ExpectUnitHolds({0});

    // Flat means: enabled |gains| add up to under 0.01 dB. Half a dB is not flat.
    Select(4);
    Drag("eq_slider_2", {5});
    Drag("eq_slider_3", {5, 0});
    EXPECT_EQ(Sent(), (Frames{Eq(4, 2, Band(4, 2).freq, 58, 5), Eq(4, 3, Band(4, 3).freq, 58, 5),
                              Eq(4, 3, Band(4, 3).freq, 58, 0)}));
    // A band switched off does not count, whatever gain it keeps.
    Select(2);
    Find("pt_enable_9")->Activate();
    Drag("eq_slider_10", {10, 0});
    const int f9 = Band(2, 9).freq, f10 = Band(2, 10).freq;
    EXPECT_EQ(Sent(), (Frames{Eq(2, 9, f9, 25, 0), Eq(2, 10, f10, 58, 10), Eq(2, 10, f10, 58, 0),
                              "Bypass 2 1"}));
    EXPECT_FLOAT_EQ(Band(2, 9).eqGain, -4.5f);
    ExpectUnitHolds({0, 2, 4});
}

TEST_F(MainBandEditTest, EnableBoxesAndEditsOfABypassedOutput) {
    ConnectWith([](dv::sim::SimUnitState& s) { s.current.outputs[2].eqBypass = 1; });
    Select(2);
    const int f3 = Band(2, 3).freq, f9 = Band(2, 9).freq;
    // Leaving the edits of a bypassed output unchanged keeps its stored gains.
    for (const char* edit : {"eq_gain_9", "eq_gain_3"}) Type(edit, TextOf(edit), Commit::KillFocus);
    EXPECT_EQ(Sent(), Frames{});
    EXPECT_FLOAT_EQ(Band(2, 9).eqGain, -4.5f);

    // A bypassed output's box changes only the flag; its row stays at 0 as the curve shows.
    Find("pt_enable_9")->Activate();
    EXPECT_EQ(Band(2, 9).enable, 0);
    Find("pt_enable_9")->Activate();
    EXPECT_EQ(Band(2, 9).enable, 1);
    EXPECT_EQ(FindAs<CSliderUI>("eq_slider_9")->GetValue(), 0);
    EXPECT_EQ(TextOf("eq_gain_9"), "0.0");
    EXPECT_EQ(Sent(), (Frames{Eq(2, 9, f9, 25, 0), Eq(2, 9, f9, 25, -45)}));

    // Editing one band of a bypassed output starts it from flat.
    Type("eq_gain_3", "3", Commit::KillFocus);
    EXPECT_EQ(Sent(), (Frames{Eq(2, 9, f9, 25, 0), Eq(2, 3, f3, 58, 30), "Bypass 2 0"}));
    EXPECT_EQ(TextOf("btn_bypass"), Tr("${bypass_eq}"));
    ExpectUnitHolds({2});

    // On an output that plays its bands the box switches the band off and back on.
    Find("pt_enable_3")->Activate();
    EXPECT_EQ(FindAs<CSliderUI>("eq_slider_3")->GetValue(), 0);
    EXPECT_FALSE(FindAs<COptionUI>("pt_enable_3")->IsSelected());
    EXPECT_EQ(TextOf("btn_bypass"), Tr("${restore_eq}"));
    ExpectUnitHolds({2});
    Find("pt_enable_3")->Activate();
    EXPECT_EQ(FindAs<CSliderUI>("eq_slider_3")->GetValue(), 30);
    EXPECT_EQ(TextOf("eq_gain_3"), "3.0");
    EXPECT_TRUE(FindAs<COptionUI>("pt_enable_3")->IsSelected());
    EXPECT_EQ(Sent(), (Frames{Eq(2, 3, f3, 58, 0), Eq(2, 3, f3, 58, 30)}));
    ExpectUnitHolds({2});
}

TEST_F(MainBandEditTest, ReturnInGraphicModeCommitsAndMovesDownTheGains) {
    Connect();
    for (int band : {5, 30}) {
        auto* edit = FindAs<CEditUI>(QString::asprintf("eq_gain_%d", band));
        edit->SetFocus();
        edit->SetText("2");
        QTest::keyClick(edit->GetLineEdit(), Qt::Key_Return);
        CControlUI* focus = m_wnd->GetPaintManager()->GetFocus();
        ASSERT_NE(focus, nullptr);
        EXPECT_EQ(focus->GetName(), QString::asprintf("eq_gain_%d", band == 30 ? 0 : band + 1));
        EXPECT_EQ(Sent(), Frames{Eq(0, band, Band(0, band).freq, 58, 20)});
    }
    m_wnd->GetPaintManager()->SetFocus(nullptr);
    EXPECT_EQ(Sent(), Frames{});
}

TEST_F(MainBandEditTest, LinkedPairsReceiveEveryBandEditUnderTheirOwnNumbers) {
    ConnectWith([](dv::sim::SimUnitState& s) {
        LinkAll(s);
        s.current.outputs[2].eqBypass = s.current.outputs[3].eqBypass = 1;
    });
    Parametric();
    Type("eq_q_24", "2", Commit::KillFocus);
    Step("eq_gain_24", false);
    CurveMove(24, 0.0f);  // both outputs' only gain: both become flat
    EXPECT_EQ(Sent(),
              (Frames{Eq(0, 24, 5000, 20, -35), Eq(1, 24, 5000, 20, -35), Eq(0, 24, 5000, 20, -36),
                      Eq(1, 24, 5000, 20, -36), Eq(0, 24, 5000, 20, 0), "Bypass 0 1",
                      Eq(1, 24, 5000, 20, 0), "Bypass 1 1"}));
    // A drag on a bypassed pair clears both outputs' other gains first.
    Select(2);
    const int f9 = Band(2, 9).freq;
    CurveMove(4, 6.0f, 55);
    EXPECT_EQ(Sent(), (Frames{Eq(2, 9, f9, 25, 0), Eq(3, 9, f9, 25, 0), Eq(2, 4, 55, 58, 60),
                              "Bypass 2 0", Eq(3, 4, 55, 58, 60), "Bypass 3 0"}));
    EXPECT_EQ(TextOf("eq_gain_4"), "6.0");
    EXPECT_EQ(TextOf("eq_freq_4"), "55");
    Find("pt_enable_4")->Activate();
    EXPECT_EQ(Sent(), (Frames{Eq(2, 4, 55, 58, 0), Eq(3, 4, 55, 58, 0)}));
    ExpectUnitHolds({0, 1, 2, 3});
}

TEST_F(MainBandEditTest, OperationsWriteTheirLogLines) {
    Connect();
    Parametric();
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/save.log").toStdString();
    InitConsoleWindow(path);
    Type("eq_gain_3", "2", Commit::KillFocus);
    Drag("eq_slider_3", {-15});
    Step("eq_freq_3", true);
    Step("eq_gain_3", false);
    Step("eq_q_3", true);
    Find("pt_enable_3")->Activate();
    CurveMove(20, 1.5f);
    LogClose();
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    for (const char* line : {
             "SetChEqEdit band=3\nfreqValue(40) ,qValue(5.800000) ,gainValue(2.0)\n",
             "on eq silder eq_slider_3 valuechanged index 3\nvalue -15\n",
             "sliderValue (-1.5) ,freqValue(40) ,qValue(5.800000) @band(3) @ channel(0)\n",
             "SetEqFreqUp index(3) up(1)\n",
             "SetEqGainUp index(3) up(0)\n",
             "SetEqQUp index(3) up(1)\n",
             "OnEqEnable mEqIndex 3\n",
             "on DUI_MSGTYPE_EQUALIZERCHANGED index 20\nEqualizerCallback cmd 0 index 20\n",
         })
        EXPECT_NE(text.str().find(line), std::string::npos) << line;
}

// 2 s of moves at 250 per second through the curve control, against a unit answering after 1 ms
// and after 5 ms, one output and a linked pair: the unit ends with what the panel holds.
class MainBandDragTest : public MainBandEditTest,
                         public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(MainBandDragTest, ALongDragEndsWithTheUnitHoldingThePanelsBands) {
    const auto [latencyMs, linked] = GetParam();
    dv::sim::SimOptions options;
    options.latency = std::chrono::milliseconds(latencyMs);
    ConnectWith(
        [linked = linked](dv::sim::SimUnitState& s) {
            if (linked) LinkAll(s);
        },
        options, true);  // latest-wins, as the panel runs
    Parametric();
    constexpr int kEvents = 500;
    constexpr qint64 kPeriodNs = 4'000'000;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kEvents; ++i) {
        while (clock.nsecsElapsed() < kPeriodNs * i) QCoreApplication::processEvents();
        CurveMove(20, static_cast<float>(std::sin(i * 0.05) * 9.0), 2000 + (i % 300) * 10);
    }
    EXPECT_NEAR(Band(0, 20).eqGain, std::round(std::sin((kEvents - 1) * 0.05) * 90.0) / 10.0, 1e-4);
    ExpectUnitHolds({0, 1}, 5000);
}

INSTANTIATE_TEST_SUITE_P(Latencies, MainBandDragTest,
                         ::testing::Combine(::testing::Values(1, 5), ::testing::Bool()));
