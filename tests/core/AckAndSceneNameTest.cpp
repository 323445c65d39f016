// What an immediate set command hears back, and scene names in the unit's code page.
#include <chrono>

#include "profiles/SceneNameGbk.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using dv::AckResult;
using dv::sim::SimFault;

class AckTest : public dvtest::SimulatedUnitTest {};

TEST_F(AckTest, ImmediateSetReturnsItsOwnAcknowledgementWithinOneTimeOut) {
    enum class Fault { None, NotReady, Silent, Unplugged };
    const struct {
        Fault fault;
        bool returned;
        AckResult result;
        int extra;
    } rows[] = {{Fault::None, true, AckResult::Ready, 4},
                {Fault::NotReady, false, AckResult::NotReady, 4},
                {Fault::Silent, false, AckResult::None, -1},
                {Fault::Unplugged, false, AckResult::WriteFailed, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.fault));
        if (!dv::sim::SimBus::Instance().IsPlugged()) dv::sim::SimBus::Instance().Plug(unit_);
        device_->CloseHIDDevice(false);
        Open();
        device_->SetReplyTimeoutCap(200);
        unit_->ClearFaults();
        if (row.fault == Fault::NotReady) unit_->SetFault({SimFault::Kind::NotReady, 2, 8});
        if (row.fault == Fault::Silent) unit_->SetFault({SimFault::Kind::Silent, 2, 8});
        if (row.fault == Fault::Unplugged) dv::sim::SimBus::Instance().Unplug();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(device_->SaveScene(4, 0), row.returned);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
        EXPECT_EQ(dv::DspDevice::LastAck().result, row.result);
        EXPECT_EQ(dv::DspDevice::LastAck().extra, row.extra);
    }
}

std::vector<uint8_t> Gbk(std::initializer_list<int> bytes) {
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

TEST(SceneNameGbkTest, NamesEncodeWholeCharactersWithinTheirRoomAndRefuseWhatGbkLacks) {
    const struct {
        std::u16string text;
        size_t room;
        std::vector<uint8_t> bytes;
        bool encodable;
        std::u16string kept;  // what the bytes decode to
    } rows[] = {
        {u"Weekend", 16, Gbk({'W', 'e', 'e', 'k', 'e', 'n', 'd'}), true, u"Weekend"},
        {u"日间", 16, Gbk({0xC8, 0xD5, 0xBC, 0xE4}), true, u"日间"},
        {u"a日间", 4, Gbk({'a', 0xC8, 0xD5}), true, u"a日"},  // the next would not fit
        {u"日间", 3, Gbk({0xC8, 0xD5}), true, u"日"},
        {u"", 16, {}, true, u""},
        {u"ab\U0001F389c", 16, Gbk({'a', 'b'}), false, u""},  // an emoji
        {u"x\u0378", 16, Gbk({'x'}), false, u""},             // unassigned
    };
    for (const auto& row : rows) {
        dv::SceneName name{};
        std::copy(row.text.begin(), row.text.end(), name.begin());
        const dv::NarrowSceneName narrow = dv::EncodeSceneNameGbk(name, row.room);
        EXPECT_EQ(narrow.bytes, row.bytes);
        EXPECT_EQ(narrow.encodable, row.encodable);
        if (!row.encodable) continue;
        const dv::SceneName back = dv::DecodeSceneNameGbk(narrow.bytes.data(), narrow.bytes.size());
        EXPECT_EQ(std::u16string(back.data(), std::find(back.begin(), back.end(), u'\0')),
                  row.kept);
    }
}

}  // namespace
