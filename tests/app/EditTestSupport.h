// A connected main window over the simulated unit for editing tests: connect (optionally with
// every output linked), mark the transcript, read back the set commands written since the mark,
// and act on controls as a user does.
#pragma once

#include <QLineEdit>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimFrames.h"
#include "tests/app/MainWndTestSupport.h"

namespace maintest {

// The unit keeps the whole part and the tenths digit of what it is sent.
inline long QTenths(double q) {
    return static_cast<long>(std::floor(q * 10.0 + 1e-3));
}
inline long GainTenths(double db) {
    return static_cast<long>(std::floor((db + 18.0) * 10.0 + 1e-3)) - 180;
}

// The first band of `output` the unit plays otherwise than the panel shows it, as "band N: unit
// freq/Q/gain panel freq/Q/gain", or "" when all agree. A band switched off plays 0 dB.
inline std::string BandMismatch(const dv::sim::SimOutput& unit, const dv::DspProfile& model,
                                int output) {
    const dv::OutputChannel& c = model.channels[output];
    for (int b = 0; b < model.BandCount(output); ++b) {
        const dv::EqBand& m = c.eqArray[b];
        const dv::sim::SimBand& u = unit.bands[b];
        const double gain = m.enable == 1 ? m.eqGain : 0.0;
        if (u.freq != m.freq || u.qHundredths / 10 != QTenths(m.eqFactor) ||
            u.gainTenths != GainTenths(gain))
            return "band " + std::to_string(b) + ": unit " + std::to_string(u.freq) + "/" +
                   std::to_string(u.qHundredths) + "/" + std::to_string(u.gainTenths) + " panel " +
                   std::to_string(m.freq) + "/" + std::to_string(m.eqFactor) + "/" +
                   std::to_string(gain);
    }
    return {};
}

enum class Commit { Return, KillFocus };

class EditingTest : public MainWindowTest {
protected:
    // The one comparison of the unit with the panel: every band of each output given (a band
    // switched off plays 0 dB) and its bypass flag.
    void ExpectUnitHolds(const std::vector<int>& outputs, int ms = 3000) {
        auto mismatch = [&]() -> std::string {
            const dv::sim::SimUnitState unit = m_unit->State();
            const dv::DspProfile& model = Manager().Profile();
            for (int k : outputs) {
                const dv::OutputChannel& c = model.channels[k];
                const dv::sim::SimOutput& o = unit.current.outputs[k];
                if (o.eqBypass != c.bypass) return "bypass of " + std::to_string(k);
                if (std::string band = maintest::BandMismatch(o, model, k); !band.empty())
                    return "output " + std::to_string(k) + " " + band;
            }
            return {};
        };
        WaitFor([&] { return mismatch().empty(); }, ms);
        EXPECT_EQ(mismatch(), "");
    }

    EqualizerManager& Manager() { return m_wnd->Manager(); }

    void Connect(bool linked = false) {
        ConnectWith([linked](dv::sim::SimUnitState& state) {
            if (!linked) return;
            state.current.link = 1;
            state.current.lock = 1;
            state.current.pairs = {{{0, 1}, {2, 3}, {4, 5}, {6, 7}}};
            state.current.pairCount = 4;
        });
    }

    // Connects to a tuned car changed by `change`. Exact frame counts by default: each value
    // sent, none merged into a later one.
    template <typename Change>
    void ConnectWith(Change change, dv::sim::SimOptions options = {}, bool coalescing = false) {
        dv::sim::SimUnitState state = dv::sim::TunedCarState();
        change(state);
        m_unit = PlugUnit(options, state);
        OpenWindow();
        ASSERT_TRUE(WaitConnected());
        Manager().Device().SetCmdCoalescing(coalescing);
        ASSERT_TRUE(WaitFor([this] { return Manager().Device().QueuedCommandCount() == 0; }));
        Settle();
        Mark();
    }

    void Mark() { m_mark = dv::sim::SimBus::Instance().Transcript().size(); }

    // Group-1 set commands written since the last mark; marks again.
    std::vector<dv::sim::SimFrame> SentFrames() {
        WaitFor([this] { return Manager().Device().QueuedCommandCount() == 0; });
        Settle();
        const auto transcript = dv::sim::SimBus::Instance().Transcript();
        std::vector<dv::sim::SimFrame> frames;
        for (size_t i = m_mark; i < transcript.size(); ++i) {
            if (transcript[i].direction != dv::sim::Direction::ToUnit) continue;
            const auto frame = dv::sim::DecodeOutputReport(transcript[i].bytes);
            if (frame && frame->mcmd == 1 && frame->optype == 0xBB) frames.push_back(*frame);
        }
        m_mark = transcript.size();
        return frames;
    }

    // Types `text` into an edit as a user does and leaves it by Return or by the focus moving.
    void Type(const QString& edit, const QString& text, Commit how) {
        auto* control = FindAs<DuiLib::CEditUI>(edit);
        ASSERT_NE(control, nullptr) << edit.toStdString();
        control->SetFocus();
        control->SetText(text);
        if (how == Commit::Return) QTest::keyClick(control->GetLineEdit(), Qt::Key_Return);
        m_wnd->GetPaintManager()->SetFocus(nullptr);  // killfocus: after Return, unchanged
    }

    void SetUnit(int unit) { FindAs<DuiLib::CComboUI>("comb_ch_unit")->SelectItem(unit); }

    // A drag: moves through `values`, then the release repeats the last one.
    void Drag(const QString& slider, std::initializer_list<int> values) {
        auto* control = FindAs<DuiLib::CSliderUI>(slider);
        ASSERT_NE(control, nullptr);
        for (int v : values) {
            control->SetValue(v);
            m_wnd->GetPaintManager()->SendNotify(control, DuiLib::DUI_MSGTYPE_VALUECHANGED_MOVE);
        }
        m_wnd->GetPaintManager()->SendNotify(control, DuiLib::DUI_MSGTYPE_VALUECHANGED);
    }

    void Step(const QString& edit, bool up) {
        m_wnd->GetPaintManager()->SendNotify(
            Find(edit),
            up ? DuiLib::DUI_MSGTYPE_VALUECHANGED_UP : DuiLib::DUI_MSGTYPE_VALUECHANGED_DOWN);
    }

    std::shared_ptr<dv::sim::ProcessorSimulator> m_unit;
    size_t m_mark = 0;
};

}  // namespace maintest
