#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "device/CommandTable.h"
#include "tests/core/CommandRows.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using dv::CommandId;
using dv::DspDevice;
using dvtest::Bytes;
using dvtest::Hex;
using dvtest::Row;
using dvtest::Rows;

std::string ExpectedReport(const Row& row) {
    std::vector<uint8_t> report = {0};
    const auto frame = dvtest::UnitFrame(row.mcmd, row.subcmd, row.optype, Bytes(row.payload));
    report.insert(report.end(), frame.begin(), frame.end());
    report.resize(65, 0);
    return Hex(report);
}

class CommandBytesTest : public dvtest::SimulatedUnitTest {};

TEST_F(CommandBytesTest, EveryCommandWritesItsExactReport) {
    const std::vector<Row> rows = Rows();
    std::set<CommandId> covered;
    for (const Row& row : rows) covered.insert(row.id);
    EXPECT_EQ(covered.size(), dv::CommandTable().size()) << "every command of the table has a row";
    Open();
    StayOutOfTheLoader();
    auto restarts = [&] {
        return unit_->WithLoader([](auto& loader) { return loader.Restarts(); });
    };
    for (const Row& row : rows) {
        dv::sim::SimBus::Instance().ClearTranscript();
        const int restartsBefore = restarts();
        row.invoke(*device_, true);
        const auto written = Written();
        ASSERT_EQ(written.size(), 1u) << dv::Command(row.id).name;
        EXPECT_EQ(written[0], ExpectedReport(row)) << dv::Command(row.id).name;
        // The unit leaves the bus shortly after acknowledging a reboot; how soon the next row
        // runs depends on the machine's load, so wait for it to come back and open it afresh
        // rather than racing its departure.
        if (row.id == CommandId::MCU_Reboot_Ctrl || row.id == CommandId::Factory_Default_Ctrl) {
            ASSERT_TRUE(dvtest::WaitUntil([&] {
                return restarts() > restartsBefore && dv::sim::SimBus::Instance().IsPlugged();
            })) << dv::Command(row.id).name;
            device_->CloseHIDDevice(false);
            Open();
        }
    }
    // The unit's own decoder took every report as a well-formed frame.
    EXPECT_EQ(unit_->BadFrames(), 0);
    EXPECT_EQ(unit_->FramesHandled(), static_cast<int>(rows.size()));
}

TEST_F(CommandBytesTest, EncodingEdgesAndRangeShapes) {
    Open();
    auto payloadOf = [&](const std::function<bool()>& issue) {
        dv::sim::SimBus::Instance().ClearTranscript();
        issue();
        const auto reports = dv::sim::SimBus::Instance().WrittenReports();
        if (reports.size() != 1)
            return std::string("(") + std::to_string(reports.size()) + " reports)";
        const int len = reports[0][3];
        return Hex({reports[0].begin() + 7, reports[0].begin() + 4 + len});
    };
    EXPECT_EQ(payloadOf([&] { return device_->EQ_Ctrl(0, 0, 0, 0, 20, 0.5f, -18.0f, true); }),
              "00 00 00 00 00 14 00 05 00 00");
    EXPECT_EQ(payloadOf([&] { return device_->EQ_Ctrl(0, 0, 0, 0, 20000, 9.0f, 12.0f, true); }),
              "00 00 00 00 4e 20 09 00 1e 00");
    const float delay[] = {1.25f};
    EXPECT_EQ(payloadOf([&] { return device_->Delay_Ctrl(0, 0, 4, 4, delay, true); }),
              "00 00 04 04 01 00 fa");
    // An inverted range sends its header only.
    EXPECT_EQ(payloadOf([&] { return device_->Trim_Ctrl(0, 4, 5, 2, {}, true); }), "00 04 05 02");
    EXPECT_EQ(payloadOf([&] { return device_->Delay_Ctrl(0, 4, 7, 0, {}, true); }), "00 04 07 00");
    EXPECT_EQ(payloadOf([&] { return device_->Get_Mix_Ch(1, 6, 0); }), "01 06 00");
    EXPECT_EQ(payloadOf([&] { return device_->Input_Ch_Threshold_Ctrl(-128, true); }), "80");
}

TEST_F(CommandBytesTest, PayloadsThatCannotFitAreRefusedUnsent) {
    Open();
    const std::vector<float> delays(13, 1.0f);
    const std::vector<int> values(40, 0);
    const std::vector<uint8_t> name(17, 'x');
    const std::vector<uint8_t> flash(51, 1);
    const std::vector<uint8_t> block(33, 1);
    const std::vector<dv::LinkPair> pairs(19);
    EXPECT_FALSE(device_->Delay_Ctrl(0, 0, 0, 12, delays, true));
    EXPECT_FALSE(device_->Delay_Ctrl(0, 0, 0, 3, std::span<const float>(delays).first(2), true));
    EXPECT_FALSE(device_->Trim_Ctrl(0, 0, 0, 36, values, true));
    EXPECT_FALSE(device_->SetSceneName(1, name));
    EXPECT_FALSE(device_->Flash_Upg_Data(0, flash));
    EXPECT_FALSE(device_->Flash_Upg_Data(0, {}));
    EXPECT_FALSE(device_->MCU_Upg_Data(0, block));
    EXPECT_FALSE(device_->CH_Link_Ctrl(0, 1, pairs, true));
    EXPECT_TRUE(Written().empty());
    // The largest allowed shapes still go out.
    EXPECT_TRUE(device_->Delay_Ctrl(0, 0, 0, 11, delays, true));
    EXPECT_TRUE(device_->SetSceneName(1, std::span<const uint8_t>(name).first(16)));
    EXPECT_EQ(Written().size(), 2u);
}

TEST_F(CommandBytesTest, SendModeLeavesTheReplyForTheNextRead) {
    Open();
    // A loader in the middle of a three-byte DSP-flash transfer.
    unit_->WithLoader(
        [](dv::sim::SimLoader& l) { l.SetPersonality(dv::sim::SimPersonality::Loader); });
    EXPECT_TRUE(device_->Flash_Upg_Start(dv::sim::SimUpgradeHeader(1, 3)));
    device_->SetUpgradeKind(dv::FirmwareKind::DspFlash);
    device_->SetUpgradeStatus(dv::UPG_WAITING_BIN_DATA_ACK);
    const uint8_t block[] = {1, 2, 3};
    EXPECT_TRUE(device_->Flash_Upg_Data(0, block));
    EXPECT_EQ(device_->GetUpgradeStatus(), dv::UPG_WAITING_BIN_DATA_ACK) << "no read after a send";
    uint8_t buffer[65];
    EXPECT_TRUE(device_->ReadHIDData(buffer, 500));
    EXPECT_EQ(device_->GetUpgradeStatus(), dv::UPG_SEND_BIN_DATA);
}

}  // namespace
