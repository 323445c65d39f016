#include "sim/SimFrames.h"

namespace dv::sim {

namespace {

uint8_t NegatedSum(std::span<const uint8_t> bytes) {
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    return static_cast<uint8_t>(-sum);
}

}  // namespace

std::optional<SimFrame> DecodeOutputReport(std::span<const uint8_t> report) {
    if (report.size() < 8 || report[0] != 0 || report[1] != 0xAA || report[2] != 0x55)
        return std::nullopt;
    const size_t len = report[3];
    // len counts mcmd, subcmd, optype and the payload; the checksum follows them.
    if (len < 3 || 4 + len + 1 > report.size()) return std::nullopt;
    const std::span<const uint8_t> summed = report.subspan(3, len + 1);  // len .. last payload byte
    if (NegatedSum(summed) != report[4 + len]) return std::nullopt;
    SimFrame frame;
    frame.mcmd = report[4];
    frame.subcmd = report[5];
    frame.optype = report[6];
    frame.payload.assign(report.begin() + 7, report.begin() + 4 + static_cast<long>(len));
    return frame;
}

std::vector<uint8_t> EncodeFrame(uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                                 std::span<const uint8_t> payload) {
    std::vector<uint8_t> frame;
    frame.reserve(payload.size() + 7);
    for (uint8_t b : {uint8_t{0xAA}, uint8_t{0x55}, static_cast<uint8_t>(payload.size() + 3), mcmd,
                      subcmd, optype})
        frame.push_back(b);
    for (uint8_t b : payload) frame.push_back(b);
    frame.push_back(NegatedSum(std::span<const uint8_t>(frame).subspan(2)));
    return frame;
}

void PutBandBytes(std::vector<uint8_t>& out, int freq, int qHundredths, int gainTenths) {
    out.push_back(static_cast<uint8_t>(freq >> 8));
    out.push_back(static_cast<uint8_t>(freq));
    out.push_back(static_cast<uint8_t>(qHundredths / 100));
    out.push_back(static_cast<uint8_t>(qHundredths % 100));
    const int shifted = gainTenths + 180;
    out.push_back(static_cast<uint8_t>(shifted / 10));
    out.push_back(static_cast<uint8_t>(shifted % 10));
}

}  // namespace dv::sim
