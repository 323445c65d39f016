#include <gtest/gtest.h>

#include "model/DspProfile.h"
#include "model/FrequencyStep.h"
#include "model/InputSources.h"
#include "model/SpeakerRoles.h"

namespace dv {
namespace {

DspProfile WithRoles(std::array<int32_t, kOutputCount> roles) {
    DspProfile profile;
    profile.roles = roles;
    return profile;
}

TEST(ModelDefaults, ResetGivesTheDocumentedStartingPoint) {
    DspProfile profile;
    profile.mainVolume = 3;
    profile.channels[2].eqArray[4].eqGain = 5.0f;
    profile.roles[0] = 1;
    profile.ResetDefaults();

    EXPECT_EQ(profile.roles, kDefaultRoles);
    EXPECT_EQ(profile.mainVolume, -5);
    EXPECT_EQ(profile.inputThreshold, -40);
    EXPECT_EQ(profile.modelCode, -1);
    EXPECT_EQ(profile.channelCount, 8);
    for (int output = 0; output < kOutputCount; ++output) {
        const OutputChannel& channel = profile.channels[output];
        EXPECT_EQ(channel.eqSize, output < 6 ? 31 : 11) << output;
        EXPECT_EQ(channel.phase, 1);
        EXPECT_EQ(channel.bypass, 1);
        EXPECT_EQ(profile.linkOutputs[output], -1);
        for (int band = 0; band < channel.eqSize; ++band) {
            EXPECT_EQ(channel.eqArray[band].eqGain, 0.0f);
            EXPECT_EQ(channel.eqArray[band].eqFactor, 5.8f);
            EXPECT_EQ(channel.eqArray[band].enable, 1);
        }
    }
    EXPECT_EQ(profile.channels[0].eqArray[17].freq, 1000);
    EXPECT_EQ(profile.channels[7].eqArray[10].freq, 200);
    EXPECT_EQ(profile.mixerTrim[6][7][7], 100);
    EXPECT_EQ(profile.mixerPhase[2][1][3], 0);

    // Output 7 holds the left subwoofer: 30 Hz Butterworth 4th order / 50 Hz 2nd order.
    const Crossover& sub = profile.channels[6].crossover;
    EXPECT_EQ(sub.hp.fs, 30);
    EXPECT_EQ(sub.hp.type, 1);
    EXPECT_EQ(sub.hp.slope, 4);
    EXPECT_EQ(sub.hp.bypass, 0);
    EXPECT_EQ(sub.lp.fs, 50);
    EXPECT_EQ(sub.bpType, 3);
    // Output 1 is full range: both sides off.
    EXPECT_EQ(profile.channels[0].crossover.hp.bypass, 1);
    EXPECT_EQ(profile.channels[0].crossover.lp.bypass, 1);
    EXPECT_EQ(profile.channels[0].crossover.bpType, 0);
}

TEST(ModelDefaults, RoutingFollowsRolesAndSourceTable) {
    const DspProfile profile;
    // Rear left full (output 3): inputs 3 on four-input sources, input 1 on two-input sources.
    EXPECT_EQ(profile.routing[4][2], 0x4);
    EXPECT_EQ(profile.routing[0][2], 0x4);
    EXPECT_EQ(profile.routing[2][2], 0x1);
    EXPECT_EQ(profile.routing[3][3], 0x2);
    EXPECT_EQ(profile.routing[6][3], 0x2);
    // Centre outputs take inputs 1 and 2 everywhere.
    EXPECT_EQ(profile.routing[5][4], 0x3);
    EXPECT_EQ(profile.routing[2][5], 0x3);
}

TEST(ModelFrequencyStep, StepsLogarithmicallyAndHoldsTheLimits) {
    EXPECT_EQ(StepFrequency(1000, true), 1026);
    EXPECT_EQ(StepFrequency(1000, false), 957);
    EXPECT_EQ(StepFrequency(20, true), 21);
    EXPECT_EQ(StepFrequency(20000, true), 20000);
    EXPECT_EQ(StepFrequency(20, false), 20);
    // Values outside the range step from the nearer limit instead of misbehaving.
    EXPECT_EQ(StepFrequency(0, true), 21);
    EXPECT_EQ(StepFrequency(-7, false), 20);
    EXPECT_EQ(StepFrequency(50000, true), 20000);
}

TEST(ModelFrequencyStep, EveryStepMovesMonotonicallyWithinTheRange) {
    int32_t freq = 20;
    for (int i = 0; i < 250 && freq < 20000; ++i) {
        const int32_t next = StepFrequency(freq, true);
        ASSERT_GT(next, freq);
        ASSERT_LE(next, 20000);
        freq = next;
    }
    EXPECT_EQ(freq, 20000);
    for (int i = 0; i < 250 && freq > 20; ++i) {
        const int32_t next = StepFrequency(freq, false);
        ASSERT_LT(next, freq);
        ASSERT_GE(next, 20);
        freq = next;
    }
    EXPECT_EQ(freq, 20);
}

TEST(ModelLink, MirrorRolesInOneBankAreLinked) {
    DspProfile profile = WithRoles({6, 12, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(profile.IsLinkable());
    profile.ComputeLinkPartners();
    EXPECT_EQ(profile.linkOutputs, (std::array<int32_t, 8>{1, 0, -1, -1, -1, -1, -1, -1}));

    // Defaults: front, rear and subwoofer pairs; the centre outputs have no mirror.
    DspProfile defaults;
    defaults.ComputeLinkPartners();
    EXPECT_EQ(defaults.linkOutputs, (std::array<int32_t, 8>{1, 0, 3, 2, -1, -1, 7, 6}));
}

TEST(ModelLink, PairsAcrossBanksAndRolesWithoutMirrorAreNotLinked) {
    DspProfile profile = WithRoles({22, 0, 0, 0, 0, 0, 23, 0});
    EXPECT_FALSE(profile.IsLinkable());
    profile.ComputeLinkPartners();
    for (int32_t partner : profile.linkOutputs) EXPECT_EQ(partner, -1);

    DspProfile centre = WithRoles({19, 19, 21, 24, 0, 0, 0, 0});
    EXPECT_FALSE(centre.IsLinkable());
    centre.ComputeLinkPartners();
    for (int32_t partner : centre.linkOutputs) EXPECT_EQ(partner, -1);

    // Empty outputs never pair with each other.
    DspProfile empty = WithRoles({0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(empty.IsLinkable());
    empty.ComputeLinkPartners();
    for (int32_t partner : empty.linkOutputs) EXPECT_EQ(partner, -1);
}

TEST(ModelLink, RepeatedRolesPairOnlyMutually) {
    struct Case {
        std::array<int32_t, 8> roles;
        std::array<int32_t, 8> partners;
    };
    const Case cases[] = {
        {{6, 12, 6, 0, 0, 0, 0, 0}, {1, 0, -1, -1, -1, -1, -1, -1}},
        {{6, 12, 6, 12, 0, 0, 0, 0}, {1, 0, 3, 2, -1, -1, -1, -1}},
        {{12, 12, 6, 0, 0, 0, 0, 0}, {2, -1, 0, -1, -1, -1, -1, -1}},
        {{0, 0, 0, 0, 0, 22, 23, 23}, {-1, -1, -1, -1, -1, -1, -1, -1}},
        {{0, 0, 0, 0, 0, 0, 22, 22}, {-1, -1, -1, -1, -1, -1, -1, -1}},
        {{22, 23, 22, 23, 23, 0, 22, 23}, {1, 0, 3, 2, -1, -1, 7, 6}},
    };
    for (const Case& c : cases) {
        DspProfile profile = WithRoles(c.roles);
        profile.ComputeLinkPartners();
        EXPECT_EQ(profile.linkOutputs, c.partners) << ::testing::PrintToString(c.roles);
        bool any = false;
        for (int i = 0; i < kOutputCount; ++i) {
            const int p = profile.linkOutputs[i];
            any = any || p >= 0;
            if (p >= 0) {
                EXPECT_EQ(profile.linkOutputs[p], i);
            }
        }
        EXPECT_EQ(profile.IsLinkable(), any);
    }
}

TEST(ModelRoles, AFullRangeFrontLeftExcludesTheWholeFrontLeftGroup) {
    const DspProfile profile = WithRoles({6, 0, 0, 0, 0, 0, 0, 0});
    for (int output = 1; output < kOutputCount; ++output) {
        for (int role = 1; role <= 6; ++role) {
            EXPECT_FALSE(profile.IsRoleAvailable(role, output)) << role << " on " << output;
        }
        for (int role = 7; role <= 24; ++role) {
            EXPECT_TRUE(profile.IsRoleAvailable(role, output)) << role << " on " << output;
        }
        EXPECT_TRUE(profile.IsRoleAvailable(0, output));
    }
    // The output holding the role may choose any other one.
    for (int role = 0; role <= 24; ++role) EXPECT_TRUE(profile.IsRoleAvailable(role, 0));
    EXPECT_FALSE(profile.IsRoleAvailable(25, 1));
    EXPECT_FALSE(profile.IsRoleAvailable(-1, 1));
}

TEST(ModelRoles, OnlyOverlappingBandsOfOnePositionExcludeEachOther) {
    const DspProfile profile = WithRoles({1, 22, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(profile.IsRoleAvailable(4, 2));  // mid-tweeter shares the tweeter's band
    EXPECT_TRUE(profile.IsRoleAvailable(2, 2));   // midrange does not
    EXPECT_TRUE(profile.IsRoleAvailable(3, 2));
    EXPECT_TRUE(profile.IsRoleAvailable(23, 2));   // left and right subwoofer coexist
    EXPECT_FALSE(profile.IsRoleAvailable(24, 2));  // the mono subwoofer does not
    EXPECT_TRUE(profile.IsRoleInUse(22));
    EXPECT_FALSE(profile.IsRoleInUse(23));
}

TEST(ModelRoles, TableLookups) {
    EXPECT_EQ(RoleItemName(24), "output_menu_subwoof_low");
    EXPECT_EQ(RoleItemName(25), "");
    EXPECT_EQ(RoleItemName(-1), "");
    EXPECT_EQ(RoleByItemName("output_menu_rear_right_low_freq"), 17);
    EXPECT_EQ(RoleByItemName("output_item_empty"), 0);
    EXPECT_EQ(RoleByItemName("output_menu_front"), -1);
    EXPECT_EQ(RoleLongCaption("output_menu_front_left_mid_high_freq"), "${front_left_mid_twee}");
    EXPECT_EQ(RoleLongCaption("nothing"), "");
    for (int role = 0; role < kRoleCount; ++role) {
        const int mirror = MirrorRole(role);
        if (mirror != 0) {
            EXPECT_EQ(MirrorRole(mirror), role) << role;
        }
    }
    EXPECT_EQ(MirrorRole(3), 9);
    EXPECT_EQ(MirrorRole(14), 17);
    EXPECT_EQ(MirrorRole(21), 0);
    EXPECT_EQ(MirrorRole(99), 0);
    const Crossover unknown = DefaultCrossover(99);
    const Crossover empty = DefaultCrossover(0);
    EXPECT_EQ(unknown.hp.fs, empty.hp.fs);
    EXPECT_EQ(unknown.lp.fs, 20000);
    EXPECT_EQ(unknown.hp.type, 3);
    const Crossover woofer = DefaultCrossover(3);
    EXPECT_EQ(woofer.hp.fs, 70);
    EXPECT_EQ(woofer.hp.slope, 3);
    EXPECT_EQ(woofer.lp.fs, 320);
    EXPECT_EQ(woofer.bpType, 3);
    EXPECT_EQ(DefaultCrossover(1).bpType, 1);
}

TEST(ModelCrossover, SettersKeepValuesInRange) {
    FilterSection section;
    section.SetFs(19);
    EXPECT_EQ(section.fs, 20);
    section.SetFs(20001);
    EXPECT_EQ(section.fs, 20);
    section.SetFs(20000);
    EXPECT_EQ(section.fs, 20000);
    section.SetType(0);
    EXPECT_EQ(section.type, 1);
    section.SetType(3);
    EXPECT_EQ(section.type, 3);
    section.SetType(4);
    EXPECT_EQ(section.type, 1);
    section.SetSlope(4);
    EXPECT_EQ(section.slope, 4);
    EXPECT_EQ(section.bypass, 0);
    section.SetSlope(-3);
    EXPECT_EQ(section.slope, 0);
    EXPECT_EQ(section.bypass, 1);

    Crossover crossover;
    crossover.lp.SetFs(25000);
    EXPECT_EQ(crossover.lp.fs, 20);
}

TEST(ModelCopyOutput, CopiesBandsCrossoverBypassAndVolumeOnly) {
    DspProfile profile;
    OutputChannel& from = profile.channels[0];
    for (int band = 0; band < kMaxBands; ++band) {
        from.eqArray[band] =
            EqBand{0.5f * band, 1.0f + band, 100 + band, band % 2 ? uint8_t{0} : uint8_t{1}};
    }
    from.crossover.hp.fs = 5;  // stored past the setters: the copy applies them
    from.crossover.hp.type = 0;
    from.crossover.hp.slope = 3;
    from.crossover.lp = {900, 2, 0, 0};
    from.crossover.bpType = 7;
    from.bypass = 0;
    from.gain = -12;
    from.delay = 4.5f;
    from.mute = 1;
    from.phase = 0;

    const EqBand untouched = profile.channels[6].eqArray[11];
    profile.CopyOutput(0, 6);
    const OutputChannel& to = profile.channels[6];
    for (int band = 0; band < kSmallBands; ++band) {
        EXPECT_EQ(to.eqArray[band].freq, 100 + band);
        EXPECT_EQ(to.eqArray[band].eqGain, 0.5f * band);
        EXPECT_EQ(to.eqArray[band].eqFactor, 1.0f + band);
        EXPECT_EQ(to.eqArray[band].enable, band % 2 ? 0 : 1);
    }
    EXPECT_EQ(to.eqArray[11].freq, untouched.freq);
    EXPECT_EQ(to.eqSize, 11);
    EXPECT_EQ(to.crossover.hp.fs, 20);
    EXPECT_EQ(to.crossover.hp.type, 1);
    EXPECT_EQ(to.crossover.hp.slope, 3);
    EXPECT_EQ(to.crossover.hp.bypass, 0);
    EXPECT_EQ(to.crossover.lp.fs, 900);
    EXPECT_EQ(to.crossover.lp.type, 2);
    EXPECT_EQ(to.crossover.lp.bypass, 1);  // follows the slope, not the source's flag
    EXPECT_EQ(to.crossover.bpType, 3);     // the subwoofer's own
    EXPECT_EQ(to.bypass, 0);
    EXPECT_EQ(to.gain, -12);
    EXPECT_EQ(to.delay, 0.0f);
    EXPECT_EQ(to.mute, 0);
    EXPECT_EQ(to.phase, 1);
}

TEST(ModelCopyOutput, ASmallOutputFillsOnlyItsOwnBandsOfALargeOne) {
    DspProfile profile;
    profile.channels[7].eqArray[3].eqGain = 2.5f;
    profile.channels[1].eqArray[20].eqGain = -4.0f;
    profile.CopyOutput(7, 1);
    EXPECT_EQ(profile.channels[1].eqArray[3].eqGain, 2.5f);
    EXPECT_EQ(profile.channels[1].eqArray[20].eqGain, -4.0f);

    // Indexes outside the outputs change nothing.
    const DspProfile before = profile;
    profile.CopyOutput(8, 0);
    profile.CopyOutput(0, -1);
    EXPECT_EQ(profile.channels[0].gain, before.channels[0].gain);
    EXPECT_EQ(profile.channels[0].eqArray[0].eqGain, before.channels[0].eqArray[0].eqGain);
}

TEST(ModelBands, OutOfRangeIndexesDesignateTheFirstOutput) {
    DspProfile profile;
    profile.channels[0].eqArray[0].eqGain = 1.5f;
    EXPECT_EQ(profile.Bands(8)[0].eqGain, 1.5f);
    EXPECT_EQ(profile.Bands(-1).size(), 31u);
    EXPECT_EQ(profile.Bands(7).size(), 11u);
    EXPECT_EQ(profile.BandCount(7), 11);
    EXPECT_EQ(profile.BandCount(42), 31);
    profile.Bands(3)[30].freq = 19999;
    EXPECT_EQ(profile.channels[3].eqArray[30].freq, 19999);
}

TEST(ModelBands, ACopyOwnsItsBands) {
    DspProfile original;
    DspProfile copy = original;
    copy.Bands(2)[5].eqGain = 9.0f;
    EXPECT_EQ(original.Bands(2)[5].eqGain, 0.0f);
    EXPECT_EQ(copy.channels[2].eqArray[5].eqGain, 9.0f);
}

TEST(ModelSources, DeviceCodesAndMixerInputs) {
    EXPECT_EQ(SourceIndexFromCode(0x51), 0);
    EXPECT_EQ(SourceIndexFromCode(0x57), 6);
    EXPECT_EQ(SourceIndexFromCode(0x53), 2);
    EXPECT_EQ(SourceIndexFromCode(0x50), 4);
    EXPECT_EQ(SourceIndexFromCode(0x58), 4);
    EXPECT_EQ(SourceIndexFromCode(-1), 4);
    EXPECT_EQ(kInputSources[SourceIndexFromCode(0x50)].itemName, "source_low");
    EXPECT_EQ(SourceDeviceCode(5), 0x56);
    EXPECT_EQ(SourceDeviceCode(9), 0x55);
    EXPECT_EQ(SourceMixerInputs(2), 2);
    EXPECT_EQ(SourceMixerInputs(4), 4);
    EXPECT_EQ(SourceMixerInputs(5), 4);
    EXPECT_EQ(SourceMixerInputs(0), 0);
    EXPECT_EQ(SourceMixerInputs(7), 0);
}

}  // namespace
}  // namespace dv
