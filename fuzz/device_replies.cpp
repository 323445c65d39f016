// Replies from a hostile unit: the input is cut into frames with valid checksums (so the
// parsers see them) and raw noise, delivered through the simulated bus and the real read path.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "device/DspDevice.h"
#include "sim/SimBus.h"

namespace {

struct Sink : dv::MessageSink {
    void Deliver(unsigned, intptr_t, std::unique_ptr<dv::MessageRecord>) override {}
};

struct Harness {
    Harness() {
        // Millions of inputs: the bus keeps no transcript.
        dv::sim::SimBus::Instance().SetTranscriptLimit(0);
        dv::sim::SimBus::Instance().Plug(std::make_shared<dv::sim::ProcessorSimulator>());
        device.OpenHIDDevice();
        window = std::make_shared<dv::WindowTarget>(&sink);
        device.SetMainWindow(window);
        device.SetSceneWindow(window);
        device.SetAutoCalWindow(window);
        device.SetNoiseWindow(window);
    }
    Sink sink;
    dv::WindowHandle window;
    dv::DspDevice device;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness harness;
    std::vector<uint8_t> stream;
    // Each chunk: payload length, mcmd, subcmd, optype, payload; a length byte above 57 marks
    // that many raw bytes instead.
    size_t at = 0;
    while (at < size) {
        const uint8_t n = data[at++];
        if (n > 57) {
            for (size_t k = 0; k < n - 57u && at < size; ++k) stream.push_back(data[at++]);
            continue;
        }
        if (at + 3 + n > size) break;
        std::vector<uint8_t> frame = {0xAA, 0x55, static_cast<uint8_t>(n + 3)};
        frame.insert(frame.end(), data + at, data + at + 3 + n);
        at += 3 + n;
        unsigned sum = 0;
        for (size_t k = 2; k < frame.size(); ++k) sum += frame[k];
        frame.push_back(static_cast<uint8_t>(0x100 - (sum & 0xFF)));
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    uint8_t buffer[65];
    for (size_t off = 0; off < stream.size(); off += 64) {
        const size_t n = std::min<size_t>(64, stream.size() - off);
        dv::sim::SimBus::Instance().InjectReport(std::span<const uint8_t>(stream.data() + off, n));
        harness.device.ReadHIDData(buffer, 0);
    }
    // Whatever was not read (answers to what the parsers sent) must not pile up across inputs.
    dv::sim::SimBus::Instance().ClearInput();
    return 0;
}
