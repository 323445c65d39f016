// A simulated DV80MAX: takes the panel's output reports, applies them to its own memory and
// answers with the frames the unit sends back.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "sim/SimCalibration.h"
#include "sim/SimFrames.h"
#include "sim/SimLoader.h"
#include "sim/SimState.h"

namespace dv::sim {

struct SimOptions {
    std::chrono::microseconds latency{1000};  // like a full-speed interrupt endpoint
    uint8_t model = 1;
    uint8_t handshakeStatus = 0x00;  // 0xF0: not in its normal state
    bool answerHandshake = true;
    uint8_t handshakeBytes = 4;  // fewer: a truncated handshake reply
    uint8_t masterVersion = 2;
    uint8_t slaveVersion = 7;
    std::array<uint8_t, 4> flashVersion{1, 0, 3, 12};
    uint8_t bootloaderVersion = 3;
    // After ReadScene (n, 255) queries naming scene n answer from it only once this has passed.
    std::chrono::milliseconds sceneLoadDelay{1000};
    // How long the unit is off the bus when it restarts.
    std::chrono::milliseconds restartDelay{1500};
};

enum class SimRestart { None, Reboot, FactoryReset };

struct SimResponse {
    std::vector<std::vector<uint8_t>> frames;
    SimRestart restart = SimRestart::None;
    std::chrono::microseconds serviceTime{0};  // on top of the latency
    bool unplug = false;                       // the unit leaves the bus instead of answering
    // Firmware upgrade: frames due after the reply, and how long a restart keeps the unit away
    // (<0: the options' restartDelay; stayAway: for good).
    std::vector<std::pair<std::chrono::milliseconds, std::vector<uint8_t>>> laterFrames;
    std::chrono::milliseconds offline{-1};
    bool stayAway = false;
};

// A fault on demand (SimFaults.cpp): the `at`-th frame from now that matches the command (and
// the scene, the first payload byte, when given) triggers it.
struct SimFault {
    enum class Kind {
        NotReady,  // that frame and every later match is refused with NOT_READY, not applied
        Silent,    // the unit hangs: from that frame on it answers nothing and applies nothing
        Unplug,    // the unit leaves the bus on that frame
    };
    Kind kind = Kind::NotReady;
    uint8_t mcmd = 1;
    uint8_t subcmd = 0;
    int scene = -1;  // -1: any
    int at = 1;
    int times = -1;         // NotReady: how many matches are refused (-1: all)
    uint8_t optype = 0xBB;  // 0x66: a query, refused with a NOT_READY acknowledgement
};

class ProcessorSimulator {
public:
    explicit ProcessorSimulator(SimOptions options = {}, SimUnitState state = FactoryState());

    // One 65-byte output report in, the reply frames out.
    SimResponse HandleReport(std::span<const uint8_t> report);

    SimUnitState State() const;
    void SetState(const SimUnitState& state);
    template <typename F>
    void Mutate(F&& change) {
        std::lock_guard<std::mutex> lock(mutex_);
        change(state_);
    }
    SimOptions Options() const;
    void SetOptions(const SimOptions& options);

    // The next `count` acknowledgements say NOT_READY and the commands are not applied.
    void SetNotReadyAcks(int count);
    // Back to factory memory, as after a factory default.
    void ResetToFactory();

    // Calibration runs (sim/SimCalibration.h): a fault for the next run, and what the unit saw.
    void SetCalibrationFault(const SimCalFault& fault);
    int CalibrationStatusQueries() const;
    uint8_t CalibrationAppliedMode() const;
    // Faults and service times on demand (SimFaults.cpp).
    void SetFault(const SimFault& fault);
    void ClearFaults();
    bool IsHung() const;
    // How long the unit works on a command before its answer leaves.
    void SetServiceTime(uint8_t mcmd, uint8_t subcmd, std::chrono::microseconds time);
    // Firmware personalities and receiver (SimLoader): `f` runs with the unit's lock held.
    template <typename F>
    auto WithLoader(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(loader_);
    }
    // Back on the bus after a restart, as the personality the restart chose.
    void Restarted();

    int FramesHandled() const;
    int BadFrames() const;
    bool PcConnected() const;

private:
    using Payload = std::vector<uint8_t>;

    SimResponse Handle(const SimFrame& frame);
    // A fault's answer to `frame` when one applies (caller holds mutex_).
    std::optional<SimResponse> Faulted(const SimFrame& frame);
    std::chrono::microseconds ServiceTime(const SimFrame& frame) const;
    std::optional<Payload> HandleDspSet(const SimFrame& frame);
    std::optional<Payload> AnswerDspQuery(const SimFrame& frame);
    std::optional<Payload> AnswerIrcQuery(const SimFrame& frame);
    SimResponse HandleScene(const SimFrame& frame);
    SimResponse HandleMcu(const SimFrame& frame);
    bool ApplyDspSet(const SimFrame& frame);
    bool ApplyInputSet(const SimFrame& frame, SimScene& scene);
    bool ApplyIrcSet(const SimFrame& frame);
    std::vector<uint8_t> Ack(const SimFrame& frame, std::initializer_list<uint8_t> extra = {});
    bool TakeNotReady();

    SimScene* SceneForSet(int scene);
    const SimScene* SceneForQuery(int scene);

    mutable std::mutex mutex_;
    SimOptions options_;
    SimUnitState state_;
    std::vector<uint8_t> profileBlob_;
    int notReadyAcks_ = 0;
    int framesHandled_ = 0;
    int badFrames_ = 0;
    bool pcConnected_ = false;
    std::optional<SimFault> fault_;
    int faultMatches_ = 0;
    int faultRefused_ = 0;
    bool hung_ = false;
    std::vector<std::pair<uint16_t, std::chrono::microseconds>> serviceTimes_;
    SimLoader loader_;

    // The unit reads a stored scene into a buffer before queries can see it.
    int pendingScene_ = 0;
    std::chrono::steady_clock::time_point pendingSince_{};
    int loadedScene_ = 0;
    SimScene staleBuffer_;

    SimCalibrationCourse calibration_;
};

}  // namespace dv::sim
