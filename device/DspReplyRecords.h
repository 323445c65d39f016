// Records posted by the DSP reply parser (messages 1234 and 1241). Plain values; the receiver
// downcasts by message number and code.
#pragma once

#include <cstdint>
#include <vector>

#include "base/WindowMessage.h"

namespace dv {

// Codes 1..4 of message 1234 (source, main volume, subwoofer volume, mute) and the second
// parameter of a calibration status (message 1241 with the status as first parameter).
struct DspValueRecord : MessageRecord {
    int value = 0;
};

struct CrossoverRecord : MessageRecord {  // code 5
    int scene = 0;
    int channel = 0;
    int hpType = 0;
    int hpFreq = 0;
    int hpSlope = 0;
    int lpType = 0;
    int lpFreq = 0;
    int lpSlope = 0;
};

struct EqBandRecord : MessageRecord {  // code 6
    int scene = 0;
    int channel = 0;
    int band = 0;
    int freq = 0;
    float q = 0.0f;
    float gain = 0.0f;
};

struct DelayRecord : MessageRecord {  // code 7
    int scene = 0;
    int channel = 0;
    float delayMs = 0.0f;
};

// Codes 8, 9, 10, 13, 18, 32, 33, 34: trim and phase are signed, the others unsigned.
struct ChannelValueRecord : MessageRecord {
    int scene = 0;
    int channel = 0;
    int value = 0;
};

struct MixRecord : MessageRecord {  // code 11
    int scene = 0;
    int source = 0;
    int channel = 0;
    int mask = 0;
};

struct SceneFlagRecord : MessageRecord {  // codes 14 (link) and 15 (lock)
    int scene = 0;
    int flag = 0;
};

struct InputMixTrimRecord : MessageRecord {  // code 36
    int scene = 0;
    int source = 0;
    int inputChannel = 0;
    int firstOutput = 0;
    int lastOutput = 0;
    int8_t trims[8] = {};  // trims[k - firstOutput] for output k
};

struct InputThresholdRecord : MessageRecord {  // code 38
    int threshold = 0;
};

struct InputNoiseRecord : MessageRecord {  // code 39, to the noise-threshold window
    int firstInput = 0;
    int lastInput = 0;
    float levels[8] = {};  // indexed by input channel number
};

struct IrcDistanceRecord : MessageRecord {  // code 20
    int channel = 0;
    float distance = 0.0f;
};

struct IrcChannelValueRecord : MessageRecord {  // codes 21, 23, 24 (signed), 25, 27
    int channel = 0;
    int value = 0;
};

struct IrcEqBand {
    int band = 0;
    int freq = 0;
    float q = 0.0f;
    float gain = 0.0f;
};

// Code 22: the corrective bands one reply carries. A reply's bands travel together so that the
// window takes one message per reply rather than one per band.
struct IrcEqBandsRecord : MessageRecord {
    int channel = 0;
    std::vector<IrcEqBand> bands;
};

struct IrcSpectrumPoint {
    int band = 0;
    float freq = 0.0f;
    float gain = 0.0f;
};

// Code 26: the measured points one reply carries, together for the same reason.
struct IrcSpectrumRecord : MessageRecord {
    int channel = 0;
    std::vector<IrcSpectrumPoint> points;
};

}  // namespace dv
