#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "device/DspReplyRecords.h"
#include "device/McuReplyRecords.h"
#include "device/SceneReplyRecords.h"
#include "tests/core/DeviceTestSupport.h"

namespace {

using namespace std::chrono_literals;
using dv::sim::SimBus;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// One line per posted message, the way the manager will read it.
std::string Describe(const dvtest::Posted& m) {
    const dv::MessageRecord* r = m.record.get();
    std::string head = Format("%u/%d", m.message, static_cast<int>(m.param));
    if (auto* v = dynamic_cast<const dv::DspValueRecord*>(r)) return head + Format(" %d", v->value);
    if (auto* x = dynamic_cast<const dv::CrossoverRecord*>(r))
        return head + Format(" s%d ch%d hp%d/%d/%d lp%d/%d/%d", x->scene, x->channel, x->hpType,
                             x->hpFreq, x->hpSlope, x->lpType, x->lpFreq, x->lpSlope);
    if (auto* b = dynamic_cast<const dv::EqBandRecord*>(r))
        return head + Format(" s%d ch%d b%d %dHz q%.2f %.1fdB", b->scene, b->channel, b->band,
                             b->freq, b->q, b->gain);
    if (auto* d = dynamic_cast<const dv::DelayRecord*>(r))
        return head + Format(" s%d ch%d %.3fms", d->scene, d->channel, d->delayMs);
    if (auto* c = dynamic_cast<const dv::ChannelValueRecord*>(r))
        return head + Format(" s%d ch%d %d", c->scene, c->channel, c->value);
    if (auto* x = dynamic_cast<const dv::MixRecord*>(r))
        return head + Format(" s%d src%d ch%d 0x%x", x->scene, x->source, x->channel, x->mask);
    if (auto* f = dynamic_cast<const dv::SceneFlagRecord*>(r))
        return head + Format(" s%d %d", f->scene, f->flag);
    if (auto* t = dynamic_cast<const dv::InputMixTrimRecord*>(r)) {
        std::string s = head + Format(" s%d src%d in%d %d..%d", t->scene, t->source,
                                      t->inputChannel, t->firstOutput, t->lastOutput);
        for (int k = 0; k <= t->lastOutput - t->firstOutput; ++k) s += Format(" %d", t->trims[k]);
        return s;
    }
    if (auto* t = dynamic_cast<const dv::InputThresholdRecord*>(r))
        return head + Format(" %d", t->threshold);
    if (auto* h = dynamic_cast<const dv::McuValueRecord*>(r))
        return head + Format(" model%d %d.%d", h->model, h->masterVersion, h->slaveVersion);
    if (auto* n = dynamic_cast<const dv::SceneNameRecord*>(r))
        return head + Format(" #%d '%.16s'", n->sceneIndex, reinterpret_cast<const char*>(n->name));
    return head;
}

class SimLinkTest : public dvtest::SimulatedUnitTest {
protected:
    std::vector<std::string> Described() const {
        std::vector<std::string> out;
        for (const auto& m : main_.Messages()) out.push_back(Describe(m));
        return out;
    }
    void Greet() {
        EXPECT_TRUE(device_->PC_Connect(1));
        EXPECT_TRUE(device_->Hand_Connect());
    }
};

TEST_F(SimLinkTest, HandshakeNormalNotNormalOtherModelAndVersions) {
    Open();
    Greet();
    EXPECT_TRUE(unit_->PcConnected());
    EXPECT_EQ(device_->GetModel(), 1);
    EXPECT_TRUE(device_->IsHandshakeNormal());
    EXPECT_EQ(Described(), std::vector<std::string>{"1235/8 model1 2.7"});

    auto options = unit_->Options();
    options.model = 2;
    unit_->SetOptions(options);
    EXPECT_TRUE(device_->Hand_Connect());
    EXPECT_EQ(device_->GetModel(), 2);
    EXPECT_TRUE(device_->IsHandshakeNormal());
    EXPECT_TRUE(device_->IsDeviceOpen()) << "another model leaves the link open";

    options.handshakeStatus = 0xF0;
    unit_->SetOptions(options);
    EXPECT_TRUE(device_->Hand_Connect());
    EXPECT_FALSE(device_->IsHandshakeNormal());
    EXPECT_EQ(device_->GetModel(), 2);
    ASSERT_EQ(main_.Count(), 3u);
    EXPECT_EQ(main_.Messages()[2].message, dv::WM_HANDSHAKE_ABNORMAL);

    EXPECT_TRUE(device_->Get_Flash_Version());
    EXPECT_TRUE(device_->Get_Bootloader_Version());
    EXPECT_EQ(device_->GetBootloaderVersion(), 3);

    options.handshakeStatus = 0x00;
    unit_->SetOptions(options);
    EXPECT_TRUE(device_->Hand_Connect());
    EXPECT_TRUE(device_->IsHandshakeNormal());
    device_->CloseHIDDevice(false);
    EXPECT_FALSE(device_->IsHandshakeNormal()) << "what a unit said ends with its link";
}

TEST_F(SimLinkTest, AnUnansweredHandshakeReportsNoData) {
    auto options = unit_->Options();
    options.answerHandshake = false;
    unit_->SetOptions(options);
    Open();
    EXPECT_FALSE(device_->Hand_Connect());
    EXPECT_EQ(device_->GetModel(), -1);
    EXPECT_EQ(main_.Count(), 0u);
}

// What the start-up read must deliver, worked out from the unit's own memory.
std::vector<std::string> ExpectedStartupMessages(const dv::sim::SimUnitState& u,
                                                 const dv::sim::SimOptions& o) {
    std::vector<std::string> e;
    const dv::sim::SimScene& c = u.current;
    e.push_back(Format("1235/8 model%d %d.%d", o.model, o.masterVersion, o.slaveVersion));
    e.push_back(Format("1234/1 %d", u.sourceCode));
    e.push_back(Format("1234/2 %d", u.mainVolume));
    e.push_back(Format("1234/3 %d", u.subVolume));
    e.push_back(Format("1234/4 %d", u.mute));
    for (int k = 0; k < 8; ++k) e.push_back(Format("1234/13 s0 ch%d %d", k, c.outputs[k].role));
    e.push_back(Format("1234/14 s0 %d", c.link));
    e.push_back(Format("1234/15 s0 %d", c.lock));
    for (int k = 0; k < 8; ++k) {
        const auto& out = c.outputs[k];
        e.push_back(Format("1234/5 s0 ch%d hp%d/%d/%d lp%d/%d/%d", k, out.hp.type, out.hp.freq,
                           out.hp.slope, out.lp.type, out.lp.freq, out.lp.slope));
    }
    for (int k = 0; k < 8; ++k) e.push_back(Format("1234/18 s0 ch%d %d", k, c.outputs[k].eqBypass));
    for (int k = 0; k < 8; ++k)
        for (int b = 0; b < (k < 6 ? 31 : 11); ++b) {
            const auto& band = c.outputs[k].bands[b];
            e.push_back(Format("1234/6 s0 ch%d b%d %dHz q%.2f %.1fdB", k, b, band.freq,
                               band.qHundredths / 100.0, band.gainTenths / 10.0));
        }
    for (int k = 0; k < 8; ++k)
        e.push_back(Format("1234/7 s0 ch%d %.3fms", k, c.outputs[k].delayMicros / 1000.0));
    for (int k = 0; k < 8; ++k) e.push_back(Format("1234/8 s0 ch%d %d", k, c.outputs[k].trim));
    for (int k = 0; k < 8; ++k) e.push_back(Format("1234/9 s0 ch%d %d", k, c.outputs[k].mute));
    for (int k = 0; k < 8; ++k) e.push_back(Format("1234/10 s0 ch%d %d", k, c.outputs[k].phase));
    for (int s = 0; s < 7; ++s)
        for (int k = 0; k < 8; ++k)
            e.push_back(Format("1234/11 s0 src%d ch%d 0x%x", s, k, c.routing[s][k]));
    const std::pair<int, int> mixerInputs[] = {{2, 2}, {4, 4}, {5, 4}};
    for (const auto& [s, inputs] : mixerInputs)
        for (int in = 0; in < inputs; ++in) {
            std::string line = Format("1234/36 s0 src%d in%d 0..7", s, in);
            for (int k = 0; k < 8; ++k) line += Format(" %d", c.mixTrim[s][in][k]);
            e.push_back(line);
        }
    e.push_back(Format("1234/38 %d", u.inputThreshold));
    for (int n = 0; n < 10; ++n) {
        char name[17] = {};
        bool erased = true;
        for (uint8_t b : u.names[n]) erased = erased && (b & 1);
        if (!erased) std::copy(u.names[n].begin(), u.names[n].end(), name);
        e.push_back(Format("1237/11 #%d '%.16s'", n, name));
    }
    return e;
}

TEST_F(SimLinkTest, TheStartupReadIsAnsweredInOrderWithTheUnitsValues) {
    unit_->SetState(dv::sim::TunedCarState());
    Open();
    Greet();
    std::vector<bool> answered;
    auto ask = [&](bool ok) { answered.push_back(ok); };
    ask(device_->Get_Source());
    ask(device_->Get_Main_Volume());
    ask(device_->Get_Subwoofer_Volume());
    ask(device_->Get_Mute());
    ask(device_->Get_CH_Type(0, 0, 0, 7));
    ask(device_->Get_CH_Link(0));
    ask(device_->Get_CH_Lock(0));
    ask(device_->Get_Filter(0, 0, 0, 3));
    ask(device_->Get_Filter(0, 0, 4, 7));
    ask(device_->Get_PEQ_Bypass(0, 0, 0, 7));
    for (uint8_t k = 0; k < 8; ++k) {
        const int bands = k < 6 ? 31 : 11;
        for (int first = 0; first < bands; first += 8)
            ask(device_->Get_EQ(0, 0, k, static_cast<uint8_t>(first),
                                static_cast<uint8_t>(std::min(first + 7, bands - 1))));
    }
    ask(device_->Get_Delay(0, 0, 0, 7));
    ask(device_->Get_Trim(0, 0, 0, 7));
    ask(device_->Get_Mute_Ch(0, 0, 0, 7));
    ask(device_->Get_Phase(0, 0, 0, 7));
    for (uint8_t s = 0; s < 7; ++s) ask(device_->Get_Mix_Ch(0, s, 0));
    const std::pair<uint8_t, int> mixerInputs[] = {{2, 2}, {4, 4}, {5, 4}};
    for (const auto& [s, inputs] : mixerInputs)
        for (int in = 0; in < inputs; ++in)
            ask(device_->Get_Input_Mix_CH_Trim(0, s, static_cast<uint8_t>(in), 0, 7));
    ask(device_->Get_Input_Threshold(0, 0, true));
    for (uint8_t n = 1; n <= 10; ++n) ask(device_->Get_Scene_Name(n));

    EXPECT_EQ(std::count(answered.begin(), answered.end(), false), 0);
    EXPECT_EQ(Described(), ExpectedStartupMessages(unit_->State(), unit_->Options()));
}

TEST_F(SimLinkTest, EverySetCommandIsAppliedAndReadBack) {
    Open();
    const float delays[] = {1.25f, 14.999f};
    const int trims[] = {-6, 12}, roles[] = {1, 7}, masks[] = {0x3, 0xC}, ones[] = {1, 1};
    const int inputTrims[] = {-3, 4}, mixTrims[] = {-2, 0, 5};
    const dv::LinkPair pairs[] = {{0, 1}};
    ASSERT_TRUE(device_->Source_Switch_Ctrl(0x56, true));
    ASSERT_TRUE(device_->Main_Volume_Ctrl(-7, true));
    ASSERT_TRUE(device_->Mute_Ctrl(1, true));
    ASSERT_TRUE(device_->Filter_Ctrl(0, 0, 3, dv::FilterSide::HighPass, dv::FilterFreq(80),
                                     dv::FilterSlope(3), dv::FilterType(2), true));
    ASSERT_TRUE(device_->Filter_Ctrl(0, 0, 3, dv::FilterSide::LowPass, dv::FilterFreq(3200),
                                     dv::FilterSlope(4), dv::FilterType(1), true));
    // Selector 2 is the high-pass, 1 the low-pass, in the unit's own memory too.
    EXPECT_EQ(unit_->State().current.outputs[3].hp.freq, 80);
    EXPECT_EQ(unit_->State().current.outputs[3].lp.freq, 3200);
    ASSERT_TRUE(device_->EQ_Ctrl(0, 0, 2, 5, 2500, 4.3f, -3.5f, true));
    ASSERT_TRUE(device_->Delay_Ctrl(0, 0, 6, 7, delays, true));
    ASSERT_TRUE(device_->Trim_Ctrl(0, 0, 0, 1, trims, true));
    ASSERT_TRUE(device_->Mute_Ch_Ctrl(0, 0, 4, 5, ones, true));
    ASSERT_TRUE(device_->Phase_Ctrl(0, 0, 2, 3, ones, true));
    ASSERT_TRUE(device_->Mix_Ch_Ctrl(0, 4, 0, 1, masks, true));
    ASSERT_TRUE(device_->CH_Type_Ctrl(0, 0, 0, 1, roles, true));
    ASSERT_TRUE(device_->CH_Link_Ctrl(0, 1, pairs, true));
    ASSERT_TRUE(device_->CH_Lock_Ctrl(0, 1, true));
    ASSERT_TRUE(device_->PEQ_Bypass_Ctrl(0, 0, 6, 7, ones, true));
    ASSERT_TRUE(device_->Input_Trim_Ctrl(0, 4, 0, 1, inputTrims, true));
    ASSERT_TRUE(device_->Input_Mix_Trim_Ctrl(0, 4, 3, 0, 2, mixTrims, true));
    ASSERT_TRUE(device_->Input_Ch_Threshold_Ctrl(-61, true));
    main_.Clear();

    device_->Get_Source();
    device_->Get_Main_Volume();
    device_->Get_Mute();
    device_->Get_Filter(0, 0, 3, 3);
    device_->Get_EQ(0, 0, 2, 5, 5);
    device_->Get_Delay(0, 0, 6, 7);
    device_->Get_Trim(0, 0, 0, 1);
    device_->Get_Mute_Ch(0, 0, 4, 5);
    device_->Get_Phase(0, 0, 2, 3);
    device_->Get_Mix_Ch(0, 4, 6);
    device_->Get_CH_Type(0, 0, 0, 1);
    device_->Get_CH_Link(0);
    device_->Get_CH_Lock(0);
    device_->Get_PEQ_Bypass(0, 0, 7, 7);
    device_->Get_Input_Trim(0, 4, 0, 1);
    device_->Get_Input_Mix_CH_Trim(0, 4, 3, 0, 2);
    device_->Get_Input_Threshold(0, 0, true);
    const std::vector<std::string> expected = {"1234/1 86",
                                               "1234/2 13",
                                               "1234/4 1",
                                               "1234/5 s0 ch3 hp2/80/3 lp1/3200/4",
                                               "1234/6 s0 ch2 b5 2500Hz q4.30 -3.5dB",
                                               "1234/7 s0 ch6 1.250ms",
                                               "1234/7 s0 ch7 14.999ms",
                                               "1234/8 s0 ch0 6",
                                               "1234/8 s0 ch1 -12",
                                               "1234/9 s0 ch4 1",
                                               "1234/9 s0 ch5 1",
                                               "1234/10 s0 ch2 1",
                                               "1234/10 s0 ch3 1",
                                               "1234/11 s0 src4 ch6 0x1",
                                               "1234/11 s0 src4 ch7 0x2",
                                               "1234/13 s0 ch0 1",
                                               "1234/13 s0 ch1 7",
                                               "1234/14 s0 1",
                                               "1234/15 s0 1",
                                               "1234/18 s0 ch7 1",
                                               "1234/32 s0 ch0 -3",
                                               "1234/32 s0 ch1 4",
                                               "1234/36 s0 src4 in3 0..2 -2 0 5",
                                               "1234/38 -61"};
    EXPECT_EQ(Described(), expected);
    EXPECT_EQ(unit_->State().current.routing[4][0], 0x3);

    const uint8_t reset[] = {2};
    ASSERT_TRUE(device_->PEQ_Reset_Ctrl(0, 0, reset, true));
    EXPECT_EQ(unit_->State().current.outputs[2].bands[5].gainTenths, 0);
}

TEST_F(SimLinkTest, ScenesAreStoredRecalledNamedAndDeleted) {
    Open();
    dvtest::RecordingWindow sceneWindow;
    device_->SetSceneWindow(sceneWindow.Handle());
    const int trim[] = {-9};
    ASSERT_TRUE(device_->Trim_Ctrl(0, 0, 0, 0, trim, true));
    const uint8_t name[] = {'S', 'u', 'n'};
    ASSERT_TRUE(device_->SetSceneName(4, name));
    ASSERT_TRUE(device_->SaveScene(4, 0));
    ASSERT_TRUE(device_->DeleteScene(5));
    ASSERT_EQ(sceneWindow.Count(), 2u);
    EXPECT_EQ(Describe(sceneWindow.Messages()[0]), "1237/4");
    EXPECT_EQ(Describe(sceneWindow.Messages()[1]), "1238/5");
    EXPECT_EQ(unit_->State().stored[3].outputs[0].trim, 9) << "kept as the user sees it";

    const int other[] = {2};
    ASSERT_TRUE(device_->Trim_Ctrl(0, 0, 0, 0, other, true));
    ASSERT_TRUE(device_->ReadScene(4, 0));
    EXPECT_EQ(unit_->State().current.outputs[0].trim, 9) << "scene 4 is the current setting again";

    device_->Get_Scene_Name(4);
    device_->Get_Scene_Name(5);
    EXPECT_EQ(Described(), (std::vector<std::string>{"1237/11 #3 'Sun'", "1237/11 #4 ''"}));
}

TEST_F(SimLinkTest, AStoredSceneAnswersQueriesOnlyAfterItsReadHasHadItsSecond) {
    auto options = unit_->Options();
    options.sceneLoadDelay = 400ms;
    unit_->SetOptions(options);
    unit_->Mutate([](dv::sim::SimUnitState& s) { s.stored[1].outputs[3].trim = 7; });
    Open();
    ASSERT_TRUE(device_->ReadScene(2, 255));
    ASSERT_TRUE(device_->Get_Trim(2, 0, 3, 3));
    ASSERT_EQ(main_.Count(), 1u);
    EXPECT_EQ(Describe(main_.Messages()[0]), "1234/8 s2 ch3 0") << "still the buffer read before";
    EXPECT_TRUE(dvtest::WaitUntil([&] {
        device_->Get_Trim(2, 0, 3, 3);
        return Describe(main_.Messages().back()) == "1234/8 s2 ch3 7";
    }));
}

TEST_F(SimLinkTest, FactoryDefaultAnswersLeavesTheBusAndReturnsWithDefaults) {
    unit_->SetState(dv::sim::TunedCarState());
    std::mutex mutex;
    std::vector<dv::sim::BusEvent> events;
    const int listener = SimBus::Instance().AddListener([&](dv::sim::BusEvent e) {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(e);
    });
    Open();
    EXPECT_TRUE(device_->Factory_Default_Ctrl());
    auto count = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return events.size();
    };
    ASSERT_TRUE(dvtest::WaitUntil([&] { return count() == 2; }));
    SimBus::Instance().RemoveListener(listener);
    EXPECT_EQ(events, (std::vector<dv::sim::BusEvent>{dv::sim::BusEvent::Removal,
                                                      dv::sim::BusEvent::Arrival}));
    EXPECT_FALSE(device_->Get_Source()) << "the old handle died with the restart";
    device_->CloseHIDDevice(false);
    device_->OpenHIDDevice();
    ASSERT_TRUE(device_->Get_Source());
    EXPECT_EQ(Describe(main_.Messages().back()), "1234/1 85");
    EXPECT_EQ(unit_->State().names[0][0], 0xFF);
}

TEST_F(SimLinkTest, OpeningFindsOnlyAPluggedUnitAndListenersHearThePlugs) {
    std::atomic<int> arrivals{0}, removals{0};
    const int listener = SimBus::Instance().AddListener(
        [&](dv::sim::BusEvent e) { ++(e == dv::sim::BusEvent::Arrival ? arrivals : removals); });
    SimBus::Instance().Unplug();
    {
        dvtest::LogCapture capture;
        device_->OpenHIDDevice();
        EXPECT_NE(capture.Stop().find("unable to open device\n"), std::string::npos);
    }
    EXPECT_FALSE(device_->IsDeviceOpen());
    SimBus::Instance().Plug(unit_);
    {
        dvtest::LogCapture capture;
        device_->OpenHIDDevice();
        const std::string log = capture.Stop();
        EXPECT_NE(log.find("Product String: DV80MAX\n"), std::string::npos);
        EXPECT_NE(log.find("Serial Number String: (83) SIM0001\n"), std::string::npos);
    }
    EXPECT_TRUE(device_->IsDeviceOpen());
    SimBus::Instance().RemoveListener(listener);
    SimBus::Instance().Unplug();
    EXPECT_EQ(arrivals.load(), 1);
    EXPECT_EQ(removals.load(), 1) << "a removed listener hears nothing";
}

TEST_F(SimLinkTest, InjectedFaultsReachTheLinkAsTheyWouldFromAUnit) {
    Open();
    SimBus& bus = SimBus::Instance();
    bus.DropReplies(1);
    EXPECT_FALSE(device_->Get_Flash_Version()) << "a dropped reply times out";
    bus.CorruptReplies(1);
    EXPECT_TRUE(device_->Get_Flash_Version()) << "bytes arrived";
    EXPECT_EQ(main_.Count(), 0u) << "but a bad checksum posts nothing";
    EXPECT_TRUE(device_->Get_Flash_Version());
    EXPECT_EQ(main_.Count(), 1u);

    bus.SetSplitReplies(true);
    EXPECT_TRUE(device_->Get_Source());
    EXPECT_EQ(main_.Count(), 1u) << "only the first half arrived in this read";
    uint8_t buffer[65];
    EXPECT_TRUE(device_->ReadHIDData(buffer, 500));
    ASSERT_EQ(main_.Count(), 2u);
    EXPECT_EQ(Describe(main_.Messages()[1]), "1234/1 85");
    bus.SetSplitReplies(false);

    unit_->SetNotReadyAcks(1);
    const int trim[] = {-4};
    EXPECT_FALSE(device_->Trim_Ctrl(0, 0, 0, 0, trim, true)) << "an immediate set says NOT_READY";
    EXPECT_EQ(dv::DspDevice::LastAck().result, dv::AckResult::NotReady);
    EXPECT_EQ(unit_->State().current.outputs[0].trim, 0) << "not ready: not applied";
    EXPECT_TRUE(device_->Trim_Ctrl(0, 0, 0, 0, trim, true));
    EXPECT_EQ(unit_->State().current.outputs[0].trim, 4);

    bus.UnplugAtFrame(2);
    EXPECT_TRUE(device_->Get_Mute());
    EXPECT_FALSE(device_->Get_Mute());
    EXPECT_FALSE(bus.IsPlugged());
    EXPECT_FALSE(device_->ReadHIDData(buffer, 5000)) << "a vanished unit reads as an error at once";

    const auto transcript = bus.Transcript();
    ASSERT_FALSE(transcript.empty());
    EXPECT_EQ(transcript.front().direction, dv::sim::Direction::ToUnit);
    EXPECT_EQ(transcript.front().bytes.size(), 65u);
}

}  // namespace
