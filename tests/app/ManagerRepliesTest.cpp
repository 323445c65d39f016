// Replies reaching the equalizer manager through the main window: which profile they change,
// which controls show them, and what is refused.
#include <cstring>

#include "device/DspReplyRecords.h"
#include "device/SceneReplyRecords.h"
#include "tests/app/MainWndTestSupport.h"

using namespace DuiLib;
using maintest::MainWindowTest;

class ManagerRepliesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        OpenWindow();
        Settle();
    }

    const dv::DspProfile& Profile() const { return m_wnd->Manager().Profile(); }

    void PostChannelValue(unsigned code, int scene, int channel, int value) {
        auto record = std::make_unique<dv::ChannelValueRecord>();
        record->scene = scene;
        record->channel = channel;
        record->value = value;
        PostReply(dv::WM_DSP_VALUE, code, std::move(record));
    }
};

TEST_F(ManagerRepliesTest, StoredSceneRepliesChangeOnlyTheirSlot) {
    auto crossover = std::make_unique<dv::CrossoverRecord>();
    crossover->scene = 3;
    crossover->channel = 0;
    crossover->hpType = 2;
    crossover->hpFreq = 500;
    crossover->hpSlope = 4;
    crossover->lpType = 1;
    crossover->lpFreq = 8000;
    crossover->lpSlope = 2;
    const QString shownBefore = TextOf("hp_freq");
    const dv::Crossover currentBefore = Profile().channels[0].crossover;
    PostReply(dv::WM_DSP_VALUE, 5, std::move(crossover));

    const dv::Crossover& slot = m_wnd->Manager().SceneSlot(3).channels[0].crossover;
    EXPECT_EQ(slot.hp.fs, 500);
    EXPECT_EQ(slot.hp.slope, 4);
    EXPECT_EQ(slot.hp.bypass, 0);
    EXPECT_EQ(slot.lp.fs, 8000);
    EXPECT_EQ(m_wnd->Manager().SceneSlot(2).channels[0].crossover.hp.fs, currentBefore.hp.fs);
    EXPECT_EQ(Profile().channels[0].crossover.hp.fs, currentBefore.hp.fs);
    EXPECT_EQ(TextOf("hp_freq"), shownBefore);

    PostChannelValue(8, 3, 2, -12);
    EXPECT_EQ(m_wnd->Manager().SceneSlot(3).channels[2].gain, -12);
    EXPECT_EQ(Profile().channels[2].gain, 0);
}

TEST_F(ManagerRepliesTest, BandsPastAnOutputsBandCountAndOutputsOutsideTheModelChangeNothing) {
    const dv::DspProfile before = Profile();
    for (auto [channel, band] :
         {std::pair{0, 31}, std::pair{6, 11}, std::pair{8, 0}, std::pair{0, -1}}) {
        auto record = std::make_unique<dv::EqBandRecord>();
        record->channel = channel;
        record->band = band;
        record->freq = 1234;
        record->q = 2.0f;
        record->gain = 6.0f;
        PostReply(dv::WM_DSP_VALUE, 6, std::move(record));
    }
    EXPECT_EQ(std::memcmp(&before, &Profile(), sizeof before), 0);

    // A band within range is stored and shown for the current output.
    auto record = std::make_unique<dv::EqBandRecord>();
    record->channel = 0;
    record->band = 30;
    record->freq = 18000;
    record->q = 2.5f;
    record->gain = 6.0f;
    PostReply(dv::WM_DSP_VALUE, 6, std::move(record));
    EXPECT_EQ(Profile().channels[0].eqArray[30].freq, 18000);
    EXPECT_EQ(TextOf("eq_freq_30"), "18000");
    EXPECT_EQ(TextOf("eq_q_30"), "2.50");
    // The output's EQ is bypassed (the default), so the gain is kept but shown as 0.
    EXPECT_EQ(TextOf("eq_gain_30"), "0.0");
    EXPECT_FALSE(FindAs<COptionUI>("pt_enable_30")->IsSelected());
}

TEST_F(ManagerRepliesTest, LinkReplyPairsMirroredOutputsAndLocksTheRoleButtons) {
    for (int k = 0; k < 8; ++k) PostChannelValue(13, 0, k, k == 0 ? 6 : k == 1 ? 12 : 0);
    EXPECT_EQ(Find("ch_output_btn_0")->GetRawText(), "${front_left_full}");
    EXPECT_EQ(Find("ch_output_btn_2")->GetRawText(), "${empty}");
    EXPECT_TRUE(Find("speaker_6")->IsVisible());
    EXPECT_TRUE(Find("speaker_12")->IsVisible());

    auto link = std::make_unique<dv::SceneFlagRecord>();
    link->scene = 0;
    link->flag = 1;
    PostReply(dv::WM_DSP_VALUE, 14, std::move(link));
    EXPECT_EQ(Profile().linkMode, 1);
    EXPECT_EQ(Profile().lockMode, 1);
    EXPECT_EQ(Profile().linkOutputs[0], 1);
    EXPECT_EQ(Profile().linkOutputs[1], 0);
    EXPECT_EQ(Profile().linkOutputs[2], -1);
    for (int k = 0; k < 8; ++k)
        EXPECT_FALSE(Find(QString("ch_output_btn_%1").arg(k))->IsEnabled()) << k;
    // The current output and its partner are both marked.
    EXPECT_TRUE(FindAs<COptionUI>("ch_enable_0")->IsSelected());
    EXPECT_TRUE(FindAs<COptionUI>("ch_enable_1")->IsSelected());

    // Unlocking ends the link and frees the buttons.
    auto lock = std::make_unique<dv::SceneFlagRecord>();
    lock->flag = 0;
    PostReply(dv::WM_DSP_VALUE, 15, std::move(lock));
    EXPECT_EQ(Profile().linkMode, 0);
    EXPECT_EQ(Profile().linkOutputs[0], -1);
    for (int k = 0; k < 8; ++k)
        EXPECT_TRUE(Find(QString("ch_output_btn_%1").arg(k))->IsEnabled()) << k;
}

TEST_F(ManagerRepliesTest, DelaysShowInTheChosenUnitAndVolumesAtTheBottomShowOff) {
    auto* unit = FindAs<CComboUI>("comb_ch_unit");
    const std::pair<int, const char*> cases[] = {{1, "519 cm"}, {2, "204 inc"}, {0, "15.000 ms"}};
    for (const auto& [item, text] : cases) {
        unit->SelectItem(item, false, false);
        auto delay = std::make_unique<dv::DelayRecord>();
        delay->channel = 4;
        delay->delayMs = 15.0f;
        PostReply(dv::WM_DSP_VALUE, 7, std::move(delay));
        EXPECT_EQ(TextOf("edit_ch_delay_4"), text);
    }
    EXPECT_EQ(FindAs<CSliderUI>("slider_ch_delay_4")->GetValue(), 15000);

    // Levels are stored and shown as the unit reports them.
    auto master = std::make_unique<dv::DspValueRecord>();
    master->value = -60;
    PostReply(dv::WM_DSP_VALUE, 2, std::move(master));
    EXPECT_EQ(Profile().mainVolume, -60);
    EXPECT_EQ(TextOf("edit_main_volume"), Tr("${off}"));
    PostChannelValue(8, 0, 5, -60);
    EXPECT_EQ(Profile().channels[5].gain, -60);
    EXPECT_EQ(TextOf("edit_ch_volume_5"), Tr("${off}"));
    PostChannelValue(8, 0, 5, -12);
    EXPECT_EQ(TextOf("edit_ch_volume_5"), "-12dB");
}

TEST_F(ManagerRepliesTest, MixerTrimsRoutingAndSceneNames) {
    // Input 1 routed to output 2 for the low-level source; an empty trim there means full level.
    auto source = std::make_unique<dv::DspValueRecord>();
    source->value = 0x55;
    PostReply(dv::WM_DSP_VALUE, 1, std::move(source));
    EXPECT_EQ(Profile().source, 4);
    EXPECT_EQ(FindAs<CComboUI>("btn_input_source")->GetCurSel(), 4);
    auto mix = std::make_unique<dv::MixRecord>();
    mix->source = 4;
    mix->channel = 2;
    mix->mask = 0x5;
    PostReply(dv::WM_DSP_VALUE, 11, std::move(mix));
    EXPECT_EQ(Profile().routing[4][2], 0x5);
    EXPECT_TRUE(FindAs<COptionUI>("option_ch_in1_2")->IsSelected())
        << "shown for the current source";
    EXPECT_FALSE(FindAs<COptionUI>("option_ch_in2_2")->IsSelected());
    EXPECT_TRUE(FindAs<COptionUI>("option_ch_in3_2")->IsSelected());

    auto trims = std::make_unique<dv::InputMixTrimRecord>();
    trims->source = 4;
    trims->inputChannel = 1;
    trims->firstOutput = 0;
    trims->lastOutput = 7;
    PostReply(dv::WM_DSP_VALUE, 36, std::move(trims));
    EXPECT_EQ(Profile().mixerTrim[4][1][2], 0) << "input 2 is not routed to output 2";
    auto routed = std::make_unique<dv::InputMixTrimRecord>();
    routed->source = 4;
    routed->inputChannel = 0;
    routed->firstOutput = 2;
    routed->lastOutput = 3;
    routed->trims[1] = 40;
    PostReply(dv::WM_DSP_VALUE, 36, std::move(routed));
    EXPECT_EQ(Profile().mixerTrim[4][0][2], 100);
    EXPECT_EQ(Profile().mixerTrim[4][0][3], 40);

    // Names travel as narrow text of the unit's code page.
    auto name = std::make_unique<dv::SceneNameRecord>();
    name->sceneIndex = 4;
    const uint8_t gbk[] = {0xD6, 0xD0, 0xCE, 0xC4, 'A', '1'};
    std::memcpy(name->name, gbk, sizeof gbk);
    PostReply(dv::WM_SCENE_VALUE, 11, std::move(name));
    EXPECT_EQ(m_wnd->Manager().SceneName(4), QString::fromUtf8("中文A1"));
    auto outside = std::make_unique<dv::SceneNameRecord>();
    outside->sceneIndex = 10;
    PostReply(dv::WM_SCENE_VALUE, 11, std::move(outside));
    EXPECT_EQ(m_wnd->Manager().SceneName(9), "");
}
