// Faults and service times of the simulated unit, on demand.
#include "sim/ProcessorSimulator.h"

namespace dv::sim {

void ProcessorSimulator::SetFault(const SimFault& fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    fault_ = fault;
    faultMatches_ = 0;
    faultRefused_ = 0;
    hung_ = false;
}

void ProcessorSimulator::ClearFaults() {
    std::lock_guard<std::mutex> lock(mutex_);
    fault_.reset();
    hung_ = false;
}

bool ProcessorSimulator::IsHung() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hung_;
}

void ProcessorSimulator::SetServiceTime(uint8_t mcmd, uint8_t subcmd,
                                        std::chrono::microseconds time) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint16_t key = static_cast<uint16_t>(mcmd << 8 | subcmd);
    for (auto& [command, t] : serviceTimes_) {
        if (command == key) {
            t = time;
            return;
        }
    }
    serviceTimes_.emplace_back(key, time);
}

std::chrono::microseconds ProcessorSimulator::ServiceTime(const SimFrame& frame) const {
    const uint16_t key = static_cast<uint16_t>(frame.mcmd << 8 | frame.subcmd);
    for (const auto& [command, t] : serviceTimes_)
        if (command == key) return t;
    return std::chrono::microseconds(0);
}

std::optional<SimResponse> ProcessorSimulator::Faulted(const SimFrame& frame) {
    if (hung_) return SimResponse{};
    if (!fault_) return std::nullopt;
    const SimFault& f = *fault_;
    const bool matches = frame.mcmd == f.mcmd && frame.subcmd == f.subcmd &&
                         frame.optype == f.optype &&
                         (f.scene < 0 || (!frame.payload.empty() && frame.payload[0] == f.scene));
    if (!matches || ++faultMatches_ < f.at) return std::nullopt;
    if (f.kind == SimFault::Kind::Silent) {
        hung_ = true;
        return SimResponse{};
    }
    if (f.kind == SimFault::Kind::Unplug) {
        fault_.reset();
        SimResponse response;
        response.unplug = true;
        return response;
    }
    if (f.times >= 0 && faultRefused_ >= f.times) return std::nullopt;
    ++faultRefused_;
    std::vector<uint8_t> payload{0x60};
    if (frame.mcmd == 2) payload.push_back(frame.payload.empty() ? 0 : frame.payload[0]);
    SimResponse response;
    response.frames.push_back(EncodeFrame(frame.mcmd, frame.subcmd, 0xEE, payload));
    return response;
}

}  // namespace dv::sim
