// Number encodings of the protocol: how values are scaled into payload bytes and back. Sent
// values are truncated to the unit's step, except that one a float's rounding short of a step
// counts as that step; received decimals become the nearest float to their exact value.
#pragma once

#include <array>
#include <cstdint>

namespace dv {

// Sent Q: integer part, then the tenths digit.
std::array<uint8_t, 2> EncodeEqQ(float q);
// Sent gain: integer part of gain + 18, then its tenths digit.
std::array<uint8_t, 2> EncodeEqGain(float gainDb);
// Sent delay: whole milliseconds, then the thousandths as a u16 high byte first.
std::array<uint8_t, 3> EncodeDelay(float ms);

// Received Q carries hundredths, not tenths.
float DecodeEqQ(uint8_t integer, uint8_t hundredths);
float DecodeEqGain(uint8_t integerPlus18, uint8_t tenths);
float DecodeDelay(uint8_t ms, uint8_t thousandthsHi, uint8_t thousandthsLo);
float DecodeIrcDistance(uint8_t integer, uint8_t hundredths);
float DecodeSpectrumFrequency(uint16_t hz, uint8_t hundredths);
float DecodeSpectrumGain(int8_t integer, int8_t hundredths);
float DecodeNoiseLevel(uint8_t levelPlus100, uint8_t tenths);

}  // namespace dv
