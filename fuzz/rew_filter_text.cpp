// Any bytes as REW filter text: no crash, every row accounted for, an import plan inside the
// unit's ranges, and the panel's own export of that plan read back unchanged.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <tuple>
#include <vector>

#include "profiles/RewFilterText.h"

namespace {

std::vector<std::tuple<int, int, float, float>> Sorted(const std::vector<dv::EqBand>& bands) {
    std::vector<std::tuple<int, int, float, float>> out;
    for (const dv::EqBand& b : bands) out.emplace_back(b.freq, b.enable, b.eqGain, b.eqFactor);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const dv::RewFilterText text = dv::ParseRewFilterText(input);
    if (!text.recognised && !text.rows.empty()) std::abort();
    const dv::RewBandLimits limits;
    for (int bands : {11, 31}) {
        const dv::RewImportPlan plan = dv::PlanRewImport(text, bands, limits);
        if (static_cast<int>(plan.bands.size()) != bands || plan.imported > bands) std::abort();
        // Every row is either a band or named in the list of rows left out.
        if (static_cast<size_t>(plan.imported) + plan.skipped.size() != text.rows.size())
            std::abort();
        for (const dv::EqBand& band : plan.bands) {
            if (band.freq < limits.freqMin || band.freq > limits.freqMax ||
                !(band.eqFactor >= limits.qMin && band.eqFactor <= limits.qMax) ||
                !(band.eqGain >= limits.gainMin && band.eqGain <= limits.gainMax))
                std::abort();
        }
        const dv::RewFilterText again =
            dv::ParseRewFilterText(dv::WriteRewFilterText(plan.bands, false, input.substr(0, 64)));
        const dv::RewImportPlan back = dv::PlanRewImport(again, bands, limits);
        if (back.imported != bands || !back.skipped.empty()) std::abort();
        // The same bands; their order may differ where the flat ones or equal frequencies meet.
        if (Sorted(plan.bands) != Sorted(back.bands)) std::abort();
    }
    return 0;
}
