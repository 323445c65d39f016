// Bounds-checked reading of a reply payload. Reading past the end yields zeros and marks the
// reader failed, so a parser checks `Ok()` (or `Need()` up front) before it produces anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace dv {

class PayloadReader {
public:
    explicit PayloadReader(std::span<const uint8_t> payload) : data_(payload) {}

    // True when at least `n` more bytes are there; a false answer also marks the reader failed.
    bool Need(size_t n) {
        if (data_.size() - pos_ < n) failed_ = true;
        return !failed_;
    }
    uint8_t U8() {
        if (!Need(1)) return 0;
        return data_[pos_++];
    }
    int8_t S8() { return static_cast<int8_t>(U8()); }
    uint16_t U16() {  // high byte first, as every number on the wire
        const uint8_t hi = U8();
        const uint8_t lo = U8();
        return failed_ ? 0 : static_cast<uint16_t>(hi << 8 | lo);
    }
    void Skip(size_t n) {
        if (Need(n)) pos_ += n;
    }
    bool Ok() const { return !failed_; }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace dv
