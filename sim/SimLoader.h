// The simulated unit's two personalities and its firmware receiver. The application answers the
// panel and, asked to enter upgrade mode, restarts into its loader; the loader takes MCU and
// DSP-flash images, the application the bootloader's. Every block is checked for order, offset
// and size as it arrives, coverage and length at the finish; only then is the image installed
// and the unit restarted with its new version. Faults come on demand.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/SimFrames.h"

namespace dv::sim {

struct SimOptions;
struct SimResponse;

enum class SimPersonality { Application, Loader };
enum class SimImageKind { None, Mcu, Bootloader, Flash };

// Block numbers count the data frames of one transfer from 0; -1 is off.
struct SimUpgradeFaults {
    bool refuseEnter = false;
    bool refuseStart = false;
    bool refuseFinish = false;
    bool ignoreStart = false;      // the start command is never answered
    bool ignoreFinish = false;     // nor the finish
    int notReadyThenReadyAt = -1;  // NOT_READY, then 0x0A after notReadyDelay
    std::chrono::milliseconds notReadyDelay{30};
    int notReadyDropAt = -1;                    // NOT_READY, and the block is thrown away
    int loseAckAt = -1;                         // the block is taken, its acknowledgement lost
    int duplicateAckAt = -1;                    // its acknowledgement comes twice
    int strayAckAt = -1;                        // acknowledgements of other commands come first
    int unplugAtBlock = -1;                     // the unit drops off the bus when it arrives
    bool neverReturn = false;                   // after a restart the unit stays away
    std::chrono::milliseconds returnDelay{-1};  // time off the bus; <0: the options' restartDelay
};

// The header the simulated unit expects: the new version, then the image length (24 bits).
std::array<uint8_t, 4> SimUpgradeHeader(uint8_t version, uint32_t length);

class SimLoader {
public:
    SimPersonality Personality() const { return personality_; }
    void SetPersonality(SimPersonality personality) { personality_ = personality; }
    void SetFaults(const SimUpgradeFaults& faults) { faults_ = faults; }

    // Whether the frame is one of the upgrade's own commands.
    static bool IsUpgradeFrame(const SimFrame& frame);
    // True between entering upgrade mode and the end of the transfer.
    bool InSession() const { return inSession_; }
    // Handles an upgrade frame; the caller holds the unit's lock.
    void Handle(const SimFrame& frame, SimOptions& options, SimResponse& response);
    // The unit comes back on the bus after a restart.
    void Restarted();

    // What the last transfer received (its length from the header), and what is installed.
    std::vector<uint8_t> Received() const { return received_; }
    SimImageKind ReceivingKind() const { return kind_; }
    int BlocksReceived() const { return blocks_; }
    const std::vector<uint8_t>& Installed(SimImageKind kind) const;
    int ForeignFrames() const { return foreignFrames_; }
    int Restarts() const { return restarts_; }
    void CountForeignFrame() { ++foreignFrames_; }

private:
    void Enter(const SimFrame& frame, SimResponse& response);
    void Start(const SimFrame& frame, SimImageKind kind, SimResponse& response);
    void Data(const SimFrame& frame, SimResponse& response);
    bool TakeBlock(const SimFrame& frame);
    void Finish(const SimFrame& frame, SimOptions& options, SimResponse& response);
    void Restart(SimResponse& response);

    SimPersonality personality_ = SimPersonality::Application;
    SimUpgradeFaults faults_;
    bool bootToLoader_ = false;  // set on entering upgrade mode, cleared by a good image
    bool applicationValid_ = true;
    bool inSession_ = false;
    SimImageKind kind_ = SimImageKind::None;
    uint8_t newVersion_ = 0;
    uint32_t length_ = 0;
    uint32_t next_ = 0;     // MCU: offset the next block must carry; flash: bytes received
    uint32_t covered_ = 0;  // bytes received
    bool broken_ = false;   // a block out of order: the finish is refused
    int blocks_ = 0;
    std::vector<uint8_t> received_;
    std::vector<uint8_t> installedMcu_, installedBoot_, installedFlash_;
    int foreignFrames_ = 0;
    int restarts_ = 0;
};

}  // namespace dv::sim
