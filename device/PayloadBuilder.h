// Collects the payload of one command inside the largest room a frame has.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "device/Protocol.h"

namespace dv {

class PayloadBuilder {
public:
    PayloadBuilder() = default;
    PayloadBuilder(std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) U8(b);
    }
    void U8(uint8_t b) {
        // Callers check the room first (PayloadFits); this only keeps the array safe.
        if (size_ < bytes_.size()) bytes_[size_++] = b;
    }
    void U16(unsigned v) {  // high byte first
        U8(static_cast<uint8_t>(v >> 8));
        U8(static_cast<uint8_t>(v));
    }
    void U32(uint32_t v) {
        U16(v >> 16);
        U16(v & 0xFFFF);
    }
    void Bytes(std::span<const uint8_t> data) {
        for (uint8_t b : data) U8(b);
    }
    std::span<const uint8_t> View() const { return {bytes_.data(), size_}; }

private:
    std::array<uint8_t, kMaxPayload> bytes_{};
    size_t size_ = 0;
};

}  // namespace dv
