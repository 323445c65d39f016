#include "model/SpeakerRoles.h"

namespace dv {

namespace {

constexpr RoleFilterDefault kHpOff{20, 3, 0};
constexpr RoleFilterDefault kLpOff{20000, 3, 0};
constexpr RoleFilterDefault kHpTweeter{3400, 3, 2};
constexpr RoleFilterDefault kHpMid{600, 3, 2};
constexpr RoleFilterDefault kLpMid{1900, 3, 2};
constexpr RoleFilterDefault kHpWoofer{70, 3, 3};
constexpr RoleFilterDefault kLpWoofer{320, 3, 2};
constexpr RoleFilterDefault kHpMidWoofer{70, 3, 2};
constexpr RoleFilterDefault kHpSub{30, 1, 4};
constexpr RoleFilterDefault kLpSub{50, 1, 2};

bool InTable(int role) {
    return role >= 0 && role < kRoleCount;
}

}  // namespace

const std::array<SpeakerRole, kRoleCount> kSpeakerRoles = {{
    {"output_item_empty", "${empty}", "${empty}", 0, 0, kHpOff, kLpOff, 0x0, 0x0},
    {"output_menu_front_left_high_freq", "${tweeter}", "${front_left_tweeter}", 4, 7, kHpTweeter,
     kLpOff, 0x1, 0x1},
    {"output_menu_front_left_mid_freq", "${midrange}", "${front_left_midrange}", 2, 8, kHpMid,
     kLpMid, 0x1, 0x1},
    {"output_menu_front_left_low_freq", "${woofer}", "${front_left_woofer}", 1, 9, kHpWoofer,
     kLpWoofer, 0x1, 0x1},
    {"output_menu_front_left_mid_high_freq", "${midrange_tweeter}", "${front_left_mid_twee}", 6, 10,
     kHpMid, kLpOff, 0x1, 0x1},
    {"output_menu_front_left_mid_low_freq", "${midrange_woofer}", "${front_left_mid_woof}", 3, 11,
     kHpMidWoofer, kLpMid, 0x1, 0x1},
    {"output_menu_front_left_all_freq", "${full}", "${front_left_full}", 7, 12, kHpOff, kLpOff, 0x1,
     0x1},
    {"output_menu_front_right_high_freq", "${tweeter}", "${front_right_tweeter}", 4, 1, kHpTweeter,
     kLpOff, 0x2, 0x2},
    {"output_menu_front_right_mid_freq", "${midrange}", "${front_right_midrange}", 2, 2, kHpMid,
     kLpMid, 0x2, 0x2},
    {"output_menu_front_right_low_freq", "${woofer}", "${front_right_woofer}", 1, 3, kHpWoofer,
     kLpWoofer, 0x2, 0x2},
    {"output_menu_front_right_mid_high_freq", "${midrange_tweeter}", "${front_right_mid_twee}", 6,
     4, kHpMid, kLpOff, 0x2, 0x2},
    {"output_menu_front_right_mid_low_freq", "${midrange_woofer}", "${front_right_mid_woof}", 3, 5,
     kHpMidWoofer, kLpMid, 0x2, 0x2},
    {"output_menu_front_right_all_freq", "${full}", "${front_right_full}", 7, 6, kHpOff, kLpOff,
     0x2, 0x2},
    {"output_menu_rear_left_high_freq", "${tweeter}", "${rear_left_tweeter}", 4, 16, kHpTweeter,
     kLpOff, 0x4, 0x1},
    {"output_menu_rear_left_low_freq", "${woofer}", "${rear_left_woofer}", 1, 17, kHpWoofer,
     kLpWoofer, 0x4, 0x1},
    {"output_menu_rear_left_all_freq", "${full}", "${rear_left_full}", 7, 18, kHpOff, kLpOff, 0x4,
     0x1},
    {"output_menu_rear_right_high_freq", "${tweeter}", "${rear_right_tweeter}", 4, 13, kHpTweeter,
     kLpOff, 0x8, 0x2},
    {"output_menu_rear_right_low_freq", "${woofer}", "${rear_right_woofer}", 1, 14, kHpWoofer,
     kLpWoofer, 0x8, 0x2},
    {"output_menu_rear_right_all_freq", "${full}", "${rear_right_full}", 7, 15, kHpOff, kLpOff, 0x8,
     0x2},
    {"output_menu_center_high_freq", "${tweeter}", "${center_tweeter}", 4, 0, kHpTweeter, kLpOff,
     0x3, 0x3},
    {"output_menu_center_low_freq", "${woofer}", "${center_woofer}", 1, 0, kHpWoofer, kLpWoofer,
     0x3, 0x3},
    {"output_menu_center_all_freq", "${full}", "${center_full}", 7, 0, kHpOff, kLpOff, 0x3, 0x3},
    {"output_menu_subwoof_left", "${left_subwoofer}", "${left_subwoofer_freq}", 4, 23, kHpSub,
     kLpSub, 0x1, 0x1},
    {"output_menu_subwoof_right", "${right_subwoofer}", "${right_subwoofer_freq}", 2, 22, kHpSub,
     kLpSub, 0x2, 0x2},
    {"output_menu_subwoof_low", "${woofer}", "${subwoofer_freq}", 7, 0, kHpSub, kLpSub, 0x3, 0x3},
}};

const std::array<OutputMenuHeader, 8> kOutputMenuHeaders = {{
    {"output_menu_front", "${front}"},
    {"output_menu_front_left", "${left}"},
    {"output_menu_front_right", "${right}"},
    {"output_menu_rear", "${rear}"},
    {"output_menu_rear_left", "${left}"},
    {"output_menu_rear_right", "${right}"},
    {"output_menu_center", "${center}"},
    {"output_menu_subwoof", "${subwoofer}"},
}};

Crossover DefaultCrossover(int role) {
    const SpeakerRole& entry = kSpeakerRoles[InTable(role) ? role : 0];
    Crossover crossover;
    crossover.hp.SetType(entry.hp.type);
    crossover.hp.SetFs(entry.hp.fs);
    crossover.hp.SetSlope(entry.hp.slope);
    crossover.lp.SetType(entry.lp.type);
    crossover.lp.SetFs(entry.lp.fs);
    crossover.lp.SetSlope(entry.lp.slope);
    crossover.bpType = (entry.hp.slope != 0 ? 1 : 0) | (entry.lp.slope != 0 ? 2 : 0);
    return crossover;
}

int MirrorRole(int role) {
    return InTable(role) ? kSpeakerRoles[role].mirror : 0;
}

int RoleBands(int role) {
    return InTable(role) ? kSpeakerRoles[role].bands : 0;
}

std::string_view RoleItemName(int role) {
    return InTable(role) ? kSpeakerRoles[role].itemName : std::string_view{};
}

int RoleByItemName(std::string_view name) {
    for (int role = 0; role < kRoleCount; ++role) {
        if (kSpeakerRoles[role].itemName == name) return role;
    }
    return -1;
}

std::string_view RoleLongCaption(std::string_view name) {
    const int role = RoleByItemName(name);
    return role < 0 ? std::string_view{} : kSpeakerRoles[role].longCaption;
}

}  // namespace dv
