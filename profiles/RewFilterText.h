// Filter settings as Room EQ Wizard (REW) exchanges them as text ("export filter settings as
// text"): reading such a file into an output's bands and writing an output's bands in that form.
// Only peaking filters map onto the unit's bands; every other row is reported, never dropped.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/DspProfile.h"

namespace dv {

enum class RewRowKind { Peaking, Shelf, OtherType, Malformed };

// One filter row of the file, in file order; empty ("None") slots are not rows.
struct RewFilterRow {
    int line = 0;    // 1-based line of the file
    int number = 0;  // REW's filter number, 0 where it could not be read
    RewRowKind kind = RewRowKind::Malformed;
    bool on = true;
    std::string type;  // as written, e.g. "PK", "LS 6dB", "HP"
    // Peaking rows only; a "BW Oct" width is converted to Q.
    double fc = 0.0;
    double gain = 0.0;
    double q = 0.0;
};

struct RewFilterText {
    bool recognised = false;  // false: not REW filter text at all
    std::vector<RewFilterRow> rows;
};

// Any bytes are safe. Takes a UTF-8 byte order mark, CRLF or CR line ends and decimal commas.
RewFilterText ParseRewFilterText(std::string_view text);

enum class RewReadStatus { Ok, CannotOpen, NotRewText };
// Reads a whole file of at most kRewMaxFileBytes and parses it.
inline constexpr std::size_t kRewMaxFileBytes = 1 << 20;
RewReadStatus ReadRewFilterFile(const std::filesystem::path& path, RewFilterText& out);

// The ranges a band can take on the unit; gains as the band sliders allow.
struct RewBandLimits {
    int freqMin = kFreqMin;
    int freqMax = kFreqMax;
    float qMin = 0.5f;
    float qMax = 9.0f;
    float gainMin = -18.0f;
    float gainMax = 12.0f;
};

enum class RewSkipReason { Shelf, OtherType, TooManyRows, Malformed };

struct RewSkippedRow {
    int line = 0;
    int number = 0;
    RewSkipReason reason = RewSkipReason::Malformed;
    std::string type;
};

// What an import puts into an output of `bandCount` bands.
struct RewImportPlan {
    std::vector<EqBand> bands;  // bandCount bands: the filters by frequency, then flat bands
    int imported = 0;           // filters among them
    std::vector<RewSkippedRow> skipped;  // in file order
    std::vector<int> clamped;            // filter numbers brought into the limits
};

// Filters switched on take bands first, in file order, then those switched off (they become
// bands switched off). Values are rounded to the editors' steps (1 Hz, Q 0.01, 0.1 dB) and
// limited to `limits`.
RewImportPlan PlanRewImport(const RewFilterText& text, int bandCount, const RewBandLimits& limits);

// The bands as REW filter text: every band as a peaking filter, "ON" where it plays, "OFF" where
// it is switched off or the whole EQ is bypassed. `notes` goes on the "Notes:" line, control
// characters as spaces.
std::string WriteRewFilterText(std::span<const EqBand> bands, bool eqBypassed,
                               std::string_view notes);

// Q of a peaking filter given its bandwidth in octaves.
double RewQFromOctaves(double octaves);

}  // namespace dv
