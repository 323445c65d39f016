// Every gain, Q and delay the panel can show goes out as shown, and every value the unit sends
// comes back as the nearest float to its decimal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "device/Encoding.h"

namespace {

// The decimal n / 10^places as text, built from integers alone ("-7.4", "0.251").
std::string Decimal(long n, int places) {
    long scale = 1;
    for (int i = 0; i < places; ++i) scale *= 10;
    const long whole = std::labs(n) / scale, frac = std::labs(n) % scale;
    std::string digits = std::to_string(frac);
    digits.insert(0, static_cast<size_t>(places) - digits.size(), '0');
    return (n < 0 ? "-" : "") + std::to_string(whole) + "." + digits;
}

float NearestFloat(long n, int places) {
    return std::strtof(Decimal(n, places).c_str(), nullptr);
}

TEST(WireEncodingTest, EveryGainTenthGoesOutAndComesBackExactly) {
    for (long t = -180; t <= 120; ++t) {  // -18.0 .. +12.0 dB
        const float gain = NearestFloat(t, 1);
        const long shifted = t + 180;
        const std::array<uint8_t, 2> expected = {static_cast<uint8_t>(shifted / 10),
                                                 static_cast<uint8_t>(shifted % 10)};
        EXPECT_EQ(dv::EncodeEqGain(gain), expected) << Decimal(t, 1) << " dB";
        EXPECT_EQ(dv::DecodeEqGain(expected[0], expected[1]), gain) << Decimal(t, 1) << " dB";
    }
}

TEST(WireEncodingTest, EveryDelayMicrosecondGoesOutAndComesBackExactly) {
    for (long us = 0; us <= 15000; ++us) {
        const float ms = NearestFloat(us, 3);
        const long frac = us % 1000;
        const std::array<uint8_t, 3> expected = {static_cast<uint8_t>(us / 1000),
                                                 static_cast<uint8_t>(frac >> 8),
                                                 static_cast<uint8_t>(frac & 0xFF)};
        EXPECT_EQ(dv::EncodeDelay(ms), expected) << Decimal(us, 3) << " ms";
        EXPECT_EQ(dv::DecodeDelay(expected[0], expected[1], expected[2]), ms)
            << Decimal(us, 3) << " ms";
    }
}

TEST(WireEncodingTest, EveryQHundredthSendsItsTenthsAndComesBackExactly) {
    for (long h = 50; h <= 900; ++h) {  // 0.50 .. 9.00
        const float q = NearestFloat(h, 2);
        const std::array<uint8_t, 2> expected = {static_cast<uint8_t>(h / 100),
                                                 static_cast<uint8_t>(h / 10 % 10)};
        EXPECT_EQ(dv::EncodeEqQ(q), expected) << Decimal(h, 2);
        EXPECT_EQ(dv::DecodeEqQ(static_cast<uint8_t>(h / 100), static_cast<uint8_t>(h % 100)), q)
            << Decimal(h, 2);
    }
}

// Delays entered in cm or inch lie between microseconds: they keep the unit's truncation.
TEST(WireEncodingTest, DelaysFromCentimetresAndInchesAreTruncated) {
    for (long units : {519L, 204L}) {  // 15 ms in cm and in inch
        for (long c = 0; c <= units; ++c) {
            const float ms = static_cast<float>(c * 15.0 / static_cast<double>(units));
            const long us = c * 15000 / units;
            const long frac = us % 1000;
            const std::array<uint8_t, 3> expected = {static_cast<uint8_t>(us / 1000),
                                                     static_cast<uint8_t>(frac >> 8),
                                                     static_cast<uint8_t>(frac & 0xFF)};
            EXPECT_EQ(dv::EncodeDelay(ms), expected) << c << " of " << units;
        }
    }
    EXPECT_EQ(dv::EncodeDelay(0.2509f), (std::array<uint8_t, 3>{0, 0, 250}));
    EXPECT_EQ(dv::EncodeEqGain(-3.55f), (std::array<uint8_t, 2>{14, 4}));
}

TEST(WireEncodingTest, OtherReceivedDecimalsAreTheNearestFloat) {
    for (long a = 0; a <= 255; ++a) {
        for (long b = 0; b <= 99; ++b) {
            const auto ua = static_cast<uint8_t>(a), ub = static_cast<uint8_t>(b);
            EXPECT_EQ(dv::DecodeIrcDistance(ua, ub), NearestFloat(a * 100 + b, 2));
            if (b <= 9) {
                EXPECT_EQ(dv::DecodeNoiseLevel(ua, ub), NearestFloat(a * 10 - 1000 + b, 1));
            }
        }
    }
    for (long d = -128; d <= 127; ++d)
        for (long e = -128; e <= 127; ++e)
            EXPECT_EQ(dv::DecodeSpectrumGain(static_cast<int8_t>(d), static_cast<int8_t>(e)),
                      NearestFloat(d * 100 + e, 2));
    for (long hz : {20L, 1000L, 19999L, 65535L})
        for (long c = 0; c <= 99; ++c)
            EXPECT_EQ(
                dv::DecodeSpectrumFrequency(static_cast<uint16_t>(hz), static_cast<uint8_t>(c)),
                NearestFloat(hz * 100 + c, 2));
}

}  // namespace
