// The simulated unit's calibration course, as a peer: what a run reports, what it measures and
// corrects, what apply, discard and the faults do to the unit.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim/SimCalibration.h"

namespace {

using dv::sim::SimCalFault;
using dv::sim::SimCalFaultKind;
using dv::sim::SimCalibrationCourse;
using dv::sim::SimUnitState;

struct Report {
    int status = -1, channel = 0, progress = 0, reason = 0;
};

// Polls until the run ends (10, 11, 12), goes silent or `limit` queries have passed.
std::vector<Report> Poll(SimCalibrationCourse& course, SimUnitState& state, int limit = 200) {
    std::vector<Report> reports;
    for (int i = 0; i < limit; ++i) {
        const auto answer = course.StatusQuery(state);
        if (!answer) break;
        const auto& p = *answer;
        reports.push_back({p[0], p[1], p[3], p[4]});
        if (p[0] >= 10) break;
    }
    return reports;
}

// Level of the measurement with the correction on top, against the measured one alone: the
// spread around its mean over 40 Hz .. 16 kHz.
double Spread(int channel, bool corrected) {
    const auto points = dv::sim::MeasuredResponse(channel);
    const auto bands = dv::sim::CorrectiveEq(channel);
    std::vector<double> levels;
    for (const auto& p : points) {
        if (p.freq < 40.0 || p.freq > 16000.0) continue;
        double level = p.gain;
        if (corrected)
            for (const auto& b : bands) level += dv::sim::SimPeakingDb(b, p.freq);
        levels.push_back(level);
    }
    double mean = 0.0;
    for (double l : levels) mean += l / static_cast<double>(levels.size());
    double sum = 0.0;
    for (double l : levels) sum += (l - mean) * (l - mean);
    return std::sqrt(sum / static_cast<double>(levels.size()));
}

TEST(SimCalibration, ARunRisesThroughItsStagesAndReportsEachSelectedOutputOnce) {
    SimUnitState state = dv::sim::FactoryState();
    SimCalibrationCourse course;
    course.Control(1, 0x05, 1, state);
    const auto reports = Poll(course, state);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().status, 10);
    EXPECT_EQ(reports.back().progress, 100);
    std::vector<int> spectra, corrections;
    int last = 0;
    for (const Report& r : reports) {
        if (r.status == 7) spectra.push_back(r.channel);
        if (r.status == 8) corrections.push_back(r.channel);
        EXPECT_GE(r.progress, last);
        last = r.progress;
    }
    EXPECT_EQ(spectra, (std::vector<int>{0, 2}));
    EXPECT_EQ(corrections, (std::vector<int>{0, 2}));
    EXPECT_EQ(course.MeasuredMask(), 0x05);
    // Ended: further queries repeat the end.
    EXPECT_EQ(Poll(course, state, 3).front().status, 10);

    // An output without a speaker fails the speaker test: no speaker (reason 2).
    state.current.outputs[1].role = 0;
    course.Control(1, 0x03, 1, state);
    const auto failed = Poll(course, state);
    EXPECT_EQ(failed.back().status, 11);
    EXPECT_EQ(failed.back().reason, 2);
    EXPECT_EQ(failed[failed.size() - 2].status, 1);
}

TEST(SimCalibration, EveryOutputMeasuresLikeACabinAndItsCorrectionFlattensIt) {
    for (int c = 0; c < 8; ++c) {
        SCOPED_TRACE(c);
        const auto m = dv::sim::MeasuredResponse(c);
        EXPECT_NEAR(m.front().freq, 20.0, 0.01);
        EXPECT_NEAR(m.back().freq, 20000.0, 0.01);
        // Twelve points an octave: cabin gain at 63 Hz (point 20) above 1 kHz (point 68), the
        // highs at 16 kHz (point 116) rolled off below it.
        EXPECT_GT(m[20].gain, m[68].gain + 2.0);
        EXPECT_LT(m[116].gain, m[68].gain - 4.0);
        EXPECT_LT(Spread(c, true), 0.6 * Spread(c, false));
        if (c > 0) {
            const auto previous = dv::sim::MeasuredResponse(c - 1);
            double largest = 0.0;
            for (size_t k = 0; k < m.size(); ++k)
                largest = std::max(largest, std::abs(m[k].gain - previous[k].gain));
            EXPECT_GT(largest, 1.0);
        }
    }
}

TEST(SimCalibration, ApplyWritesTheResultAndEverythingElseLeavesTheSettingAlone) {
    SimUnitState state = dv::sim::FactoryState();
    const SimUnitState before = state;
    SimCalibrationCourse course;
    auto same = [&](const SimUnitState& a) {
        for (int c = 0; c < 8; ++c) {
            const auto& x = a.current.outputs[c];
            const auto& y = before.current.outputs[c];
            if (x.delayMicros != y.delayMicros || x.trim != y.trim) return false;
            for (int b = 0; b < 31; ++b)
                if (x.bands[b].gainTenths != y.bands[b].gainTenths) return false;
        }
        return true;
    };
    course.Control(2, 0, 3, state);  // nothing to apply yet
    EXPECT_TRUE(same(state));
    for (uint8_t end : {0, 3}) {  // stopped mid-run, discarded after completion
        course.Control(1, 0x03, 1, state);
        Poll(course, state, end == 0 ? 5 : 200);
        course.Control(end, 0, 0, state);
        EXPECT_EQ(state.calibration.status, 12);
        course.Control(2, 0x03, 1, state);
        EXPECT_TRUE(same(state)) << int(end);
    }
    course.Control(1, 0x03, 1, state);
    Poll(course, state);
    course.Control(2, 0x03, 4, state);
    EXPECT_EQ(course.AppliedMode(), 4);
    for (int c = 0; c < 2; ++c) {
        const auto bands = dv::sim::CorrectiveEq(c);
        for (int b = 0; b < 11; ++b) {
            EXPECT_EQ(state.current.outputs[c].bands[b].freq, bands[b].freq);
            EXPECT_EQ(state.current.outputs[c].bands[b].gainTenths, bands[b].gainTenths);
        }
        EXPECT_EQ(state.current.outputs[c].trim, dv::sim::MeasuredTrim(c));
    }
    // Output 2 (1.32 m) is the farther: output 1 (0.95 m) waits 0.37 m / 343 m/s.
    EXPECT_EQ(state.current.outputs[0].delayMicros, 1079u);
    EXPECT_EQ(state.current.outputs[1].delayMicros, 0u);
    EXPECT_EQ(state.current.outputs[2].bands[0].gainTenths,
              before.current.outputs[2].bands[0].gainTenths);
}

TEST(SimCalibration, FaultsStrikeAtTheirStageOnce) {
    struct Case {
        SimCalFault fault;
        int status;  // what the run ends or sticks with
    };
    std::vector<Case> cases;
    for (uint8_t reason = 0; reason < 6; ++reason)
        cases.push_back(
            {{SimCalFaultKind::Fail, static_cast<uint8_t>(1 + reason), -1, reason}, 11});
    cases.push_back({{SimCalFaultKind::Exit, 6, -1, 0}, 12});
    cases.push_back({{SimCalFaultKind::Freeze, 7, 1, 0}, 7});
    cases.push_back({{SimCalFaultKind::Silent, 2, -1, 0}, -1});
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault.kind) * 10 + c.fault.atStatus);
        SimUnitState state = dv::sim::FactoryState();
        SimCalibrationCourse course;
        course.SetFault(c.fault);
        course.Control(1, 0x03, 1, state);
        const auto reports = Poll(course, state, 60);
        if (c.status == -1) {
            ASSERT_FALSE(reports.empty());
            EXPECT_LT(reports.back().status, 2);
            EXPECT_FALSE(course.StatusQuery(state).has_value());
            continue;
        }
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back().status, c.status);
        if (c.status == 11) {
            EXPECT_EQ(reports.back().reason, c.fault.reason);
        }
        if (c.status == 7) {
            EXPECT_EQ(reports.back().channel, 1);
            EXPECT_EQ(reports.size(), 60u);
        }
        // The next run is clean.
        course.Control(1, 0x03, 1, state);
        EXPECT_EQ(Poll(course, state).back().status, 10);
    }
}

}  // namespace
