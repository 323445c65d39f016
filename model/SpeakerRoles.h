// The speaker-role table: what each of the 25 roles (0 = empty) is called in the output menu,
// which bands it covers, its partner on the other side and its default crossover and routing.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "model/DspProfile.h"

namespace dv {

// Band mask bits of a role.
inline constexpr int kBandHigh = 4;
inline constexpr int kBandMid = 2;
inline constexpr int kBandLow = 1;

struct RoleFilterDefault {
    int32_t fs;
    int32_t type;
    int32_t slope;
};

struct SpeakerRole {
    std::string_view itemName;      // output-menu item
    std::string_view shortCaption;  // menu entry text (language key)
    std::string_view longCaption;   // output button text (language key)
    int bands;
    int mirror;  // partner role on the other side, 0 = none
    RoleFilterDefault hp;
    RoleFilterDefault lp;
    int32_t routingA;  // default routing mask, sources with four inputs
    int32_t routingB;  // default routing mask, two-input sources
};

extern const std::array<SpeakerRole, kRoleCount> kSpeakerRoles;

struct OutputMenuHeader {
    std::string_view itemName;
    std::string_view caption;
};

// Sub-menu headers of the output menu.
extern const std::array<OutputMenuHeader, 8> kOutputMenuHeaders;

// Default roles of outputs 1 .. 8.
inline constexpr std::array<int32_t, kOutputCount> kDefaultRoles = {6, 12, 15, 18, 19, 20, 22, 23};

// A role outside 0 .. 24 is taken as 0.
Crossover DefaultCrossover(int role);
int MirrorRole(int role);
int RoleBands(int role);
// Empty for a role outside the table.
std::string_view RoleItemName(int role);
// -1 for a name outside the table.
int RoleByItemName(std::string_view name);
// Empty for a name outside the table.
std::string_view RoleLongCaption(std::string_view name);

}  // namespace dv
