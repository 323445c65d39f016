#include "curves/FilterMath.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "curves/FilterTables.h"
#include "model/DspProfile.h"

namespace dv {

namespace {

constexpr double kMinOmega = 3.272492347489368e-07;  // 0.0025 Hz at 48 kHz
constexpr double kMaxOmega = 2.8797932657906435;     // 22000 Hz at 48 kHz
constexpr double kPowerFloor = 1e-8;                 // -80 dB
constexpr double kFlooredPower = 1e-40;              // reported instead: -400 dB

// Bands up to this gain keep 31 multiplied powers well inside the range of a double.
constexpr double kProductSafeGainDb = 60.0;

double ClampOmega(double omega) {
    return std::clamp(omega, kMinOmega, kMaxOmega);
}

double PowerToDb(double power) {
    return 10.0 * std::log10(power <= kPowerFloor ? kFlooredPower : power);
}

struct Complex {
    double re;
    double im;
};

// Evaluates c[0] + c[1]·z + ... + c[order]·z^order by Horner's rule, highest coefficient first.
// With unitConstant the constant term is taken as 1 (denominators never read a0).
Complex Horner(const double* c, int order, bool unitConstant, double zr, double zi) {
    Complex acc{0.0, 0.0};
    for (int k = order; k >= 1; --k) {
        const double re = acc.re + c[k];
        const double im = acc.im;
        acc = {re * zr - im * zi, re * zi + im * zr};
    }
    acc.re += unitConstant ? 1.0 : c[0];
    return acc;
}

// Angle of the unit-circle point for a grid frequency; `nyquist` is the grid's grid[count-2].
double OmegaAt(double freq, double nyquist) {
    return -8.0 * std::atan(1.0) * (freq * 0.5 / nyquist);
}

// A designed crossover section as one biquad.
void SectionBiquad(bool lowPass, const CrossoverSection& section, double* num, double* den) {
    const double alpha = section.alpha;
    const double cosw = section.cosw;
    if (section.kind == 0.0) {
        den[0] = 1.0;
        den[1] = alpha;
        den[2] = 0.0;
        const double e = lowPass ? (1.0 + alpha) / 2.0 : (1.0 - alpha) / 2.0;
        num[0] = e;
        num[1] = lowPass ? e : -e;
        num[2] = 0.0;
    } else {
        den[0] = 1.0;
        den[1] = -(1.0 + alpha) * cosw;
        den[2] = alpha;
        const double e = (1.0 + alpha) * (lowPass ? 1.0 - cosw : 1.0 + cosw) / 4.0;
        num[0] = e;
        num[1] = lowPass ? 2.0 * e : -2.0 * e;
        num[2] = e;
    }
}

bool IsSection(const CrossoverSection& section) {
    return section.kind == 0.0 || section.kind == 1.0;
}

void CrossoverLevels(bool lowPass, double frequency, int slope, int type, int count,
                     const double* grid, double* outDb) {
    CrossoverSections sections;
    designCrossoverSections(lowPass, frequency, slope, type, sections);
    std::fill_n(outDb, count, 0.0);
    std::vector<double> level(static_cast<size_t>(count));
    for (const CrossoverSection& section : sections) {
        if (!IsSection(section)) continue;
        double num[3];
        double den[3];
        SectionBiquad(lowPass, section, num, den);
        evalCascadeResponse(num, den, 2, 1, level.data(), grid, count);
        for (int i = 0; i < count; ++i) outDb[i] += level[i];
    }
}

// The standard grid with the unit-circle point of each entry, computed once.
struct GridPoints {
    std::array<double, kCurveGridSize> freq;
    std::array<double, kCurveGridSize> zr;
    std::array<double, kCurveGridSize> zi;

    GridPoints() {
        makeLogFreqGrid(kCurveSampleRate, kCurveGridSize, freq.data());
        for (int i = 0; i < kCurveGridSize; ++i) {
            const double omega = OmegaAt(freq[i], freq[kCurveGridSize - 2]);
            zr[i] = std::cos(omega);
            zi[i] = std::sin(omega);
        }
    }
};

const GridPoints& StandardGrid() {
    static const GridPoints grid;
    return grid;
}

// Running product of section powers per grid point; floored sections are counted instead, so one
// logarithm per point serves many sections.
struct PowerProduct {
    std::array<double, kCurveGridSize> product;
    std::array<double, kCurveGridSize> floored;
    std::array<double, kCurveGridSize> power;

    PowerProduct() { Reset(); }

    void Reset() {
        product.fill(1.0);
        floored.fill(0.0);
    }

    // Order 2 written out, and the floor test kept out of the arithmetic loop: this loop is the
    // whole cost of a curve. Same values as Horner's rule.
    void Multiply(const double* num, const double* den, const GridPoints& grid) {
        const double b0 = num[0], b1 = num[1], b2 = num[2];
        const double a1 = den[1], a2 = den[2];
        for (int i = 0; i < kCurveGridSize; ++i) {
            const double zr = grid.zr[i];
            const double zi = grid.zi[i];
            const double br1 = b2 * zr + b1;
            const double bi1 = b2 * zi;
            const double br = br1 * zr - bi1 * zi + b0;
            const double bi = br1 * zi + bi1 * zr;
            const double ar1 = a2 * zr + a1;
            const double ai1 = a2 * zi;
            const double ar = ar1 * zr - ai1 * zi + 1.0;
            const double ai = ar1 * zi + ai1 * zr;
            power[i] = (br * br + bi * bi) / (ar * ar + ai * ai);
        }
        for (int i = 0; i < kCurveGridSize; ++i) {
            if (power[i] <= kPowerFloor) {
                floored[i] += 1.0;
            } else {
                product[i] *= power[i];
            }
        }
    }

    // Adds the accumulated level to out and starts a new product.
    void AddTo(double* outDb) {
        const double flooredDb = 10.0 * std::log10(kFlooredPower);
        for (int i = 0; i < kCurveGridSize; ++i) {
            outDb[i] += 10.0 * std::log10(product[i]) + floored[i] * flooredDb;
        }
        Reset();
    }
};

void ChannelCrossover(bool lowPass, const FilterSection& side, const GridPoints& grid,
                      PowerProduct& work, CurveArray& outDb) {
    outDb.fill(0.0);
    if (side.bypass == 1) return;
    CrossoverSections sections;
    designCrossoverSections(lowPass, side.fs, side.slope, side.type, sections);
    for (const CrossoverSection& section : sections) {
        if (!IsSection(section)) continue;
        double num[3];
        double den[3];
        SectionBiquad(lowPass, section, num, den);
        work.Multiply(num, den, grid);
    }
    work.AddTo(outDb.data());
}

}  // namespace

void makeLogFreqGrid(double sampleRate, int count, double* out) {
    if (count < 1) return;
    const double top = std::log10(sampleRate / 2.0);
    for (int i = 1; i <= count - 1; ++i) {
        out[i - 1] = std::pow(10.0, i * top / (count - 1));
    }
    out[count - 1] = sampleRate;
}

void designPeakingBiquad(double sampleRate, double frequency, double gainDb, double q, double* den,
                         double* num) {
    const double k = std::pow(10.0, gainDb / 20.0);
    const double w0 = 2.0 * std::numbers::pi * frequency / sampleRate;
    const double s0 = std::sin(w0);
    const double c0 = std::cos(w0);
    const double w1 = (std::sqrt(4.0 * q * q + 1.0) - 1.0) * w0 / (2.0 * q);
    const double s1 = std::sin(w1);
    const double c1 = std::cos(w1);
    double r = s1 * s0 / (2.0 * (c1 - c0));
    if (k < 1.0) r *= k;
    const double u = 2.0 * r + s0;
    den[0] = 1.0;
    den[1] = -4.0 * r * c0 / u;
    den[2] = (2.0 * r - s0) / u;
    num[0] = (2.0 * r + k * s0) / u;
    num[1] = den[1];
    num[2] = (2.0 * r - k * s0) / u;
}

void designCrossoverSections(bool lowPass, double frequency, int slope, int type,
                             CrossoverSections& out) {
    if (type < kFilterSingleSection || type > kFilterBessel) type = kFilterButterworth;
    // Clamped to 0 .. 8 before an odd order is raised, so a slope near INT_MAX cannot overflow;
    // every order outside that range ends at the same bound either way.
    int order = std::clamp(slope, 0, 8);
    if (type == kFilterSingleSection) order = 2;
    if (type == kFilterLinkwitzRiley && order % 2 != 0) ++order;
    order = std::clamp(order, 1, 8);

    const double omega0 = ClampOmega(2.0 * std::numbers::pi * frequency / kCurveSampleRate);
    // Bessel sections shift away from the corner: up for a high-pass, down for a low-pass.
    auto shift = [lowPass](double omega, double factor) {
        return lowPass ? omega * factor : omega / factor;
    };
    int remaining = order;
    for (int k = 0; k < 4; ++k) {
        double omega = omega0;
        if (type == kFilterBessel) omega = shift(omega0, norm[order]);
        CrossoverSection& section = out[k];
        if (remaining == 0) {
            section = {0.0, std::cos(omega), -1.0};
        } else if (remaining == 1) {
            if (type == kFilterBessel) omega = ClampOmega(shift(omega, realPole[k]));
            const double c = std::cos(omega);
            const double s = std::sin(omega);
            section = {(c + s - 1.0) / (c - s - 1.0), c, 0.0};
            remaining = 0;
        } else {
            double damping = 1.0;
            if (type == kFilterButterworth) {
                damping = 2.0 * std::sin(((order / 2 - 1 - k) * 2 + 1) * std::numbers::pi /
                                         (2.0 * order));
            } else if (type == kFilterLinkwitzRiley) {
                damping = lr[order / 2][k];
            } else if (type == kFilterBessel) {
                damping = besselD[order][k];
                omega = ClampOmega(shift(omega, besselF[order][k]));
            }
            const double s = std::sin(omega);
            section = {(2.0 - damping * s) / (2.0 + damping * s), std::cos(omega), 1.0};
            remaining -= 2;
        }
    }
}

void evalCascadeResponse(const double* num, const double* den, int order, int sections,
                         double* outDb, const double* grid, int count) {
    if (count < 2 || order < 0 || sections < 0) return;
    const double nyquist = grid[count - 2];
    for (int i = 0; i < count; ++i) {
        const double omega = OmegaAt(grid[i], nyquist);
        const double zr = std::cos(omega);
        const double zi = std::sin(omega);
        double hr = 1.0;
        double hi = 0.0;
        for (int s = 0; s < sections; ++s) {
            const Complex b = Horner(num + s * (order + 1), order, false, zr, zi);
            const Complex a = Horner(den + s * (order + 1), order, true, zr, zi);
            const double mag = a.re * a.re + a.im * a.im;
            const double qr = (b.re * a.re + b.im * a.im) / mag;
            const double qi = (b.im * a.re - b.re * a.im) / mag;
            const double nr = hr * qr - hi * qi;
            hi = hr * qi + hi * qr;
            hr = nr;
        }
        outDb[i] = PowerToDb(hr * hr + hi * hi);
    }
}

void highPassResponse(double frequency, int slope, int type, int count, const double* grid,
                      double* outDb) {
    if (count < 2) return;
    CrossoverLevels(false, frequency, slope, type, count, grid, outDb);
}

void lowPassResponse(double frequency, int slope, int type, int count, const double* grid,
                     double* outDb) {
    if (count < 2) return;
    CrossoverLevels(true, frequency, slope, type, count, grid, outDb);
}

void crossoverResponse(int which, [[maybe_unused]] double sampleRate, double frequency, int slope,
                       int type, int count, const double* grid, double* outDb) {
    if (which == 1) {
        lowPassResponse(frequency, slope, type, count, grid, outDb);
    } else {
        highPassResponse(frequency, slope, type, count, grid, outDb);
    }
}

void peakingResponse(double sampleRate, double frequency, double gainDb, double q,
                     const double* grid, double* outDb, int count) {
    double den[3];
    double num[3];
    designPeakingBiquad(sampleRate, frequency, gainDb, q, den, num);
    evalCascadeResponse(num, den, 2, 1, outDb, grid, count);
}

void computeChannelCurve(DspProfile& settings, int channel, bool eqBypassed) {
    if (channel < 0 || channel >= kOutputCount) return;
    const GridPoints& grid = StandardGrid();
    OutputChannel& output = settings.channels[channel];
    PowerProduct work;
    ChannelCrossover(false, output.crossover.hp, grid, work, settings.hpLevels);
    ChannelCrossover(true, output.crossover.lp, grid, work, settings.lpLevels);

    CurveArray& level = settings.curveLevel[channel];
    settings.curveFreq[channel] = grid.freq;
    for (int i = 0; i < kCurveGridSize; ++i) level[i] = settings.hpLevels[i] + settings.lpLevels[i];

    const int bandCount = std::clamp(output.eqSize, 0, BandCapacity(channel));
    bool pending = false;
    for (int b = 0; b < bandCount; ++b) {
        const EqBand& band = output.eqArray[b];
        const double gain = eqBypassed || band.enable != 1 ? 0.0 : band.eqGain;
        // A 0 dB band has equal numerator and denominator: exactly 0 dB everywhere.
        if (gain == 0.0) continue;
        double den[3];
        double num[3];
        designPeakingBiquad(kCurveSampleRate, band.freq, gain, band.eqFactor, den, num);
        work.Multiply(num, den, grid);
        pending = true;
        // Extreme gains get their own logarithm so the product cannot overflow.
        if (!(std::fabs(gain) <= kProductSafeGainDb)) {
            work.AddTo(level.data());
            pending = false;
        }
    }
    if (pending) work.AddTo(level.data());
}

}  // namespace dv
