// The calibration window against the simulated unit's calibration course: a whole run and its
// apply, every way a run ends without a result, the outputs it may measure.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "app/dialogs/AutoCalWnd.h"
#include "base/Log.h"
#include "controls/UIEqualizerAc.h"
#include "tests/app/EditTestSupport.h"
#include "tests/app/MsgWindowTestSupport.h"

namespace {

using dv::sim::SimCalFault;
using dv::sim::SimCalFaultKind;

struct IrcFrame {
    int subcmd, optype;
    std::vector<uint8_t> payload;
};

class AutoCalTest : public maintest::EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        m_saved = AutoCalDefaults();
        AutoCalDefaults().pollInterval = std::chrono::milliseconds(2);
        AutoCalDefaults().speakerLog = m_dir.filePath("speaker.txt");
    }
    void TearDown() override {
        AutoCalDefaults() = m_saved;
        LogClose();
        EditingTest::TearDown();
    }

    // Runs the main window's calibration flow; `body` acts inside the window's modal run and
    // must end by closing it. Returns the flow's result.
    int RunWindow(const std::function<void(CAutoCalWnd*)>& body) {
        bool shown = false;
        msgtest::WhenShown("AutoCalWnd", [&](DuiLib::WindowImplBase* w) {
            shown = true;
            body(dynamic_cast<CAutoCalWnd*>(w));
        });
        const int result = RunAutoCalibration(*m_wnd, Manager());
        EXPECT_TRUE(shown);
        return result;
    }

    static void Click(CAutoCalWnd* w, const char* name) { msgtest::Click(w, name); }
    static QString TipsOf(CAutoCalWnd* w) { return msgtest::Find(w, "tips")->GetText(); }
    static bool RunOver(CAutoCalWnd* w) {
        return !w->IsWorkerRunning() && msgtest::Find(w, "start_auto_cal")->IsEnabled() &&
               msgtest::Find(w, "start_auto_cal")->GetText() == Tr("${start_irc}");
    }
    static void Select(CAutoCalWnd* w, const QString& name, bool on) {
        static_cast<DuiLib::COptionUI*>(msgtest::Find(w, name))->Selected(on);
    }

    // Calibration frames written since the last mark.
    std::vector<IrcFrame> IrcFrames() {
        const auto transcript = dv::sim::SimBus::Instance().Transcript();
        std::vector<IrcFrame> frames;
        for (size_t i = m_mark; i < transcript.size(); ++i) {
            if (transcript[i].direction != dv::sim::Direction::ToUnit) continue;
            const auto f = dv::sim::DecodeOutputReport(transcript[i].bytes);
            if (f && f->mcmd == 1 && f->subcmd >= 19 && f->subcmd <= 28)
                frames.push_back({f->subcmd, f->optype, f->payload});
        }
        return frames;
    }
    // IRC_Ctrl actions written since the mark.
    std::vector<int> Actions() {
        std::vector<int> actions;
        for (const IrcFrame& f : IrcFrames())
            if (f.subcmd == 19 && f.optype == 0xBB) actions.push_back(f.payload[0]);
        return actions;
    }

    static QString ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir m_dir;
    AutoCalOptions m_saved;
};

// Three outputs measured and corrected; the plot shows what the unit measured and proposed; the
// result applied from the menu's flow is read back into the main window.
TEST_F(AutoCalTest, AFullRunShowsEachOutputAndItsAppliedCorrectionIsReadBack) {
    Connect();
    const QString logPath = m_dir.filePath("save.log");
    InitConsoleWindow(logPath.toStdString());
    bool applied = false;
    msgtest::WhenShown("AutoCalWnd", [&](DuiLib::WindowImplBase* window) {
        auto* w = dynamic_cast<CAutoCalWnd*>(window);
        EXPECT_TRUE(m_wnd->GetHWND()->isMinimized());
        for (int c : {3, 4, 5}) Click(w, qPrintable(QString("ch_checkbox_%1").arg(c)));
        Click(w, "start_auto_cal");
        EXPECT_FALSE(msgtest::Find(w, "closebtn")->IsEnabled());
        ASSERT_TRUE(WaitFor([&] { return w->IsCompleted() && RunOver(w); }));
        EXPECT_EQ(TipsOf(w), Tr("${irc_completed}"));
        EXPECT_EQ(w->ChannelMask(), 0x07);

        const auto& curves = w->Plot()->GetCurves();
        const auto& grid = curves.responseFreqs(0);
        for (int c = 0; c < 8; ++c) {
            SCOPED_TRACE(c);
            const bool measured = c < 3;
            EXPECT_EQ(curves.isMeasuredVisible(c), measured);
            EXPECT_EQ(curves.isResponseVisible(c), measured);
            const auto points = dv::sim::MeasuredResponse(c);
            for (int k = 0; k < 121; ++k) {
                EXPECT_NEAR(curves.measuredLevels(c)[k], measured ? points[k].gain : 0.0, 0.011);
                if (measured) {
                    EXPECT_EQ(curves.measuredFreqs(c)[k], std::floor(points[k].freq));
                }
            }
            // The correction curve is the sum of the unit's bands, by the unit's own filter model.
            const auto bands = dv::sim::CorrectiveEq(c);
            for (int i = 0; i < 500; i += 7) {
                double expected = 0.0;
                if (measured)
                    for (const auto& b : bands) expected += dv::sim::SimPeakingDb(b, grid[i]);
                EXPECT_NEAR(curves.responseLevels(c)[i], expected, 0.05) << grid[i];
            }
        }

        // Per output: 14 spectrum requests covering 0 .. 120 and 2 correction requests.
        int polls = 0;
        std::map<int, std::vector<std::pair<int, int>>> spectrum, eq;
        for (const IrcFrame& f : IrcFrames()) {
            if (f.optype != 0x66) continue;
            polls += f.subcmd == 19;
            if (f.subcmd == 26) spectrum[f.payload[0]].push_back({f.payload[1], f.payload[2]});
            if (f.subcmd == 22) eq[f.payload[0]].push_back({f.payload[1], f.payload[2]});
        }
        EXPECT_EQ(polls, m_unit->CalibrationStatusQueries());
        EXPECT_EQ(Actions(), (std::vector<int>{1}));
        EXPECT_EQ(IrcFrames().front().payload, (std::vector<uint8_t>{1, 0x00, 0x07, 1}));
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(spectrum[c].size(), 14u) << c;
            for (int i = 0; i < 14; ++i)
                EXPECT_EQ(spectrum[c][i], std::make_pair(9 * i, std::min(9 * i + 8, 120)));
            EXPECT_EQ(eq[c], (std::vector<std::pair<int, int>>{{0, 5}, {6, 10}}));
        }
        EXPECT_EQ(spectrum.size(), 3u);

        const QString log = ReadFile(AutoCalDefaults().speakerLog);
        EXPECT_TRUE(log.startsWith("channel 1\nband(0)\tfreq(20.00)\tgain("));
        EXPECT_EQ(log.count("channel "), 3);
        EXPECT_EQ(log.count("band("), 363);

        msgtest::WhenShown("MsgWnd", [](DuiLib::WindowImplBase* question) {
            EXPECT_EQ(msgtest::Find(question, "MessageText")->GetText(), Tr("${irc_apply_tips}"));
            msgtest::Click(question, "confirm_btn");
        });
        Mark();
        Click(w, "closebtn");
        applied = true;
    });
    dv::PostToWindow(m_wnd->GetWindowHandle(), DuiLib::WM_MENUCLICK, 0, [] {
        auto cmd = std::make_unique<DuiLib::MenuCmd>();
        const std::wstring name = L"advance_item_autocal";
        std::copy(name.begin(), name.end(), cmd->szName);
        return cmd;
    }());
    ASSERT_TRUE(WaitFor([&] { return applied && !msgtest::FindWindow("AutoCalWnd"); }));
    EXPECT_EQ(Actions(), (std::vector<int>{2}));
    EXPECT_EQ(m_unit->CalibrationAppliedMode(), 1);
    // The flow reconnects and reads the unit again.
    ASSERT_TRUE(WaitConnected());
    EXPECT_FALSE(m_wnd->GetHWND()->isMinimized());
    Settle();
    EXPECT_TRUE(
        ReadFile(logPath).contains("Auto cal finished, need to sync data from dsp again!\n"));
    for (int c = 0; c < 3; ++c) {
        const auto bands = dv::sim::CorrectiveEq(c);
        for (int b = 0; b < 11; ++b) {
            const dv::EqBand& band = Manager().Profile().channels[c].eqArray[b];
            EXPECT_EQ(band.freq, bands[b].freq);
            EXPECT_NEAR(band.eqGain, bands[b].gainTenths / 10.0, 0.051);
        }
    }
    // Output 2 is the farthest of the three: output 1 waits 0.37 m, output 3 0.27 m.
    EXPECT_NEAR(Manager().Profile().channels[0].delay, 1.079, 0.0015);
    EXPECT_NEAR(Manager().Profile().channels[1].delay, 0.0, 0.0015);
    EXPECT_NEAR(Manager().Profile().channels[2].delay, 0.787, 0.0015);
    Manager().OnChannelInChange(0);
    const auto first = dv::sim::CorrectiveEq(0);
    for (int b = 0; b < 11; ++b) {
        EXPECT_EQ(TextOf(QString("eq_freq_%1").arg(b)), QString::number(first[b].freq));
        EXPECT_EQ(TextOf(QString("eq_gain_%1").arg(b)),
                  QString::asprintf("%.1f", first[b].gainTenths / 10.0));
    }
}

// Every failure reason shows its text; nothing completed, nothing to apply: the close discards
// without asking.
TEST_F(AutoCalTest, EveryFailureReasonShowsItsText) {
    Connect();
    const char* const tips[] = {"${irc_failed_level}",     "${irc_failed_mic}",
                                "${irc_failed_speaker}",   "${irc_failed_delay}",
                                "${irc_failed_ch_volume}", "${irc_failed_eq}"};
    const int result = RunWindow([&](CAutoCalWnd* w) {
        for (uint8_t reason = 0; reason < 6; ++reason) {
            SCOPED_TRACE(reason);
            m_unit->SetCalibrationFault({SimCalFaultKind::Fail,
                                         static_cast<uint8_t>(reason % 2 ? 7 : 1 + reason), -1,
                                         reason});
            Click(w, "start_auto_cal");
            EXPECT_TRUE(WaitFor([&] { return RunOver(w); }));
            EXPECT_EQ(TipsOf(w), Tr(tips[reason]));
            EXPECT_FALSE(w->IsCompleted());
        }
        Mark();
        Click(w, "closebtn");
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(msgtest::FindWindow("MsgWnd"));
    EXPECT_EQ(Actions(), (std::vector<int>{3}));
}

// A run the unit gives up, one stopped while its spectrum is being fetched, and one against a
// unit that stopped answering: the window stays responsive, nothing counts as completed, and the
// last complete run's speaker log survives.
TEST_F(AutoCalTest, RunsThatEndWithoutAResultLeaveTheWindowResponsive) {
    dv::sim::SimOptions slow;
    slow.latency = std::chrono::milliseconds(15);
    ConnectWith([](dv::sim::SimUnitState&) {}, slow);
    Manager().Device().SetReplyTimeoutCap(300);
    QFile previous(AutoCalDefaults().speakerLog);
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write("last complete run\n");
    previous.close();
    enum class End { UnitExits, StopMidFetch, UnitSilent };
    const int result = RunWindow([&](CAutoCalWnd* w) {
        for (End end : {End::UnitExits, End::StopMidFetch, End::UnitSilent}) {
            SCOPED_TRACE(static_cast<int>(end));
            if (end == End::UnitExits) m_unit->SetCalibrationFault({SimCalFaultKind::Exit, 7, 1});
            if (end == End::UnitSilent) m_unit->SetCalibrationFault({SimCalFaultKind::Silent, 3});
            Mark();
            Click(w, "start_auto_cal");
            auto spectra = [&] {
                const auto frames = IrcFrames();
                return std::count_if(frames.begin(), frames.end(),
                                     [](const IrcFrame& f) { return f.subcmd == 26; });
            };
            if (end == End::StopMidFetch) {
                ASSERT_TRUE(WaitFor([&] { return spectra() >= 2; }));
            }
            if (end == End::UnitSilent) {
                ASSERT_TRUE(WaitFor([&] { return w->Status() == 2; }));
            }
            if (end != End::UnitExits) {
                QElapsedTimer clock;
                clock.start();
                Click(w, "start_auto_cal");
                // The click returns at once, the window shows the stop, and answers input.
                EXPECT_LT(clock.elapsed(), 100);
                EXPECT_EQ(TipsOf(w), Tr("${irc_stoped}"));
                Select(w, "display_eq", false);
                Select(w, "display_eq", true);
            }
            ASSERT_TRUE(WaitFor([&] { return RunOver(w); }));
            EXPECT_FALSE(w->IsCompleted());
            EXPECT_TRUE(msgtest::Find(w, "closebtn")->IsEnabled());
            if (end == End::StopMidFetch) {
                EXPECT_LT(spectra(), 14);
                EXPECT_EQ(Actions(), (std::vector<int>{1, 0}));
            } else {
                EXPECT_EQ(TipsOf(w), Tr("${irc_stoped}"));
            }
            EXPECT_EQ(ReadFile(AutoCalDefaults().speakerLog), "last complete run\n");
        }
        Click(w, "closebtn");
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(QFile::exists(AutoCalDefaults().speakerLog + ".tmp"));
}

// The unit leaves the bus mid-run: the window closes as not applied and the main window does not
// reconnect as it would after an apply.
TEST_F(AutoCalTest, APlugOutClosesTheWindowAsNotApplied) {
    Connect();
    const QString logPath = m_dir.filePath("save.log");
    InitConsoleWindow(logPath.toStdString());
    const int result = RunWindow([&](CAutoCalWnd* w) {
        Click(w, "start_auto_cal");
        ASSERT_TRUE(WaitFor([&] { return w->Status() >= 3; }));
        dv::sim::SimBus::Instance().Unplug();
    });
    EXPECT_EQ(result, 0);
    Settle();
    EXPECT_FALSE(Manager().IsConnected());
    EXPECT_FALSE(ReadFile(logPath).contains("Auto cal finished"));
}

// Which outputs a run may measure and which target it asks for.
TEST_F(AutoCalTest, SubwoofersAreLeftOutAndTheSelectionMakesTheRequest) {
    ConnectWith([](dv::sim::SimUnitState& s) {
        s.current.outputs[3].role = 24;  // a subwoofer on output 4, none on output 8
        s.current.outputs[7].role = 15;
    });
    const int result = RunWindow([&](CAutoCalWnd* w) {
        for (int c = 0; c < 8; ++c) {
            auto* box =
                static_cast<DuiLib::COptionUI*>(msgtest::Find(w, QString("ch_checkbox_%1").arg(c)));
            const bool sub = c == 3 || c == 6;
            EXPECT_EQ(box->IsSelected(), !sub) << c;
            EXPECT_EQ(box->IsEnabled(), !sub) << c;
            EXPECT_EQ(box->GetToolTip(), sub ? Tr("${irc_subwoof_not_test}") : QString()) << c;
            EXPECT_EQ(w->IsChannelShown(c), !sub) << c;
        }
        struct Case {
            std::vector<int> channels;
            int effect;  // -1: no option selected
            std::vector<uint8_t> start;
        };
        const Case cases[] = {{{0, 1, 7}, 1, {1, 0x00, 0x83, 2}},
                              {{2}, -1, {1, 0x00, 0x04, 0}},
                              {{5}, 2, {1, 0x00, 0x20, 3}},
                              {{}, 0, {}}};
        for (const Case& c : cases) {
            for (int k = 0; k < 8; ++k)
                Select(w, QString("ch_checkbox_%1").arg(k),
                       std::count(c.channels.begin(), c.channels.end(), k) > 0);
            for (int k = 0; k < 9; ++k) Select(w, QString("audio_effect_%1").arg(k), k == c.effect);
            Mark();
            Click(w, "start_auto_cal");
            if (c.start.empty()) {
                EXPECT_EQ(TipsOf(w), Tr("${irc_no_channel}"));
                EXPECT_FALSE(w->IsWorkerRunning());
                continue;
            }
            ASSERT_TRUE(WaitFor([&] { return !IrcFrames().empty(); }));
            EXPECT_EQ(IrcFrames().front().payload, c.start);
            Click(w, "start_auto_cal");
            ASSERT_TRUE(WaitFor([&] { return RunOver(w); }));
        }
        Click(w, "closebtn");
    });
    EXPECT_EQ(result, 0);
}

}  // namespace
