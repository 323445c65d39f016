#include "device/Encoding.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace dv {

namespace {

// Whole steps in (value + offset) x stepsPerUnit, truncated toward zero as the unit does. A
// value that float rounding left a hair short of a step (within two float steps of the value)
// counts as that step, so every decimal the panel shows goes out as shown; genuinely finer
// values keep the truncation.
long StepsOf(float value, double offset, double stepsPerUnit) {
    const double scaled = (static_cast<double>(value) + offset) * stepsPerUnit;
    const double nearest = std::round(scaled);
    const double slack =
        std::max(1e-4, 2.0 * FLT_EPSILON * std::fabs(static_cast<double>(value)) * stepsPerUnit);
    if (std::fabs(scaled - nearest) <= slack) return static_cast<long>(nearest);
    return static_cast<long>(scaled);
}

// One rounding only: the exact decimal, then the nearest float to it.
float Decimal(long count, double stepsPerUnit) {
    return static_cast<float>(static_cast<double>(count) / stepsPerUnit);
}

}  // namespace

// The byte wraps below are the unit's encoding; callers keep values in range.

std::array<uint8_t, 2> EncodeEqQ(float q) {
    const long tenths = StepsOf(q, 0.0, 10.0);
    return {static_cast<uint8_t>(tenths / 10),
            static_cast<uint8_t>(static_cast<uint8_t>(tenths) % 10)};
}

std::array<uint8_t, 2> EncodeEqGain(float gainDb) {
    const long tenths = StepsOf(gainDb, 18.0, 10.0);
    return {static_cast<uint8_t>(tenths / 10), static_cast<uint8_t>(tenths % 10)};
}

std::array<uint8_t, 3> EncodeDelay(float ms) {
    const long micros = StepsOf(ms, 0.0, 1000.0);
    const auto thousandths = static_cast<uint16_t>(static_cast<uint16_t>(micros) % 1000);
    return {static_cast<uint8_t>(micros / 1000), static_cast<uint8_t>(thousandths >> 8),
            static_cast<uint8_t>(thousandths & 0xFF)};
}

float DecodeEqQ(uint8_t integer, uint8_t hundredths) {
    return Decimal(integer * 100L + hundredths, 100.0);
}

float DecodeEqGain(uint8_t integerPlus18, uint8_t tenths) {
    return Decimal(integerPlus18 * 10L + tenths - 180L, 10.0);
}

float DecodeDelay(uint8_t ms, uint8_t thousandthsHi, uint8_t thousandthsLo) {
    return Decimal(ms * 1000L + (thousandthsHi * 256L + thousandthsLo), 1000.0);
}

float DecodeIrcDistance(uint8_t integer, uint8_t hundredths) {
    return Decimal(integer * 100L + hundredths, 100.0);
}

float DecodeSpectrumFrequency(uint16_t hz, uint8_t hundredths) {
    return Decimal(hz * 100L + hundredths, 100.0);
}

float DecodeSpectrumGain(int8_t integer, int8_t hundredths) {
    return Decimal(integer * 100L + hundredths, 100.0);
}

float DecodeNoiseLevel(uint8_t levelPlus100, uint8_t tenths) {
    return Decimal(levelPlus100 * 10L - 1000L + tenths, 10.0);
}

}  // namespace dv
