#include "device/Frame.h"

namespace dv {

uint8_t FrameChecksum(uint8_t len, uint8_t mcmd, uint8_t subcmd, uint8_t optype,
                      std::span<const uint8_t> payload) {
    unsigned sum = len + mcmd + subcmd + optype;
    for (uint8_t b : payload) sum += b;
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

bool BuildReport(uint8_t mcmd, uint8_t subcmd, uint8_t optype, std::span<const uint8_t> payload,
                 Report& out) {
    out.fill(0);
    if (payload.size() > kMaxPayload) return false;
    const auto len = static_cast<uint8_t>(payload.size() + 3);
    out[1] = kSync1;
    out[2] = kSync2;
    out[3] = len;
    out[4] = mcmd;
    out[5] = subcmd;
    out[6] = optype;
    size_t at = 7;
    for (uint8_t b : payload) out[at++] = b;
    out[at] = FrameChecksum(len, mcmd, subcmd, optype, payload);
    return true;
}

bool FrameAssembler::Step(uint8_t b) {
    switch (state_) {
        case 0:
            if (b == kSync1) state_ = 1;
            return false;
        case 1:
            if (b == kSync2) state_ = 2;
            return false;
        case 2:
            len_ = b;
            state_ = 3;
            return false;
        case 3:
            mcmd_ = b;
            state_ = 4;
            return false;
        default:
            break;
    }
    if (state_ == len_ + 3) {
        unsigned sum = len_ + mcmd_;
        for (int i = 0; i < len_ - 1; ++i) sum += collected_[i];
        const bool valid = static_cast<uint8_t>(0x100 - (sum & 0xFF)) == b;
        state_ = 0;
        // A frame without subcmd and optype carries nothing a parser could use.
        return valid && len_ >= 3;
    }
    if (state_ < 64) {
        collected_[state_ - 4] = b;
        ++state_;
        return false;
    }
    state_ = 0;
    return false;
}

ReceivedFrame FrameAssembler::Frame() const {
    ReceivedFrame frame;
    frame.mcmd = mcmd_;
    frame.subcmd = collected_[0];
    frame.optype = collected_[1];
    frame.payload = std::span<const uint8_t>(collected_.data() + 2, len_ - 3);
    return frame;
}

}  // namespace dv
