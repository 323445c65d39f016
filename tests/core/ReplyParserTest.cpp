#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "device/DspReplyRecords.h"
#include "device/McuReplyRecords.h"
#include "device/SceneReplyRecords.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using dvtest::Bytes;
using dvtest::UnitFrame;

constexpr uint8_t kData = 0xDD, kAck = 0xEE;

class ReplyParserTest : public dvtest::SimulatedUnitTest {
protected:
    void SetUp() override {
        SimulatedUnitTest::SetUp();
        device_->SetSceneWindow(scene_.Handle());
        device_->SetAutoCalWindow(autoCal_.Handle());
        device_->SetNoiseWindow(noise_.Handle());
        Open();
    }
    void Reply(uint8_t mcmd, uint8_t subcmd, uint8_t optype, const std::string& payload) {
        ASSERT_TRUE(Feed(UnitFrame(mcmd, subcmd, optype, Bytes(payload))));
    }
    size_t Total() const {
        return main_.Count() + scene_.Count() + autoCal_.Count() + noise_.Count();
    }

    dvtest::RecordingWindow scene_, autoCal_, noise_;
};

TEST_F(ReplyParserTest, ValueRepliesAndTheExamplesDecode) {
    Reply(1, 1, kData, "53");
    Reply(1, 2, kData, "f6");
    Reply(1, 3, kData, "ff");
    Reply(1, 4, kData, "01");
    ASSERT_EQ(main_.Count(), 4u);
    EXPECT_EQ(main_.Messages()[0].message, dv::WM_DSP_VALUE);
    EXPECT_EQ(main_.Messages()[0].param, 1);
    EXPECT_EQ(main_.Record<dv::DspValueRecord>(0).value, 0x53);
    EXPECT_EQ(main_.Record<dv::DspValueRecord>(1).value, -10);
    EXPECT_EQ(main_.Record<dv::DspValueRecord>(2).value, -1);
    EXPECT_EQ(main_.Record<dv::DspValueRecord>(3).value, 1);
    main_.Clear();

    Reply(1, 6, kData, "03 04 05 11 11 03 e8 04 03 0e 05");
    ASSERT_EQ(main_.Count(), 1u);
    const auto& band = main_.Record<dv::EqBandRecord>(0);
    EXPECT_EQ(main_.Messages()[0].param, 6);
    EXPECT_EQ(band.scene, 3);
    EXPECT_EQ(band.channel, 5);
    EXPECT_EQ(band.band, 17);
    EXPECT_EQ(band.freq, 1000);
    EXPECT_FLOAT_EQ(band.q, 4.03f);
    EXPECT_FLOAT_EQ(band.gain, -3.5f);

    Reply(1, 7, kData, "00 00 02 03 01 00 fa 0f 00 00");
    ASSERT_EQ(main_.Count(), 3u);
    EXPECT_EQ(main_.Record<dv::DelayRecord>(1).channel, 2);
    EXPECT_FLOAT_EQ(main_.Record<dv::DelayRecord>(1).delayMs, 1.25f);
    EXPECT_FLOAT_EQ(main_.Record<dv::DelayRecord>(2).delayMs, 15.0f);

    Reply(1, 5, kData, "00 00 06 06 02 0d 48 04 01 4e 20 00");
    ASSERT_EQ(main_.Count(), 4u);
    const auto& x = main_.Record<dv::CrossoverRecord>(3);
    EXPECT_EQ(x.channel, 6);
    EXPECT_EQ(x.hpType, 2);
    EXPECT_EQ(x.hpFreq, 3400);
    EXPECT_EQ(x.hpSlope, 4);
    EXPECT_EQ(x.lpType, 1);
    EXPECT_EQ(x.lpFreq, 20000);
    EXPECT_EQ(x.lpSlope, 0);
}

TEST_F(ReplyParserTest, ChannelRangesPostOneRecordPerChannelWithTheirSigns) {
    Reply(1, 8, kData, "00 00 00 01 fa 03");   // trims, signed
    Reply(1, 9, kData, "00 00 07 07 ff");      // mute, unsigned
    Reply(1, 10, kData, "00 00 03 03 ff");     // phase, signed
    Reply(1, 13, kData, "00 00 00 01 06 0c");  // roles
    Reply(1, 18, kData, "02 00 04 04 01");     // EQ bypass
    Reply(1, 32, kData, "00 04 01 01 fe");     // input trim, signed
    Reply(1, 33, kData, "00 04 02 02 01");
    Reply(1, 34, kData, "00 04 03 03 ff");  // input phase, signed
    const std::vector<std::tuple<int, int, int, int>> expected = {
        {8, 0, 0, -6},  {8, 0, 1, 3},  {9, 0, 7, 255}, {10, 0, 3, -1}, {13, 0, 0, 6},
        {13, 0, 1, 12}, {18, 2, 4, 1}, {32, 0, 1, -2}, {33, 0, 2, 1},  {34, 0, 3, -1}};
    ASSERT_EQ(main_.Count(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& [code, scene, channel, value] = expected[i];
        EXPECT_EQ(main_.Messages()[i].param, code) << i;
        const auto& r = main_.Record<dv::ChannelValueRecord>(i);
        EXPECT_EQ(std::make_tuple(r.scene, r.channel, r.value),
                  std::make_tuple(scene, channel, value))
            << i;
    }
    main_.Clear();

    Reply(1, 11, kData, "00 05 06 07 03 0c");
    Reply(1, 14, kData, "00 01");
    Reply(1, 15, kData, "04 00");
    Reply(1, 36, kData, "00 04 01 02 04 00 ff 05");
    Reply(1, 38, kData, "cc");
    ASSERT_EQ(main_.Count(), 6u);
    EXPECT_EQ(main_.Record<dv::MixRecord>(1).source, 5);
    EXPECT_EQ(main_.Record<dv::MixRecord>(1).channel, 7);
    EXPECT_EQ(main_.Record<dv::MixRecord>(1).mask, 0x0c);
    EXPECT_EQ(main_.Messages()[2].param, 14);
    EXPECT_EQ(main_.Record<dv::SceneFlagRecord>(2).flag, 1);
    EXPECT_EQ(main_.Record<dv::SceneFlagRecord>(3).scene, 4);
    const auto& trim = main_.Record<dv::InputMixTrimRecord>(4);
    EXPECT_EQ(std::make_tuple(trim.source, trim.inputChannel, trim.firstOutput, trim.lastOutput),
              std::make_tuple(4, 1, 2, 4));
    EXPECT_EQ(std::vector<int>(trim.trims, trim.trims + 3), (std::vector<int>{0, -1, 5}));
    EXPECT_EQ(main_.Record<dv::InputThresholdRecord>(5).threshold, -52);
}

TEST_F(ReplyParserTest, LogOnlyUnknownAndWrongOptypeFramesPostNothing) {
    Reply(1, 0, kData, "07 51 52 53 54 55 56 57");
    Reply(1, 17, kData, "00");
    Reply(1, 35, kData, "00");
    Reply(1, 12, kData, "00 00 00 00 01");
    Reply(1, 13, kAck, "0a");
    Reply(1, 5, kAck, "0a");
    Reply(1, 1, 0x66, "53");
    Reply(7, 1, kData, "53");
    Reply(2, 9, kAck, "0a");
    Reply(3, 31, kAck, "0a");
    EXPECT_EQ(Total(), 0u);
}

TEST_F(ReplyParserTest, NoiseGoesToTheNoiseWindowIndexedByInput) {
    Reply(1, 39, kData, "02 03 1c 08 64 00");
    ASSERT_EQ(noise_.Count(), 1u);
    EXPECT_EQ(main_.Count(), 0u);
    EXPECT_EQ(noise_.Messages()[0].param, 39);
    const auto& n = noise_.Record<dv::InputNoiseRecord>(0);
    EXPECT_EQ(n.firstInput, 2);
    EXPECT_EQ(n.lastInput, 3);
    EXPECT_FLOAT_EQ(n.levels[2], -71.2f);
    EXPECT_FLOAT_EQ(n.levels[3], 0.0f);
}

// The calibration worker acts on the status its own read brought, without its window.
TEST_F(ReplyParserTest, TheReadingThreadKeepsTheLastCalibrationStatus) {
    const struct {
        const char* payload;
        int status, value;
    } rows[] = {
        {"05 00 00 2d 00", 5, 45},                             // progress
        {"07 03 00 50 00", 7, 3},                              // the channel
        {"08 09 00 50 00", 7, 3},                              // output 9 does not exist: unchanged
        {"08 06 00 50 00", 8, 6},  {"0b 00 00 10 01", 11, 1},  // the reason
        {"0d 00 00 10 00", 11, 1},                             // unknown status: unchanged
    };
    for (const auto& row : rows) {
        Reply(1, 19, kData, row.payload);
        EXPECT_EQ(dv::DspDevice::LastIrcStatus().status, row.status) << row.payload;
        EXPECT_EQ(dv::DspDevice::LastIrcStatus().value, row.value) << row.payload;
    }
    // A read that brings no status leaves none behind from an earlier one.
    device_->SetReplyTimeoutCap(20);
    dv::sim::SimBus::Instance().DropReplies(1);
    EXPECT_FALSE(device_->IRC_Get());
    EXPECT_EQ(dv::DspDevice::LastIrcStatus().status, -1);
    EXPECT_TRUE(device_->IRC_Get());
    EXPECT_GE(dv::DspDevice::LastIrcStatus().status, 0);
}

TEST_F(ReplyParserTest, CalibrationStatusesAndData) {
    Reply(1, 19, kData, "05 00 00 2d 00");  // EQ test at 45 %
    Reply(1, 19, kData, "07 03 00 50 00");  // spectrum of output 3 ready
    Reply(1, 19, kData, "0b 00 00 10 01");  // failed: no microphone
    Reply(1, 19, kData, "0b 00 00 10 06");  // unknown reason: nothing
    Reply(1, 19, kData, "0d 00 00 10 00");  // unknown status: nothing
    ASSERT_EQ(autoCal_.Count(), 3u);
    EXPECT_EQ(autoCal_.Messages()[0].message, dv::WM_IRC_VALUE);
    EXPECT_EQ(autoCal_.Messages()[0].param, 5);
    EXPECT_EQ(autoCal_.Record<dv::DspValueRecord>(0).value, 45);
    EXPECT_EQ(autoCal_.Record<dv::DspValueRecord>(1).value, 3);
    EXPECT_EQ(autoCal_.Messages()[2].param, 11);
    EXPECT_EQ(autoCal_.Record<dv::DspValueRecord>(2).value, 1);
    autoCal_.Clear();

    Reply(1, 20, kData, "00 00 02 19");
    Reply(1, 24, kData, "01 02 ff 01");
    Reply(1, 22, kData, "02 04 04 01 f4 02 32 0c 00");
    ASSERT_EQ(autoCal_.Count(), 4u);
    EXPECT_FLOAT_EQ(autoCal_.Record<dv::IrcDistanceRecord>(0).distance, 2.25f);
    EXPECT_EQ(autoCal_.Record<dv::IrcChannelValueRecord>(1).value, -1);
    EXPECT_EQ(autoCal_.Record<dv::IrcChannelValueRecord>(2).channel, 2);
    const auto& eqs = autoCal_.Record<dv::IrcEqBandsRecord>(3);
    ASSERT_EQ(eqs.bands.size(), 1u);
    const dv::IrcEqBand& eq = eqs.bands[0];
    EXPECT_EQ(std::make_tuple(eqs.channel, eq.band, eq.freq), std::make_tuple(2, 4, 500));
    EXPECT_FLOAT_EQ(eq.q, 2.5f);
    EXPECT_FLOAT_EQ(eq.gain, -6.0f);
    autoCal_.Clear();

    // Trim, size, level and noise level: unsigned bytes, one record per channel.
    for (uint8_t code : {21, 23, 25, 27}) Reply(1, code, kData, "06 07 05 fb");
    ASSERT_EQ(autoCal_.Count(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        const int code = autoCal_.Messages()[i].param;
        EXPECT_EQ(code, std::vector<int>({21, 23, 25, 27})[i / 2]);
        const auto& v = autoCal_.Record<dv::IrcChannelValueRecord>(i);
        EXPECT_EQ(v.channel, 6 + static_cast<int>(i % 2));
        EXPECT_EQ(v.value, i % 2 ? 0xfb : 5);
    }
    autoCal_.Clear();
}

// Point k of a measurement as the unit sends it: frequency 1000.5 + k Hz, gain -2 dB.
std::string SpectrumReply(int channel, int first, int last) {
    char text[32];
    std::snprintf(text, sizeof text, "%02x %02x %02x", channel, first, last);
    std::string hex = text;
    for (int k = first; k <= last; ++k) {
        std::snprintf(text, sizeof text, " %02x %02x 32 ff 9c", (1000 + k) >> 8, (1000 + k) & 0xff);
        hex += text;
    }
    return hex;
}

TEST_F(ReplyParserTest, AMeasurementReachesTheWindowWholeOnceItsLastPointIsIn) {
    auto fetch = [&](int channel, int from, int to) {
        for (int first = from; first <= to; first += 9)
            Reply(1, 26, kData, SpectrumReply(channel, first, std::min(first + 8, to)));
    };
    // A fetch in 14 replies of 9 points: one message, all 121 points in order, decoded.
    fetch(2, 0, 120);
    ASSERT_EQ(autoCal_.Count(), 1u);
    EXPECT_EQ(autoCal_.Messages()[0].param, 26);
    const auto& whole = autoCal_.Record<dv::IrcSpectrumRecord>(0);
    EXPECT_EQ(whole.channel, 2);
    ASSERT_EQ(whole.points.size(), 121u);
    for (int k = 0; k < 121; ++k) {
        EXPECT_EQ(whole.points[k].band, k);
        EXPECT_FLOAT_EQ(whole.points[k].freq, 1000.5f + k);
        EXPECT_FLOAT_EQ(whole.points[k].gain, -2.0f);
    }
    autoCal_.Clear();

    // A fetch broken off and begun again, or followed by another channel's, leaves no trace.
    fetch(3, 0, 62);
    fetch(3, 0, 120);
    fetch(4, 0, 53);
    fetch(5, 0, 120);
    ASSERT_EQ(autoCal_.Count(), 2u);
    EXPECT_EQ(autoCal_.Record<dv::IrcSpectrumRecord>(0).points.size(), 121u);
    EXPECT_EQ(autoCal_.Record<dv::IrcSpectrumRecord>(1).channel, 5);
    EXPECT_EQ(autoCal_.Record<dv::IrcSpectrumRecord>(1).points.size(), 121u);
    autoCal_.Clear();

    // A repeated reply does not pile up: the measurement holds each point once.
    fetch(1, 0, 62);
    for (int k = 0; k < 50; ++k) Reply(1, 26, kData, SpectrumReply(1, 54, 62));
    fetch(1, 63, 120);
    ASSERT_EQ(autoCal_.Count(), 1u);
    const auto& once = autoCal_.Record<dv::IrcSpectrumRecord>(0).points;
    ASSERT_EQ(once.size(), 121u);
    for (int k = 0; k < 121; ++k) EXPECT_EQ(once[k].band, k);
    autoCal_.Clear();

    // Points 119 .. 122 end a measurement at point 120; the two past it are dropped.
    fetch(0, 0, 118);
    Reply(1, 26, kData, SpectrumReply(0, 119, 122));
    ASSERT_EQ(autoCal_.Count(), 1u);
    const auto& kept = autoCal_.Record<dv::IrcSpectrumRecord>(0).points;
    ASSERT_EQ(kept.size(), 121u);
    EXPECT_EQ(kept.back().band, 120);
}

TEST_F(ReplyParserTest, SceneNamesAndSceneAcknowledgements) {
    Reply(2, 11, kData, "03 ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff");
    Reply(2, 11, kData, "0a 43 6c 75 62 ff ff ff ff ff ff ff ff ff ff ff ff");
    ASSERT_EQ(main_.Count(), 2u);
    EXPECT_EQ(main_.Messages()[0].message, dv::WM_SCENE_VALUE);
    EXPECT_EQ(main_.Messages()[0].param, 11);
    const auto& erased = main_.Record<dv::SceneNameRecord>(0);
    EXPECT_EQ(erased.sceneIndex, 2);
    EXPECT_EQ(std::vector<uint8_t>(erased.name, erased.name + 16), std::vector<uint8_t>(16, 0));
    const auto& named = main_.Record<dv::SceneNameRecord>(1);
    EXPECT_EQ(named.sceneIndex, 9);
    EXPECT_EQ(named.name[0], 'C');
    EXPECT_EQ(named.name[4], 0xFF) << "a name with an even byte keeps every byte";

    Reply(2, 8, kAck, "0a 04");
    Reply(2, 10, kAck, "0a 05");
    Reply(2, 8, kAck, "60 04");
    ASSERT_EQ(scene_.Count(), 2u);
    EXPECT_EQ(scene_.Messages()[0].message, dv::WM_SCENE_VALUE);
    EXPECT_EQ(scene_.Messages()[0].param, 4);
    EXPECT_EQ(scene_.Messages()[1].message, dv::WM_SCENE_DELETED);
    EXPECT_EQ(scene_.Messages()[1].param, 5);
}

TEST_F(ReplyParserTest, HandshakeVersionsAndFacts) {
    EXPECT_EQ(device_->GetModel(), -1);
    EXPECT_FALSE(device_->IsHandshakeNormal());
    Reply(3, 8, kData, "00 01 02 07");
    ASSERT_EQ(main_.Count(), 1u);
    EXPECT_EQ(main_.Messages()[0].message, dv::WM_MCU_VALUE);
    EXPECT_EQ(main_.Messages()[0].param, 8);
    const auto& hello = main_.Record<dv::McuValueRecord>(0);
    EXPECT_EQ(std::make_tuple(hello.model, hello.masterVersion, hello.slaveVersion),
              std::make_tuple(1, 2, 7));
    EXPECT_EQ(device_->GetModel(), 1);
    EXPECT_TRUE(device_->IsHandshakeNormal());

    Reply(3, 8, kData, "f0 02 00 00");
    ASSERT_EQ(main_.Count(), 2u);
    EXPECT_EQ(main_.Messages()[1].message, dv::WM_HANDSHAKE_ABNORMAL);
    EXPECT_EQ(device_->GetModel(), 1) << "the model stays as it was";
    EXPECT_FALSE(device_->IsHandshakeNormal());

    Reply(3, 11, kData, "01 00 03 0c");
    Reply(3, 12, kData, "04");
    ASSERT_EQ(main_.Count(), 3u);
    EXPECT_EQ(main_.Messages()[2].param, 11);
    const auto& flash = main_.Record<dv::McuValueRecord>(2);
    EXPECT_EQ(std::vector<int>(flash.flashVersion, flash.flashVersion + 4),
              (std::vector<int>{1, 0, 3, 12}));
    EXPECT_EQ(device_->GetBootloaderVersion(), 4);
    device_->ClearBootloaderVersion();
    EXPECT_EQ(device_->GetBootloaderVersion(), 0);
}

// Each acknowledgement moves the state only from the state that waits for it, and only for the
// kind being upgraded; anything else (late, duplicated, stray) changes nothing.
TEST_F(ReplyParserTest, UpgradeAcknowledgementsMoveTheState) {
    using K = dv::FirmwareKind;
    struct Row {
        K kind;
        int state;
        uint8_t mcmd, subcmd;
        const char* status;
        int wantState;
        int16_t wantPhase;
    };
    const int16_t I = dv::PHASE_IDLE, S = dv::PHASE_SENT;
    const Row rows[] = {
        {K::McuApp, dv::UPG_ENTER, 3, 1, "0a", dv::UPG_START, I},
        {K::McuApp, dv::UPG_ENTER, 3, 1, "60", dv::UPG_ENTER, I},
        {K::McuApp, dv::UPG_ENTER, 3, 0xA0, "0a", dv::UPG_ENTER, I},  // the bootloader's
        {K::Bootloader, dv::UPG_ENTER, 3, 0xA0, "0a", dv::UPG_START, I},
        {K::DspFlash, dv::UPG_ENTER, 3, 1, "0a", dv::UPG_START, I},
        {K::McuApp, dv::UPG_SEND_BIN_DATA, 3, 1, "0a", dv::UPG_SEND_BIN_DATA, I},  // late
        {K::McuApp, dv::UPG_START, 3, 2, "0a", dv::UPG_SEND_BIN_DATA, I},
        {K::McuApp, dv::UPG_START, 3, 2, "60", dv::UPG_FAIL, I},
        {K::McuApp, dv::UPG_SEND_BIN_DATA, 3, 2, "60", dv::UPG_SEND_BIN_DATA, I},  // late
        {K::Bootloader, dv::UPG_START, 3, 0xA1, "60", dv::UPG_FAIL, I},
        {K::McuApp, dv::UPG_WAITING_BIN_DATA_ACK, 3, 3, "0a", dv::UPG_SEND_BIN_DATA, I},
        {K::McuApp, dv::UPG_WAITING_BIN_DATA_ACK, 3, 3, "60", dv::UPG_WAITING_BIN_DATA_ACK, S},
        {K::McuApp, dv::UPG_WAITING_BIN_DATA_ACK, 3, 3, "e0", dv::UPG_FAIL, I},
        {K::McuApp, dv::UPG_WAITING_BIN_DATA_ACK, 3, 0xA2, "0a", dv::UPG_WAITING_BIN_DATA_ACK, I},
        {K::McuApp, dv::UPG_WAITING_BIN_DATA_ACK, 2, 4, "0a", dv::UPG_WAITING_BIN_DATA_ACK, I},
        {K::McuApp, dv::UPG_SEND_BIN_DATA, 3, 3, "60", dv::UPG_SEND_BIN_DATA, I},  // duplicate
        {K::Bootloader, dv::UPG_WAITING_BIN_DATA_ACK, 3, 0xA2, "60", dv::UPG_WAITING_BIN_DATA_ACK,
         S},
        {K::DspFlash, dv::UPG_START, 2, 3, "0a", dv::UPG_SEND_BIN_DATA, I},
        {K::DspFlash, dv::UPG_START, 2, 3, "60", dv::UPG_FAIL, I},
        {K::DspFlash, dv::UPG_IDLE, 2, 3, "0a", dv::UPG_IDLE, I},
        {K::DspFlash, dv::UPG_SEND_BIN_DATA, 2, 3, "60", dv::UPG_SEND_BIN_DATA, I},
        {K::DspFlash, dv::UPG_WAITING_BIN_DATA_ACK, 2, 4, "0a", dv::UPG_SEND_BIN_DATA, I},
        {K::DspFlash, dv::UPG_WAITING_BIN_DATA_ACK, 2, 4, "60", dv::UPG_WAITING_BIN_DATA_ACK, S},
        {K::DspFlash, dv::UPG_WAITING_BIN_DATA_ACK, 3, 3, "0a", dv::UPG_WAITING_BIN_DATA_ACK, I},
        {K::None, dv::UPG_WAITING_BIN_DATA_ACK, 2, 4, "0a", dv::UPG_WAITING_BIN_DATA_ACK, I},
    };
    for (const Row& row : rows) {
        device_->SetUpgradeKind(row.kind);
        device_->SetUpgradeStatus(row.state);
        device_->SetUpgradePhase(dv::PHASE_IDLE);
        Reply(row.mcmd, row.subcmd, kAck, row.status);
        EXPECT_EQ(device_->GetUpgradeStatus(), row.wantState)
            << int(row.kind) << " " << row.state << " " << int(row.subcmd) << " " << row.status;
        EXPECT_EQ(device_->GetUpgradePhase(), row.wantPhase) << int(row.subcmd) << row.status;
    }
    device_->SetUpgradeKind(K::None);
    device_->SetUpgradeStatus(dv::UPG_IDLE);
}

TEST_F(ReplyParserTest, ShortPayloadsAndNamesOutsideTheModelAreRefused) {
    const std::vector<std::tuple<uint8_t, uint8_t, std::string>> refused = {
        {1, 1, ""},                                  // value without its byte
        {1, 5, "00 00 00 01 02 0d 48 04 01 4e 20"},  // two channels, one and a bit sent
        {1, 6, "00 00 00 00 01 03 e8 04 03 0e 05"},  // two bands, one sent
        {1, 6, "00 00 08 00 00 03 e8 04 03 0e 05"},  // output 8
        {1, 6, "00 00 07 0b 0b 03 e8 04 03 0e 05"},  // band 11 of an 11-band output
        {1, 6, "0b 00 00 00 00 03 e8 04 03 0e 05"},  // scene 11
        {1, 7, "00 00 00 00 01 00"},                 // delay group cut short
        {1, 8, "00 00 08 09 01 02"},                 // outputs 8 and 9
        {1, 8, "00 00 05 02"},                       // inverted range
        {1, 11, "00 07 00 00 01"},                   // source 7
        {1, 14, "00"},
        {1, 36, "00 04 08 00 00 00"},        // input 8
        {1, 36, "00 04 01 06 08 00 00 00"},  // output 8
        {1, 36, "00 04 01 00 03 00 00"},     // trims cut short
        {1, 38, ""},
        {1, 39, "00 08 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},  // input 8
        {1, 39, "00 01 64 00"},                                            // one of two levels
        {1, 19, "05 00 00"},
        {1, 20, "00 01 02 19"},
        {1, 22, "08 00 00 01 f4 02 32 0c 00"},  // output 8
        {1, 26, "00 00 01 03 e8 32 ff 9c"},
        {2, 11, "03 ff ff ff"},
        {2, 11, "0b 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41"},  // scene 11
        {2, 11, "00 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41"},  // scene 0 has no name
        {1, 19, "08 08 00 10 00"},                                      // EQ of output 8 ready
        {3, 8, "00 01"},
        {3, 11, "01 00 03"},
    };
    // (Scene acknowledgements are delivered whatever their second byte: LinkFaultTest.)
    for (const auto& [mcmd, subcmd, payload] : refused) {
        Reply(mcmd, subcmd, kData, payload);
        EXPECT_EQ(Total(), 0u) << int(mcmd) << "/" << int(subcmd) << ": " << payload;
    }
    EXPECT_EQ(device_->GetModel(), -1);
    EXPECT_FALSE(device_->IsHandshakeNormal());
    // In-range channels of a range that also names a missing output still arrive.
    Reply(1, 9, kData, "00 00 06 08 01 00 01");
    EXPECT_EQ(main_.Count(), 2u);
}

TEST_F(ReplyParserTest, WritesReadsAndRepliesLeaveTheirLogLines) {
    dvtest::LogCapture capture;
    ASSERT_TRUE(device_->EQ_Ctrl(0, 4, 1, 17, 1000, 4.3f, -3.5f, true));
    Reply(1, 6, kData, "00 00 05 11 11 03 e8 04 03 0e 05");
    Reply(2, 11, kData, "02 ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff");
    Reply(3, 8, kData, "00 01 02 07");
    const std::string log = capture.Stop();
    // One entry per log message: the command thread may put its start line between any two.
    const std::vector<std::string> inOrder = {
        "EQ_Ctrl: gain(-3.50) ,freqValue(1000) ,qValue(4.300000) @ band(17) @channel(1) "
        "@scene(0)\n",
        "SendCtrlCommand\n",
        "begain to write data to devices:\n",
        "00 aa 55 0d 01 06 bb 00 04 01 11 03 e8 04 03 0e 05 ",
        "set WRITE_ROPRT = TRUE\n",
        "write data ok! HidDeviceObject = ",
        "ReadHIDData NumberOfBytesRead = 64\n",
        "read data: ",
        "aa 55 04 01 06 ee 0a ",
        "DSP_EQ_CH OP=0xdd, scene =0, source = 0, ch= 5, band=17, band_end = 17\n",
        "band(17), freq(1000), Q(4.03), Gain(-3.50)\n",
        "scene_name->index(1), name -->> ",
        "0xff, ",
        "\n m_payload: ",
        "\nMCU_HANDSHAKE\n",
        "model = 1, master verion = 2, slave verion = 7\n",
    };
    size_t at = 0;
    for (const std::string& line : inOrder) {
        const size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + line.size();
    }
}

TEST_F(ReplyParserTest, RepliesForClosedWindowsAreDroppedWithoutLeaking) {
    device_->SetMainWindow(nullptr);
    scene_.Handle()->Detach();
    Reply(1, 6, kData, "00 00 00 00 01 03 e8 04 03 0e 05 00 14 05 50 12 00");
    Reply(2, 11, kData, "01 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41");
    Reply(2, 8, kAck, "0a 01");
    Reply(3, 8, kData, "00 01 02 07");
    EXPECT_EQ(Total(), 0u);
    EXPECT_EQ(device_->GetModel(), 1) << "facts are kept whether or not a window listens";
}

}  // namespace
