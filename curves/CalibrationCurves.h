// The curves the calibration plot shows: per output channel the equalizer response (512 points)
// and the measured spectrum (121 points), each with a count of channels in use and a flag per
// channel saying whether it is drawn.
#pragma once

#include <array>
#include <cstdint>

namespace dv {

// Channel k's response curve and measured curve colours (0xAARRGGBB).
inline constexpr std::array<uint32_t, 8> kResponseCurveColors = {
    0xFFFF0000, 0xFFFF8040, 0xFFFFFF37, 0xFFB7FF4A, 0xFF00AEAE, 0xFF0000E3, 0xFF8600FF, 0xFFF00078};
inline constexpr std::array<uint32_t, 8> kMeasuredCurveColors = {
    0xFFEF0000, 0xFFEF7030, 0xFFEFEF27, 0xFFA7EF3A, 0xFF009E9E, 0xFF0000D3, 0xFF7600EF, 0xFFE00068};

class CalibrationCurves {
public:
    static constexpr int kChannels = 8;
    static constexpr int kResponsePoints = 512;
    static constexpr int kMeasuredPoints = 121;

    // Channel-major arrays (channel i's points at i * 512 ..); count <= 0 changes nothing and
    // returns false, more than eight channels are cut to eight.
    bool setCurves(const double* freqs, const double* levels, int count, const uint8_t* visible);
    // The same for the 121-point measured curves.
    bool setMeasuredCurves(const double* freqs, const double* levels, int count,
                           const uint8_t* visible);

    int responseCount() const { return response_.count; }
    bool isResponseVisible(int c) const { return response_.isVisible(c); }
    const double* responseFreqs(int c) const {
        return response_.freqs.data() + Offset(c, kResponsePoints);
    }
    const double* responseLevels(int c) const {
        return response_.levels.data() + Offset(c, kResponsePoints);
    }

    int measuredCount() const { return measured_.count; }
    bool isMeasuredVisible(int c) const { return measured_.isVisible(c); }
    const double* measuredFreqs(int c) const {
        return measured_.freqs.data() + Offset(c, kMeasuredPoints);
    }
    const double* measuredLevels(int c) const {
        return measured_.levels.data() + Offset(c, kMeasuredPoints);
    }

private:
    template <int Points>
    struct Store {
        std::array<double, kChannels * Points> freqs{};
        std::array<double, kChannels * Points> levels{};
        std::array<bool, kChannels> visible{};
        int count = 0;

        bool isVisible(int c) const {
            return c >= 0 && c < count && visible[static_cast<std::size_t>(c)];
        }
        bool set(const double* f, const double* l, int n, const uint8_t* shown);
    };

    static std::size_t Offset(int c, int points);

    Store<kResponsePoints> response_;
    Store<kMeasuredPoints> measured_;
};

}  // namespace dv
