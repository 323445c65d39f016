// Scenes and transfers against the simulated unit: short fixed waits, a field-by-field
// comparison of the unit's memory with a panel profile, and a driver for the scene window.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <string>

#include "app/FileDialogs.h"
#include "app/MsgWnd.h"
#include "app/NameMsgWnd.h"
#include "app/dialogs/SceneWnd.h"
#include "tests/app/EditTestSupport.h"
#include "tests/app/MsgWindowTestSupport.h"

namespace scenetest {

using dv::sim::SimFault;

// The first field where the unit's scene differs from `p`, or an empty text.
inline std::string Diff(const dv::sim::SimScene& u, const dv::DspProfile& p) {
    auto at = [](const char* what, int k, int b = -1) {
        return std::string(what) + " of output " + std::to_string(k) +
               (b >= 0 ? " band " + std::to_string(b) : std::string());
    };
    for (int k = 0; k < dv::kOutputCount; ++k) {
        const dv::sim::SimOutput& o = u.outputs[k];
        const dv::OutputChannel& c = p.channels[k];
        const dv::Crossover& x = c.crossover;
        if (o.hp.freq != x.hp.fs || o.hp.type != x.hp.type || o.hp.slope != x.hp.slope)
            return at("high-pass", k);
        if (o.lp.freq != x.lp.fs || o.lp.type != x.lp.type || o.lp.slope != x.lp.slope)
            return at("low-pass", k);
        for (int b = 0; b < p.BandCount(k); ++b) {
            const dv::EqBand& band = c.eqArray[b];
            const long gain = band.enable == 1 ? std::lround(band.eqGain * 10) : 0;
            if (o.bands[b].freq != band.freq || o.bands[b].gainTenths != gain ||
                o.bands[b].qHundredths != std::lround(band.eqFactor * 100))
                return at("band", k, b);
        }
        if (o.delayMicros != std::lround(c.delay * 1000)) return at("delay", k);
        if (o.trim != c.gain || o.mute != c.mute || o.phase != c.phase) return at("volume", k);
        if (o.role != p.roles[k]) return at("role", k);
        if (o.eqBypass != c.bypass) return at("EQ bypass", k);
        for (int s = 0; s < dv::kSourceCount; ++s)
            if (u.routing[s][k] != p.routing[s][k]) return at("routing", k);
    }
    if (u.link != p.linkMode || u.lock != p.lockMode) return "link or lock";
    if (u.link == 1) {
        std::array<int, dv::kOutputCount> partner;
        partner.fill(-1);
        for (int i = 0; i < u.pairCount; ++i) {
            partner[u.pairs[i].from] = u.pairs[i].to;
            partner[u.pairs[i].to] = u.pairs[i].from;
        }
        for (int k = 0; k < dv::kOutputCount; ++k)
            if (partner[k] != p.linkOutputs[k]) return at("link pair", k);
    }
    return {};
}

// The current setting with the unit-wide values; files hold no source.
inline std::string DiffCurrent(const dv::sim::SimUnitState& u, const dv::DspProfile& p,
                               bool withSource = true) {
    if (u.mainVolume != p.mainVolume || u.mute != p.mainVolumeMute) return "main volume";
    if (withSource && u.sourceCode != 0x51 + p.source) return "source";
    if (u.inputThreshold != p.inputThreshold) return "threshold";
    return Diff(u.current, p);
}

class SceneTest : public maintest::EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override {
        SetFileDialogAnswer({});
        EditingTest::TearDown();
    }

    static dv::sim::SimOptions FastOptions() {
        dv::sim::SimOptions options;
        options.sceneLoadDelay = std::chrono::milliseconds(5);
        options.restartDelay = std::chrono::milliseconds(50);
        return options;
    }

    // Connects with short fixed waits: reply waits of 250 ms, pauses of a few.
    template <typename Change>
    void ConnectFast(Change change) {
        ConnectWith(change, FastOptions());
        Shorten();
    }
    void Shorten() {
        TransferTimings timings;
        timings.slotPause = std::chrono::milliseconds(10);
        timings.wholeSettle = std::chrono::milliseconds(10);
        timings.replyCap = std::chrono::milliseconds(250);
        Manager().SetTransferTimings(timings);
    }

    QString PathOf(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // The file dialogs answer `path`.
    static void AnswerDialogs(const QString& path) {
        SetFileDialogAnswer([path](bool, const QString&) { return path; });
    }

    // Waits until the worker and the busy window are gone and the posted steps ran.
    bool WaitIdle(int ms = 8000) {
        const bool idle = WaitFor(
            [this] {
                return !Manager().IsWorkerRunning() && !m_wnd->BusyWindow() &&
                       !msgtest::FindWindow(QStringLiteral("LoadingWnd"));
            },
            ms);
        Settle();
        return idle && !m_wnd->BusyWindow();
    }

    // Answers every question window with its confirm button, from now on.
    void ConfirmQuestions() {
        m_questions = std::make_unique<QTimer>();
        QObject::connect(m_questions.get(), &QTimer::timeout, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (!widget->isVisible()) continue;
                auto* msg = dynamic_cast<CMsgWnd*>(DuiLib::CWindowWnd::FromHWND(widget));
                if (msg) msgtest::Click(msg, QStringLiteral("confirm_btn"));
            }
        });
        m_questions->start(5);
    }

    // Opens the scene window in `mode`, picks row `row`, confirms every question, types `name`
    // into the name window, and closes the window once the operation has ended (or, when
    // `expectOutcome` is false, once nothing is left to answer).
    void RunSceneWindow(SceneWndMode mode, int row, const QString& name = {},
                        bool expectOutcome = true) {
        bool picked = false;
        int quiet = 0;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            CSceneWnd* scene = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (!widget->isVisible()) continue;
                DuiLib::CWindowWnd* window = DuiLib::CWindowWnd::FromHWND(widget);
                if (auto* named = dynamic_cast<CNameMsgWnd*>(window)) {
                    auto* edit = static_cast<DuiLib::CEditUI*>(
                        msgtest::Find(named, QStringLiteral("name_edt")));
                    edit->SetText(name);
                    msgtest::Click(named, QStringLiteral("confirm_btn"));
                    return;
                }
                if (auto* msg = dynamic_cast<CMsgWnd*>(window)) {
                    msgtest::Click(msg, QStringLiteral("confirm_btn"));
                    return;
                }
                if (auto* s = dynamic_cast<CSceneWnd*>(window)) scene = s;
            }
            if (!scene) return;
            if (!picked) {
                picked = true;
                auto* list =
                    static_cast<DuiLib::CListUI*>(msgtest::Find(scene, QStringLiteral("listview")));
                list->SelectItem(row);
                // Outside this slot: the click opens modal windows, and a timer never fires
                // again while its own slot runs.
                QTimer::singleShot(
                    0, [scene] { msgtest::Click(scene, QStringLiteral("confirm_btn")); });
                return;
            }
            const bool done = expectOutcome ? scene->Settled() : ++quiet > 20;
            if (done && !scene->BusyWindow()) msgtest::Click(scene, QStringLiteral("cancel_btn"));
        });
        driver.start(5);
        switch (mode) {
            case SceneWndMode::Load:
                Manager().LoadSenceConfigFromDSP();
                break;
            case SceneWndMode::SaveAs:
                Manager().SaveSenceConfigToDSP();
                break;
            case SceneWndMode::Delete:
                Manager().DeleteDSPSenceConfig();
                break;
        }
        driver.stop();
        WaitIdle();
    }

    // Reads the unit again: a fresh link (and a re-plug when it left the bus).
    void Reread() {
        m_unit->ClearFaults();
        if (!dv::sim::SimBus::Instance().IsPlugged()) {
            dv::sim::SimBus::Instance().Plug(m_unit);
        } else {
            Manager().Disconnect();
            Manager().Connect(false);
        }
        ASSERT_TRUE(WaitConnected());
        Shorten();
        Settle();
    }

    // Set commands of group `mcmd` written since the last mark, all groups when 0.
    std::vector<dv::sim::SimFrame> SetFrames(uint8_t mcmd) {
        const auto transcript = dv::sim::SimBus::Instance().Transcript();
        std::vector<dv::sim::SimFrame> frames;
        for (size_t i = m_mark; i < transcript.size(); ++i) {
            if (transcript[i].direction != dv::sim::Direction::ToUnit) continue;
            const auto frame = dv::sim::DecodeOutputReport(transcript[i].bytes);
            if (frame && frame->optype == 0xBB && (mcmd == 0 || frame->mcmd == mcmd))
                frames.push_back(*frame);
        }
        return frames;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QTimer> m_questions;
};

}  // namespace scenetest
