#include "profiles/RewFilterText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <system_error>

namespace dv {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Same(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Same(text.substr(0, prefix.size()), prefix);
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && Same(text.substr(text.size() - suffix.size()), suffix);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && !IsSpace(text[i])) ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

// A plain decimal number; REW writes a decimal comma in some locales. Finite values only.
std::optional<double> Number(std::string_view token) {
    std::string text(token);
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    const size_t comma = text.find(',');
    if (comma != std::string::npos) {
        if (text.find('.') != std::string::npos || text.find(',', comma + 1) != std::string::npos)
            return std::nullopt;
        text[comma] = '.';
    }
    if (text.empty() || !(IsDigit(text.front()) || text.front() == '-' || text.front() == '.'))
        return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The values of a peaking row: "Fc 100 Hz Gain -3.5 dB Q 1.41" or "... BW Oct 0.667".
bool ReadPeakingValues(std::vector<std::string_view> tokens, RewFilterRow& row) {
    // A unit written against its number ("100Hz") is split off.
    std::vector<std::string_view> split;
    for (std::string_view token : tokens) {
        for (std::string_view unit : {"kHz", "Hz", "dB"}) {
            if (token.size() > unit.size() && EndsWith(token, unit) &&
                IsDigit(token[token.size() - unit.size() - 1])) {
                split.push_back(token.substr(0, token.size() - unit.size()));
                token = token.substr(token.size() - unit.size());
                break;
            }
        }
        split.push_back(token);
    }
    bool haveFc = false, haveGain = false, haveWidth = false;
    size_t i = 0;
    auto next = [&]() -> std::optional<double> {
        return i < split.size() ? Number(split[i++]) : std::nullopt;
    };
    while (i < split.size()) {
        const std::string_view key = split[i++];
        if (Same(key, "Fc") && !haveFc) {
            const std::optional<double> fc = next();
            if (!fc) return false;
            row.fc = *fc;
            if (i < split.size() && Same(split[i], "Hz")) {
                ++i;
            } else if (i < split.size() && Same(split[i], "kHz")) {
                row.fc *= 1000.0;
                ++i;
            }
            haveFc = row.fc > 0.0;
            if (!haveFc) return false;
        } else if (Same(key, "Gain") && !haveGain) {
            const std::optional<double> gain = next();
            if (!gain) return false;
            row.gain = *gain;
            if (i < split.size() && Same(split[i], "dB")) ++i;
            haveGain = true;
        } else if (Same(key, "Q") && !haveWidth) {
            const std::optional<double> q = next();
            if (!q || *q <= 0.0) return false;
            row.q = *q;
            haveWidth = true;
        } else if (Same(key, "BW") && !haveWidth) {
            if (i >= split.size() || !Same(split[i++], "Oct")) return false;
            const std::optional<double> octaves = next();
            if (!octaves || *octaves <= 0.0) return false;
            row.q = RewQFromOctaves(*octaves);
            if (!std::isfinite(row.q) || row.q <= 0.0) return false;
            haveWidth = true;
        } else {
            return false;
        }
    }
    return haveFc && haveGain && haveWidth;
}

// The part after "Filter N:"; false for an empty ("None") slot.
bool ReadRowBody(std::string_view body, RewFilterRow& row) {
    std::vector<std::string_view> tokens = Tokens(body);
    size_t at = 0;
    if (at < tokens.size() && (Same(tokens[at], "ON") || Same(tokens[at], "OFF"))) {
        row.on = Same(tokens[at], "ON");
        ++at;
    }
    const size_t typeStart = at;
    while (at < tokens.size() && !Same(tokens[at], "Fc")) ++at;
    for (size_t t = typeStart; t < at; ++t) {
        if (!row.type.empty()) row.type += ' ';
        row.type += tokens[t];
    }
    if (typeStart == at) {
        row.kind = RewRowKind::Malformed;
        return true;
    }
    const std::string_view first = tokens[typeStart];
    if (Same(first, "None")) return false;
    if (Same(first, "PK")) {
        // A peaking row has exactly the type "PK".
        const bool valid =
            at == typeStart + 1 &&
            ReadPeakingValues({tokens.begin() + static_cast<long>(at), tokens.end()}, row);
        row.kind = valid ? RewRowKind::Peaking : RewRowKind::Malformed;
        if (!valid) row.fc = row.gain = row.q = 0.0;
        return true;
    }
    row.kind = StartsWith(first, "LS") || StartsWith(first, "HS") ? RewRowKind::Shelf
                                                                  : RewRowKind::OtherType;
    return true;
}

// "Filter 12: ..." gives the filter number and the position after the colon. A line of the
// shape "Filter <digits>" without its colon is a row as well, a malformed one.
bool RowStart(std::string_view line, int& number, size_t& bodyAt, bool& colon) {
    if (!StartsWith(line, "Filter")) return false;
    size_t i = 6;
    while (i < line.size() && IsSpace(line[i])) ++i;
    const size_t digits = i;
    while (i < line.size() && IsDigit(line[i])) ++i;
    if (i == digits) return false;
    number = 0;
    const auto [end, error] = std::from_chars(line.data() + digits, line.data() + i, number);
    if (error != std::errc() || end != line.data() + i) number = 0;
    while (i < line.size() && IsSpace(line[i])) ++i;
    colon = i < line.size() && line[i] == ':';
    bodyAt = colon ? i + 1 : i;
    return true;
}

// Rounds to `steps` per unit and limits; `moved` when the limit changed the rounded value.
double Fit(double value, double steps, double low, double high, bool& moved) {
    const double rounded = std::round(value * steps) / steps;
    const double fitted = std::clamp(rounded, low, high);
    if (fitted != rounded) moved = true;
    return fitted;
}

void FormatFixed(std::string& out, double value, int decimals, size_t width) {
    const double scale = std::pow(10.0, decimals);
    value = std::round(value * scale) / scale + 0.0;  // no "-0.00"
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    const std::string_view text(buffer, result.ec == std::errc() ? result.ptr - buffer : 0);
    if (text.size() < width) out.append(width - text.size(), ' ');
    out += text;
}

}  // namespace

double RewQFromOctaves(double octaves) {
    const double ratio = std::exp2(octaves);
    return std::sqrt(ratio) / (ratio - 1.0);
}

RewFilterText ParseRewFilterText(std::string_view text) {
    RewFilterText result;
    // Binary content is no text of any kind.
    if (text.find('\0') != std::string_view::npos) return result;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    bool firstLine = true;
    int lineNumber = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(at, end - at));
        ++lineNumber;
        at = end;
        if (at < text.size())
            at += text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
        if (line.empty()) continue;
        if (firstLine && Same(line, "Filter Settings file")) result.recognised = true;
        firstLine = false;
        int number = 0;
        size_t bodyAt = 0;
        bool colon = false;
        if (!RowStart(line, number, bodyAt, colon)) continue;
        result.recognised = true;
        RewFilterRow row;
        row.line = lineNumber;
        row.number = number;
        const bool wellFormed = colon && number > 0;
        if (!ReadRowBody(line.substr(bodyAt), row) && wellFormed) continue;  // an empty slot
        if (!wellFormed) row.kind = RewRowKind::Malformed;
        result.rows.push_back(std::move(row));
    }
    return result;
}

RewReadStatus ReadRewFilterFile(const std::filesystem::path& path, RewFilterText& out) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return RewReadStatus::CannotOpen;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return RewReadStatus::CannotOpen;
    // A filter list is a few kilobytes; anything far larger is some other file.
    if (size > kRewMaxFileBytes) return RewReadStatus::NotRewText;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return RewReadStatus::CannotOpen;
    std::string text(static_cast<size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size)) return RewReadStatus::CannotOpen;
    out = ParseRewFilterText(text);
    return out.recognised ? RewReadStatus::Ok : RewReadStatus::NotRewText;
}

RewImportPlan PlanRewImport(const RewFilterText& text, int bandCount, const RewBandLimits& limits) {
    RewImportPlan plan;
    bandCount = std::clamp(bandCount, 0, kMaxBands);
    std::vector<const RewFilterRow*> peaking;
    for (bool on : {true, false}) {
        for (const RewFilterRow& row : text.rows) {
            const bool usable = row.kind == RewRowKind::Peaking && std::isfinite(row.fc) &&
                                std::isfinite(row.gain) && std::isfinite(row.q) && row.q > 0.0;
            if (usable && row.on == on) peaking.push_back(&row);
        }
    }
    const size_t taken = std::min(peaking.size(), static_cast<size_t>(bandCount));
    std::vector<const RewFilterRow*> used(peaking.begin(),
                                          peaking.begin() + static_cast<long>(taken));
    std::stable_sort(used.begin(), used.end(),
                     [](const RewFilterRow* a, const RewFilterRow* b) { return a->fc < b->fc; });
    for (const RewFilterRow* row : used) {
        bool moved = false;
        EqBand band;
        band.freq = static_cast<int32_t>(Fit(row->fc, 1.0, limits.freqMin, limits.freqMax, moved));
        band.eqFactor = static_cast<float>(Fit(row->q, 100.0, limits.qMin, limits.qMax, moved));
        band.eqGain =
            static_cast<float>(Fit(row->gain, 10.0, limits.gainMin, limits.gainMax, moved));
        band.enable = row->on ? 1 : 0;
        if (moved) plan.clamped.push_back(row->number);
        plan.bands.push_back(band);
    }
    plan.imported = static_cast<int>(plan.bands.size());
    for (int b = plan.imported; b < bandCount; ++b)
        plan.bands.push_back(EqBand{0.0f, kDefaultQ, kBandFrequencies[b], 1});
    std::sort(plan.clamped.begin(), plan.clamped.end());

    for (const RewFilterRow& row : text.rows) {
        RewSkippedRow skip{row.line, row.number, RewSkipReason::Malformed, row.type};
        switch (row.kind) {
            case RewRowKind::Shelf:
                skip.reason = RewSkipReason::Shelf;
                break;
            case RewRowKind::OtherType:
                skip.reason = RewSkipReason::OtherType;
                break;
            case RewRowKind::Malformed:
                break;
            case RewRowKind::Peaking:
                if (std::find(used.begin(), used.end(), &row) != used.end()) continue;
                skip.reason = std::find(peaking.begin(), peaking.end(), &row) != peaking.end()
                                  ? RewSkipReason::TooManyRows
                                  : RewSkipReason::Malformed;
                break;
        }
        plan.skipped.push_back(std::move(skip));
    }
    return plan;
}

std::string WriteRewFilterText(std::span<const EqBand> bands, bool eqBypassed,
                               std::string_view notes) {
    std::string out = "Filter Settings file\n\nStormedge DSP Audio\n\nNotes:";
    // One line of plain text: control characters would end the line or make the file unreadable.
    for (char c : notes) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    out += "\n\nEqualiser: Generic\n";
    int number = 0;
    for (const EqBand& band : bands) {
        ++number;
        const bool on = !eqBypassed && band.enable == 1;
        out += "Filter ";
        if (number < 10) out += ' ';
        out += std::to_string(number);
        out += on ? ": ON  PK       Fc " : ": OFF PK       Fc ";
        FormatFixed(out, band.freq, 0, 6);
        out += " Hz  Gain ";
        FormatFixed(out, band.eqGain, 2, 6);
        out += " dB  Q ";
        FormatFixed(out, band.eqFactor, 3, 6);
        out += '\n';
    }
    return out;
}

}  // namespace dv
