#include "device/Encoding.h"

namespace dv {

// The truncations and byte wraps below are the unit's encoding; callers keep values in range.

std::array<uint8_t, 2> EncodeEqQ(float q) {
    const int tenths = static_cast<int>(q * 10.0f);
    return {static_cast<uint8_t>(static_cast<int>(q)),
            static_cast<uint8_t>(static_cast<uint8_t>(tenths) % 10)};
}

std::array<uint8_t, 2> EncodeEqGain(float gainDb) {
    const float shifted = gainDb + 18.0f;
    return {static_cast<uint8_t>(static_cast<int>(shifted)),
            static_cast<uint8_t>(static_cast<int>(shifted * 10.0f) % 10)};
}

std::array<uint8_t, 3> EncodeDelay(float ms) {
    const auto thousandths =
        static_cast<uint16_t>(static_cast<uint16_t>(static_cast<int>(ms * 1000.0f)) % 1000);
    return {static_cast<uint8_t>(static_cast<int>(ms)), static_cast<uint8_t>(thousandths >> 8),
            static_cast<uint8_t>(thousandths & 0xFF)};
}

float DecodeEqQ(uint8_t integer, uint8_t hundredths) {
    return static_cast<float>(integer) + static_cast<float>(hundredths) / 100.0f;
}

float DecodeEqGain(uint8_t integerPlus18, uint8_t tenths) {
    return static_cast<float>(tenths) / 10.0f + static_cast<float>(integerPlus18) - 18.0f;
}

float DecodeDelay(uint8_t ms, uint8_t thousandthsHi, uint8_t thousandthsLo) {
    return static_cast<float>(ms) +
           static_cast<float>(thousandthsHi * 256 + thousandthsLo) / 1000.0f;
}

float DecodeIrcDistance(uint8_t integer, uint8_t hundredths) {
    return static_cast<float>(integer) + static_cast<float>(hundredths) / 100.0f;
}

float DecodeSpectrumFrequency(uint16_t hz, uint8_t hundredths) {
    return static_cast<float>(hz) + static_cast<float>(hundredths) / 100.0f;
}

float DecodeSpectrumGain(int8_t integer, int8_t hundredths) {
    return static_cast<float>(integer) + static_cast<float>(hundredths) / 100.0f;
}

float DecodeNoiseLevel(uint8_t levelPlus100, uint8_t tenths) {
    return static_cast<float>(levelPlus100) - 100.0f + static_cast<float>(tenths) / 10.0f;
}

}  // namespace dv
