#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "curves/FilterMath.h"
#include "model/DspProfile.h"

namespace dv {
namespace {

constexpr double kFs = 48000.0;
constexpr double kPi = std::numbers::pi;

// Independent reference: |H(e^jw)| of a normalised biquad, in dB.
struct Biquad {
    double b0, b1, b2, a1, a2;
};

double BiquadDb(const Biquad& q, double freq) {
    const std::complex<double> z = std::polar(1.0, 2.0 * kPi * freq / kFs);
    const std::complex<double> h =
        (q.b0 + q.b1 / z + q.b2 / (z * z)) / (1.0 + q.a1 / z + q.a2 / (z * z));
    return 20.0 * std::log10(std::abs(h));
}

// Second-order high-/low-pass with quality q, in the common bilinear "cookbook" form.
Biquad SecondOrder(bool lowPass, double fc, double q) {
    const double w = 2.0 * kPi * fc / kFs;
    const double a = std::sin(w) / (2.0 * q);
    const double norm = 1.0 + a;
    const double c = std::cos(w);
    const double g = (lowPass ? 1.0 - c : 1.0 + c) / 2.0 / norm;
    return {g, lowPass ? 2.0 * g : -2.0 * g, g, -2.0 * c / norm, (1.0 - a) / norm};
}

// First-order bilinear section with prewarped corner.
Biquad FirstOrder(bool lowPass, double fc) {
    const double k = std::tan(kPi * fc / kFs);
    const double a1 = (k - 1.0) / (k + 1.0);
    return lowPass ? Biquad{k / (k + 1.0), k / (k + 1.0), 0, a1, 0}
                   : Biquad{1.0 / (k + 1.0), -1.0 / (k + 1.0), 0, a1, 0};
}

// The peaking band, written out from its defining equations.
Biquad Peaking(double f0, double gainDb, double q) {
    const double amp = std::pow(10.0, gainDb / 20.0);
    const double w0 = 2.0 * kPi * f0 / kFs;
    const double w1 = w0 * (std::sqrt(1.0 + 4.0 * q * q) - 1.0) / (2.0 * q);
    double r = std::sin(w1) * std::sin(w0) / (2.0 * (std::cos(w1) - std::cos(w0)));
    if (amp < 1.0) r *= amp;
    const double u = 2.0 * r + std::sin(w0);
    const double a1 = -4.0 * r * std::cos(w0) / u;
    return {(2.0 * r + amp * std::sin(w0)) / u, a1, (2.0 * r - amp * std::sin(w0)) / u, a1,
            (2.0 * r - std::sin(w0)) / u};
}

// A grid whose Nyquist reference (second to last entry) is 24 kHz, for chosen frequencies.
std::vector<double> GridAt(std::vector<double> freqs) {
    freqs.push_back(24000.0);
    freqs.push_back(48000.0);
    return freqs;
}

std::vector<double> HighPass(double fc, int slope, int type, const std::vector<double>& grid) {
    std::vector<double> out(grid.size());
    highPassResponse(fc, slope, type, static_cast<int>(grid.size()), grid.data(), out.data());
    return out;
}

std::vector<double> LowPass(double fc, int slope, int type, const std::vector<double>& grid) {
    std::vector<double> out(grid.size());
    lowPassResponse(fc, slope, type, static_cast<int>(grid.size()), grid.data(), out.data());
    return out;
}

std::vector<double> StandardGrid() {
    std::vector<double> grid(kCurveGridSize);
    makeLogFreqGrid(kFs, kCurveGridSize, grid.data());
    return grid;
}

TEST(MathGrid, LogarithmicUpToNyquistThenTheSampleRate) {
    const std::vector<double> grid = StandardGrid();
    for (int i : {0, 1, 200, 509, 510}) {
        EXPECT_NEAR(grid[i], std::pow(24000.0, (i + 1) / 511.0), 1e-9 * grid[i]) << i;
    }
    EXPECT_NEAR(grid[0], 1.0199, 1e-4);
    EXPECT_NEAR(grid[1], 1.0403, 1e-4);
    EXPECT_NEAR(grid[509], 23530.9, 0.05);
    EXPECT_NEAR(grid[510], 24000.0, 1e-9);
    EXPECT_EQ(grid[511], 48000.0);
    EXPECT_NEAR(grid[116], 10.07, 0.01);
    EXPECT_NEAR(grid[501], 20093.9, 0.1);
}

TEST(MathPeaking, BoostAndCutMatchTheClosedForm) {
    const std::vector<double> grid = GridAt({1000.0, 500.0, 100.0, 2000.0, 15000.0});
    std::vector<double> boost(grid.size());
    std::vector<double> cut(grid.size());
    peakingResponse(kFs, 1000.0, 6.0, 1.0, grid.data(), boost.data(),
                    static_cast<int>(grid.size()));
    peakingResponse(kFs, 1000.0, -6.0, 1.0, grid.data(), cut.data(), static_cast<int>(grid.size()));
    EXPECT_NEAR(boost[0], 6.0, 0.01);
    EXPECT_NEAR(boost[1], 2.83, 0.01);
    EXPECT_NEAR(cut[0], -6.0, 0.01);
    EXPECT_NEAR(cut[1], -2.83, 0.01);
    for (size_t i = 0; i + 2 < grid.size(); ++i) {
        EXPECT_NEAR(boost[i], BiquadDb(Peaking(1000.0, 6.0, 1.0), grid[i]), 1e-9);
        EXPECT_NEAR(cut[i], BiquadDb(Peaking(1000.0, -6.0, 1.0), grid[i]), 1e-9);
        EXPECT_NEAR(boost[i], -cut[i], 1e-9);  // the cut is the boost's mirror image
    }
}

TEST(MathPeaking, ZeroGainIsExactlyFlat) {
    double den[3];
    double num[3];
    designPeakingBiquad(kFs, 3150.0, 0.0, 7.3, den, num);
    EXPECT_EQ(num[0], 1.0);
    EXPECT_EQ(num[1], den[1]);
    EXPECT_EQ(num[2], den[2]);
    const std::vector<double> grid = StandardGrid();
    std::vector<double> out(grid.size(), 1.0);
    peakingResponse(kFs, 3150.0, 0.0, 7.3, grid.data(), out.data(), kCurveGridSize);
    for (double level : out) EXPECT_EQ(level, 0.0);
}

TEST(MathCrossover, ButterworthLinkwitzRileyAndBesselCorners) {
    const std::vector<double> grid = GridAt({20.0, 10.0, 40.0});
    const std::vector<double> butter2 = HighPass(20.0, 2, kFilterButterworth, grid);
    EXPECT_NEAR(butter2[0], -3.01, 0.005);
    EXPECT_NEAR(butter2[1], -12.30, 0.005);
    const Biquad q707 = SecondOrder(false, 20.0, 1.0 / std::sqrt(2.0));
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(butter2[i], BiquadDb(q707, grid[i]), 1e-9);

    // Fourth-order Butterworth: |H|^2 = x^8 / (1 + x^8) an octave below the corner.
    const std::vector<double> butter4 = HighPass(20.0, 4, kFilterButterworth, grid);
    EXPECT_NEAR(butter4[1], 10.0 * std::log10(1.0 / 257.0), 0.005);
    EXPECT_NEAR(butter4[0], -3.01, 0.005);

    const std::vector<double> lr4 = HighPass(20.0, 4, kFilterLinkwitzRiley, grid);
    EXPECT_NEAR(lr4[0], -6.02, 0.005);
    EXPECT_NEAR(lr4[1], 2.0 * BiquadDb(q707, 10.0), 1e-9);

    // Second-order Bessel: one section at the corner with Q = 1/sqrt(3).
    const std::vector<double> bessel2 = LowPass(20.0, 2, kFilterBessel, grid);
    const Biquad q577 = SecondOrder(true, 20.0, 1.0 / std::sqrt(3.0));
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(bessel2[i], BiquadDb(q577, grid[i]), 1e-6);
    EXPECT_NEAR(bessel2[0], -4.77, 0.005);
}

TEST(MathCrossover, FirstOrderSections) {
    const std::vector<double> grid = GridAt({100.0, 50.0, 400.0, 3000.0});
    for (int type : {kFilterButterworth, kFilterBessel}) {
        const std::vector<double> hp = HighPass(100.0, 1, type, grid);
        const std::vector<double> lp = LowPass(100.0, 1, type, grid);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(hp[i], BiquadDb(FirstOrder(false, 100.0), grid[i]), 1e-9) << type;
            EXPECT_NEAR(lp[i], BiquadDb(FirstOrder(true, 100.0), grid[i]), 1e-9) << type;
        }
        EXPECT_NEAR(hp[0], -3.01, 0.005);
    }
    // An odd Butterworth order ends with a first-order section after the second-order one.
    const std::vector<double> butter3 = LowPass(100.0, 3, kFilterButterworth, grid);
    for (size_t i = 0; i < 4; ++i) {
        const double expected = BiquadDb(SecondOrder(true, 100.0, 1.0), grid[i]) +
                                BiquadDb(FirstOrder(true, 100.0), grid[i]);
        EXPECT_NEAR(butter3[i], expected, 1e-9);
    }
}

TEST(MathCrossover, OrderRulesPerType) {
    const std::vector<double> grid = StandardGrid();
    // Type 0: one Q = 1 section whatever the slope.
    const std::vector<double> single = HighPass(500.0, 8, kFilterSingleSection, grid);
    EXPECT_EQ(single, HighPass(500.0, 1, kFilterSingleSection, grid));
    const Biquad q1 = SecondOrder(false, 500.0, 1.0);
    for (int i : {100, 300, 400})
        EXPECT_NEAR(single[i], BiquadDb(q1, grid[i]), 1e-6);  // deep stop band: rounding differs
    // Linkwitz-Riley raises odd orders.
    EXPECT_EQ(HighPass(500.0, 3, kFilterLinkwitzRiley, grid),
              HighPass(500.0, 4, kFilterLinkwitzRiley, grid));
    EXPECT_EQ(LowPass(500.0, 7, kFilterLinkwitzRiley, grid),
              LowPass(500.0, 8, kFilterLinkwitzRiley, grid));
    // Slopes are clamped to orders 1 .. 8.
    EXPECT_EQ(HighPass(500.0, 0, kFilterButterworth, grid),
              HighPass(500.0, 1, kFilterButterworth, grid));
    EXPECT_EQ(HighPass(500.0, -4, kFilterBessel, grid), HighPass(500.0, 1, kFilterBessel, grid));
    EXPECT_EQ(LowPass(500.0, 9, kFilterButterworth, grid),
              LowPass(500.0, 8, kFilterButterworth, grid));
    EXPECT_EQ(LowPass(500.0, 1000, kFilterBessel, grid), LowPass(500.0, 8, kFilterBessel, grid));
    // Corners above 22 kHz are designed at 22 kHz; unknown types as Butterworth.
    EXPECT_EQ(LowPass(30000.0, 2, kFilterButterworth, grid),
              LowPass(22000.0, 2, kFilterButterworth, grid));
    EXPECT_EQ(LowPass(1000.0, 4, 9, grid), LowPass(1000.0, 4, kFilterButterworth, grid));

    std::vector<double> viaDispatcher(grid.size());
    crossoverResponse(1, 0.0, 800.0, 3, kFilterBessel, kCurveGridSize, grid.data(),
                      viaDispatcher.data());
    EXPECT_EQ(viaDispatcher, LowPass(800.0, 3, kFilterBessel, grid));
    crossoverResponse(2, 0.0, 800.0, 3, kFilterBessel, kCurveGridSize, grid.data(),
                      viaDispatcher.data());
    EXPECT_EQ(viaDispatcher, HighPass(800.0, 3, kFilterBessel, grid));
}

// The order rule worked in 64 bits, where raising an odd slope cannot overflow.
int ReferenceOrder(int type, int32_t slope) {
    int64_t order = slope;
    if (type == kFilterSingleSection) order = 2;
    if (type == kFilterLinkwitzRiley && order % 2 != 0) ++order;
    return static_cast<int>(std::clamp<int64_t>(order, 1, 8));
}

TEST(MathCrossover, EveryThirtyTwoBitSlopeDesignsItsClampedOrder) {
    std::vector<int32_t> slopes = {INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, INT32_MAX};
    for (int32_t s = -9; s <= 17; ++s) slopes.push_back(s);
    // A broad sweep of the whole range, odd and even neighbours alike.
    for (int64_t s = INT32_MIN; s <= INT32_MAX; s += 1048573) {
        slopes.push_back(static_cast<int32_t>(s));
        if (s < INT32_MAX) slopes.push_back(static_cast<int32_t>(s + 1));
    }
    for (int type = kFilterSingleSection; type <= kFilterBessel; ++type) {
        for (bool lowPass : {false, true}) {
            for (const int32_t slope : slopes) {
                const int order = ReferenceOrder(type, slope);
                // The same order from a small slope, where nothing can overflow.
                int32_t small = -1;
                while (ReferenceOrder(type, small) != order) ++small;
                CrossoverSections got;
                CrossoverSections want;
                designCrossoverSections(lowPass, 1000.0, slope, type, got);
                designCrossoverSections(lowPass, 1000.0, small, type, want);
                int seconds = 0;
                int firsts = 0;
                for (int k = 0; k < 4; ++k) {
                    ASSERT_EQ(got[k].kind, want[k].kind) << type << " " << slope;
                    ASSERT_EQ(got[k].alpha, want[k].alpha) << type << " " << slope;
                    ASSERT_EQ(got[k].cosw, want[k].cosw) << type << " " << slope;
                    seconds += got[k].kind == 1.0;
                    firsts += got[k].kind == 0.0;
                }
                ASSERT_EQ(seconds, order / 2) << type << " " << slope;
                ASSERT_EQ(firsts, order % 2) << type << " " << slope;
            }
        }
    }
}

TEST(MathCrossover, SectionsCarryTheirKinds) {
    CrossoverSections sections;
    designCrossoverSections(false, 1000.0, 7, kFilterButterworth, sections);
    EXPECT_EQ(sections[0].kind, 1.0);
    EXPECT_EQ(sections[1].kind, 1.0);
    EXPECT_EQ(sections[2].kind, 1.0);
    EXPECT_EQ(sections[3].kind, 0.0);
    designCrossoverSections(true, 1000.0, 2, kFilterSingleSection, sections);
    EXPECT_EQ(sections[0].kind, 1.0);
    EXPECT_EQ(sections[1].kind, -1.0);
    EXPECT_EQ(sections[1].alpha, 0.0);
    // Damping 1 at sin w: alpha = (2 - sin w) / (2 + sin w).
    const double w = 2.0 * kPi * 1000.0 / kFs;
    EXPECT_NEAR(sections[0].alpha, (2.0 - std::sin(w)) / (2.0 + std::sin(w)), 1e-15);
    EXPECT_NEAR(sections[0].cosw, std::cos(w), 1e-15);
}

TEST(MathCascade, PowersAtOrBelowMinus80DbReadMinus400) {
    const std::vector<double> grid = StandardGrid();
    // Four sections, each far below -80 dB at 1 Hz and at the 48 kHz point (the same as 0 Hz).
    const std::vector<double> hp = HighPass(20000.0, 8, kFilterButterworth, grid);
    EXPECT_EQ(hp[0], -1600.0);
    EXPECT_EQ(hp[511], -1600.0);
    // A low-pass has a zero at Nyquist.
    const std::vector<double> lp = LowPass(20.0, 2, kFilterButterworth, grid);
    EXPECT_EQ(lp[510], -400.0);
    for (double level : hp) EXPECT_TRUE(std::isfinite(level));
}

TEST(MathCascade, MultipleSectionsMultiply) {
    const std::vector<double> grid = GridAt({80.0, 1000.0, 9000.0});
    const Biquad a = Peaking(1000.0, 4.0, 2.0);
    const Biquad b = SecondOrder(false, 120.0, 0.9);
    const double num[6] = {a.b0, a.b1, a.b2, b.b0, b.b1, b.b2};
    const double den[6] = {1.0, a.a1, a.a2, 123.0, b.a1, b.a2};  // a0 is never read
    std::vector<double> out(grid.size());
    evalCascadeResponse(num, den, 2, 2, out.data(), grid.data(), static_cast<int>(grid.size()));
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(out[i], BiquadDb(a, grid[i]) + BiquadDb(b, grid[i]), 1e-9);
    }
    std::fill(out.begin(), out.end(), 7.0);
    evalCascadeResponse(num, den, 2, 2, out.data(), grid.data(), 1);  // too short: no reference
    EXPECT_EQ(out[0], 7.0);
}

// The channel curve as described: hp + lp + each band's own response, band by band.
std::vector<double> DescribedCurve(const DspProfile& profile, int channel, bool eqBypassed) {
    const std::vector<double> grid = StandardGrid();
    const OutputChannel& output = profile.channels[channel];
    std::vector<double> level(kCurveGridSize, 0.0);
    const Crossover& x = output.crossover;
    if (x.hp.bypass != 1) level = HighPass(x.hp.fs, x.hp.slope, x.hp.type, grid);
    if (x.lp.bypass != 1) {
        const std::vector<double> lp = LowPass(x.lp.fs, x.lp.slope, x.lp.type, grid);
        for (int i = 0; i < kCurveGridSize; ++i) level[i] += lp[i];
    }
    std::vector<double> band(kCurveGridSize);
    for (int b = 0; b < output.eqSize; ++b) {
        const EqBand& eq = output.eqArray[b];
        const double gain = eqBypassed || eq.enable != 1 ? 0.0 : eq.eqGain;
        peakingResponse(kFs, eq.freq, gain, eq.eqFactor, grid.data(), band.data(), kCurveGridSize);
        for (int i = 0; i < kCurveGridSize; ++i) level[i] += band[i];
    }
    return level;
}

void ExpectCurve(const DspProfile& profile, int channel, const std::vector<double>& expected) {
    for (int i = 0; i < kCurveGridSize; ++i) {
        ASSERT_NEAR(profile.curveLevel[channel][i], expected[i], 1e-9) << "point " << i;
    }
}

TEST(MathChannelCurve, FlatBandsAndBypassedCrossoverGiveZero) {
    DspProfile profile;
    for (EqBand& band : profile.Bands(2)) band.eqFactor = 0.7f;
    profile.curveLevel[2].fill(99.0);
    computeChannelCurve(profile, 2, false);
    const std::vector<double> grid = StandardGrid();
    for (int i = 0; i < kCurveGridSize; ++i) {
        EXPECT_EQ(profile.curveLevel[2][i], 0.0);
        EXPECT_EQ(profile.curveFreq[2][i], grid[i]);
    }
}

TEST(MathChannelCurve, DisabledAndBypassedBandsLeaveTheCrossover) {
    DspProfile profile;
    OutputChannel& output = profile.channels[1];
    output.crossover.hp.SetFs(80);
    output.crossover.hp.SetSlope(4);
    output.crossover.lp.SetFs(5000);
    output.crossover.lp.SetType(3);
    output.crossover.lp.SetSlope(3);
    output.eqArray[5].eqGain = 9.0f;
    output.eqArray[5].enable = 0;
    output.eqArray[9].eqGain = -4.0f;
    output.eqArray[9].enable = 2;  // anything but 1 counts as off

    DspProfile crossoverOnly = profile;
    crossoverOnly.channels[1].eqArray[5].eqGain = 0.0f;
    crossoverOnly.channels[1].eqArray[9].eqGain = 0.0f;
    const std::vector<double> expected = DescribedCurve(crossoverOnly, 1, false);

    computeChannelCurve(profile, 1, false);
    ExpectCurve(profile, 1, expected);

    output.eqArray[5].enable = 1;
    output.eqArray[9].enable = 1;
    computeChannelCurve(profile, 1, true);
    ExpectCurve(profile, 1, expected);
    EXPECT_LT(profile.curveLevel[1][0], -100.0);
}

TEST(MathChannelCurve, EqualsTheBandByBandSumForVariedSettings) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> gain(-18.0f, 12.0f);
    std::uniform_real_distribution<float> q(0.5f, 9.0f);
    std::uniform_int_distribution<int> freq(20, 20000);
    std::uniform_int_distribution<int> slope(0, 8);
    std::uniform_int_distribution<int> type(1, 3);
    for (int round = 0; round < 6; ++round) {
        DspProfile profile;
        for (int channel = 0; channel < kOutputCount; ++channel) {
            OutputChannel& output = profile.channels[channel];
            output.crossover.hp.SetFs(freq(random) / 4);
            output.crossover.hp.SetType(type(random));
            output.crossover.hp.SetSlope(slope(random));
            output.crossover.lp.SetFs(freq(random));
            output.crossover.lp.SetType(type(random));
            output.crossover.lp.SetSlope(slope(random));
            for (EqBand& band : profile.Bands(channel)) {
                band = {gain(random), q(random), freq(random), uint8_t(round % 3 ? 1 : 0)};
            }
            const bool bypassed = round == 5;
            computeChannelCurve(profile, channel, bypassed);
            ExpectCurve(profile, channel, DescribedCurve(profile, channel, bypassed));
        }
    }
}

TEST(MathChannelCurve, ExtremeGainsAndFloorsStillMatch) {
    DspProfile profile;
    OutputChannel& output = profile.channels[0];
    output.crossover.hp = {20000, 1, 8, 0};
    output.crossover.lp = {20, 2, 8, 0};
    output.eqArray[0] = {150.0f, 2.0f, 100, 1};
    output.eqArray[1] = {-150.0f, 2.0f, 10000, 1};
    for (int b = 2; b < kMaxBands; ++b) output.eqArray[b] = {55.0f, 0.5f, 20 + 600 * b, 1};
    computeChannelCurve(profile, 0, false);
    ExpectCurve(profile, 0, DescribedCurve(profile, 0, false));
}

TEST(MathChannelCurve, OnlyTheNamedChannelChanges) {
    DspProfile profile;
    profile.channels[7].eqArray[3].eqGain = 6.0f;
    computeChannelCurve(profile, 7, false);
    ExpectCurve(profile, 7, DescribedCurve(profile, 7, false));
    for (int channel = 0; channel < 7; ++channel) {
        EXPECT_EQ(profile.curveLevel[channel][300], 0.0);
        EXPECT_EQ(profile.curveFreq[channel][300], 0.0);
    }
    const DspProfile before = profile;
    computeChannelCurve(profile, 8, false);
    computeChannelCurve(profile, -1, false);
    EXPECT_EQ(profile.curveLevel, before.curveLevel);
}

}  // namespace
}  // namespace dv
