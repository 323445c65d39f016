// Magnitude response of an output channel as the curve controls draw it: crossover high-pass and
// low-pass plus every parametric band, designed as digital biquads at 48 kHz and evaluated in dB on
// a 512-point logarithmic grid. Display only: nothing here is sent to the unit.
#pragma once

#include <array>

namespace dv {

struct DspProfile;

inline constexpr double kCurveSampleRate = 48000.0;
inline constexpr int kCurveGridSize = 512;

// One designed crossover section; kind -1 none, 0 first order, 1 second order.
struct CrossoverSection {
    double alpha = 0.0;
    double cosw = 1.0;
    double kind = -1.0;
};
using CrossoverSections = std::array<CrossoverSection, 4>;

// Crossover type codes as designed here (the model stores 1 .. 3).
inline constexpr int kFilterSingleSection = 0;  // one second-order section, damping 1
inline constexpr int kFilterButterworth = 1;
inline constexpr int kFilterLinkwitzRiley = 2;  // even orders only
inline constexpr int kFilterBessel = 3;

// out[0 .. count-2] log-spaced up to the Nyquist frequency, out[count-1] = the sample rate.
void makeLogFreqGrid(double sampleRate, int count, double* out);

// Peaking band: den = {1, a1, a2}, num = {b0, b1, b2}.
void designPeakingBiquad(double sampleRate, double frequency, double gainDb, double q, double* den,
                         double* num);

// Up to four sections: second-order ones first, an odd order ends with a first-order one.
// Any type other than 0 .. 3 is designed as Butterworth.
void designCrossoverSections(bool lowPass, double frequency, int slope, int type,
                             CrossoverSections& out);

// Level in dB of a cascade of `sections` sections of polynomial order `order` at each grid point.
// num and den hold order+1 coefficients per section, den[0] is taken as 1. grid[count-2] is the
// Nyquist frequency. Powers at or below -80 dB read exactly -400 dB.
void evalCascadeResponse(const double* num, const double* den, int order, int sections,
                         double* outDb, const double* grid, int count);

void highPassResponse(double frequency, int slope, int type, int count, const double* grid,
                      double* outDb);
void lowPassResponse(double frequency, int slope, int type, int count, const double* grid,
                     double* outDb);
// which 1 selects the low-pass, anything else the high-pass.
void crossoverResponse(int which, double sampleRate, double frequency, int slope, int type,
                       int count, const double* grid, double* outDb);

void peakingResponse(double sampleRate, double frequency, double gainDb, double q,
                     const double* grid, double* outDb, int count);

// Recomputes output `channel`'s curve (grid and levels) inside `settings`: high-pass + low-pass +
// the sum of its bands in dB. eqBypassed makes every band count as 0 dB. An index outside
// 0 .. 7 changes nothing.
void computeChannelCurve(DspProfile& settings, int channel, bool eqBypassed);

}  // namespace dv
