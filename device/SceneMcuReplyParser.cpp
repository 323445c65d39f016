// Group 2 (scenes, DSP flash) and group 3 (MCU) replies.
#include <algorithm>
#include <memory>

#include "base/Log.h"
#include "device/DspDevice.h"
#include "device/McuReplyRecords.h"
#include "device/PayloadReader.h"
#include "device/SceneReplyRecords.h"

namespace dv {

void DspDevice::ParseSceneReply(const ReceivedFrame& frame) {
    PayloadReader r(frame.payload);
    if (frame.subcmd == 11 && frame.optype == OP_DATA) {
        const int scene = r.U8();
        if (!r.Need(kSceneNameBytes)) {
            LogPrintA("scene name reply refused: short payload\n");
            return;
        }
        auto record = std::make_unique<SceneNameRecord>();
        record->sceneIndex = scene - 1;
        for (uint8_t& b : record->name) b = r.U8();
        LogPrintA("scene_name->index(%d), name -->> ", record->sceneIndex);
        for (uint8_t b : record->name) LogPrintA("0x%02x, ", b);
        LogPrintA("\n m_payload: ");
        for (uint8_t b : record->name) LogPrintA("0x%02x, ", b);
        LogPrintA("\n");
        if (record->sceneIndex < 0 || record->sceneIndex >= kSceneCount) {
            LogPrintA("scene name reply refused: scene %d outside the model\n", scene);
            return;
        }
        // Erased storage reads back as 0xFF: such a slot has no name.
        if (std::all_of(std::begin(record->name), std::end(record->name),
                        [](uint8_t b) { return (b & 1) != 0; }))
            std::fill(std::begin(record->name), std::end(record->name), 0);
        Post(Target::Main, WM_SCENE_VALUE, 11, std::move(record));
        return;
    }
    if (frame.optype != OP_ACK) return;
    const uint8_t status = r.U8();
    if (!r.Ok()) return;
    if (frame.subcmd >= 3 && frame.subcmd <= 5) return ParseFlashUpgradeAck(frame.subcmd, status);
    switch (frame.subcmd) {
        case 8:
        case 10: {
            if (status != ACK_READY) return;
            // The second byte is the unit's to choose (a missing one reads as 0); the scene
            // window needs the message whatever it holds, or its busy state never ends.
            const int scene = r.U8();
            LogPrintA("scene acknowledgement subcmd(%d), byte(%d)\n", frame.subcmd, scene);
            Post(Target::Scene, frame.subcmd == 8 ? WM_SCENE_VALUE : WM_SCENE_DELETED, scene);
            return;
        }
        default:
            return;
    }
}

void DspDevice::ParseMcuReply(const ReceivedFrame& frame) {
    PayloadReader r(frame.payload);
    const bool data = frame.optype == OP_DATA;
    const bool ack = frame.optype == OP_ACK;
    switch (frame.subcmd) {
        case 8: {
            LogPrintA("\nMCU_HANDSHAKE\n");
            if (!data) return;
            const uint8_t status = r.U8();
            if (!r.Ok()) return LogPrintA("handshake reply refused: short payload\n");
            if (status == HANDSHAKE_UNNORMAL) {
                handshakeNormal_ = false;
                ++handshakeReplies_;
                Post(Target::Main, WM_HANDSHAKE_ABNORMAL, 0);
                return;
            }
            const int model = r.U8(), master = r.U8(), slave = r.U8();
            if (!r.Ok()) return LogPrintA("handshake reply refused: short payload\n");
            handshakeNormal_ = true;
            model_ = model;
            ++handshakeReplies_;
            LogPrintA("model = %d, master verion = %d, slave verion = %d\n", model, master, slave);
            if (!TargetHandle(Target::Main)) return;
            auto record = std::make_unique<McuValueRecord>();
            record->model = model;
            record->masterVersion = master;
            record->slaveVersion = slave;
            return Post(Target::Main, WM_MCU_VALUE, 8, std::move(record));
        }
        case 11: {
            LogPrintA("MCU_GET_DSPFLASH_VER\n");
            if (!data) return;
            int version[4];
            for (int& v : version) v = r.U8();
            if (!r.Ok()) return LogPrintA("flash version reply refused: short payload\n");
            LogPrintA("flashver = %02d%02d%02d%02d\n", version[0], version[1], version[2],
                      version[3]);
            if (!TargetHandle(Target::Main)) return;
            auto record = std::make_unique<McuValueRecord>();
            std::copy(std::begin(version), std::end(version), record->flashVersion);
            return Post(Target::Main, WM_MCU_VALUE, 11, std::move(record));
        }
        case 12: {
            if (!data) return;
            const uint8_t version = r.U8();
            if (r.Ok()) bootloaderVersion_ = version;
            return;
        }
        case 0x60:
            LogPrintA("MCU INIT\n");
            return;
        default:
            break;
    }
    if (!ack) return;
    const uint8_t status = r.U8();
    if (!r.Ok()) return;
    ParseMcuUpgradeAck(frame.subcmd, status);
}

}  // namespace dv
