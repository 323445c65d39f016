// REW filter text and response text: every row variant REW writes, refusals, the import plan
// (order, limits, rows left out), and export -> import over every band value an editor can set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "curves/FilterMath.h"
#include "profiles/RewFilterText.h"
#include "profiles/RewResponseText.h"

namespace fs = std::filesystem;

namespace dv {
namespace {

// "number:type:state values" for a readable row, "line N:reason" otherwise.
std::string Describe(const RewFilterRow& row) {
    char text[160];
    switch (row.kind) {
        case RewRowKind::Peaking:
            std::snprintf(text, sizeof text, "%d:PK:%s %.2f/%.2f/%.3f", row.number,
                          row.on ? "on" : "off", row.fc, row.gain, row.q);
            return text;
        case RewRowKind::Shelf:
            return std::to_string(row.number) + ":shelf:" + row.type;
        case RewRowKind::OtherType:
            return std::to_string(row.number) + ":other:" + row.type;
        case RewRowKind::Malformed:
            return "line " + std::to_string(row.line) + ":malformed";
    }
    return {};
}

std::vector<std::string> Rows(std::string_view text) {
    std::vector<std::string> out;
    for (const RewFilterRow& row : ParseRewFilterText(text).rows) out.push_back(Describe(row));
    return out;
}

// Q of a width in octaves, by the textbook formula (not the one the reader uses).
double QOfOctaves(double n) {
    return 1.0 / (2.0 * std::sinh(std::log(2.0) / 2.0 * n));
}

std::string Pk(double q) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", q);
    return text;
}

TEST(RewFilterText, EveryRowVariantReadsAsREWMeansIt) {
    const std::string header =
        "Filter Settings file\n\nRoom EQ V5.20\nDated: 12-Jan-2021 21:14:04\n\nNotes:front "
        "left, Filter 4 moved\n\nEqualiser: Generic\nAverage 1\n";
    struct Row {
        const char* name;
        std::string text;
        std::vector<std::string> rows;
    };
    const Row rows[] = {
        {"peaking with Q",
         header + "Filter  1: ON  PK       Fc   100.00 Hz  Gain  -3.50 dB  Q  1.410\n",
         {"1:PK:on 100.00/-3.50/1.410"}},
        {"width in octaves",
         "Filter  2: ON  PK       Fc 1000 Hz Gain 2.0 dB BW Oct 0.667",
         {"2:PK:on 1000.00/2.00/" + Pk(QOfOctaves(0.667))}},
        {"decimal comma",
         "Filter  1: ON  PK       Fc   100,00 Hz  Gain  -3,50 dB  Q  1,410",
         {"1:PK:on 100.00/-3.50/1.410"}},
        {"CRLF, BOM and kHz",
         "\xEF\xBB\xBF"
         "Filter Settings file\r\n\r\nFilter 1: ON PK Fc 1.25 kHz Gain 1 dB Q 2\r\n"
         "Filter 2: OFF PK Fc 50Hz Gain -1dB Q 3\r\n",
         {"1:PK:on 1250.00/1.00/2.000", "2:PK:off 50.00/-1.00/3.000"}},
        {"CR line ends",
         "Filter 1: ON PK Fc 60 Hz Gain 1 dB Q 2\rFilter 2: ON PK Fc 70 Hz Gain 2 dB Q 3",
         {"1:PK:on 60.00/1.00/2.000", "2:PK:on 70.00/2.00/3.000"}},
        {"empty slots are no rows", "Filter 19: ON  None\nFilter 20: OFF None\n", {}},
        {"shelves",
         "Filter 3: ON LS Fc 80 Hz Gain 3 dB\nFilter 4: ON HS Fc 8000 Hz Gain -2 dB\n"
         "Filter 5: ON LSC Fc 90 Hz Gain 3 dB Q 0.7\nFilter 6: ON HSC 12dB Fc 9000 Hz Gain 1 dB\n"
         "Filter 7: ON LS 6dB Fc 100 Hz Gain 2 dB\n",
         {"3:shelf:LS", "4:shelf:HS", "5:shelf:LSC", "6:shelf:HSC 12dB", "7:shelf:LS 6dB"}},
        {"other types",
         "Filter 8: ON LP Fc 18000 Hz\nFilter 9: ON HP Fc 25 Hz\nFilter 10: ON LPQ Fc 100 Hz Q "
         "0.7\n"
         "Filter 11: ON HPQ Fc 30 Hz Q 0.5\nFilter 12: ON NO Fc 50 Hz\nFilter 13: ON AP Fc 1 kHz\n"
         "Filter 14: ON BP Fc 1 kHz\nFilter 15: ON Modal Fc 40 Hz Gain -6 dB T60 target 300 ms\n",
         {"8:other:LP", "9:other:HP", "10:other:LPQ", "11:other:HPQ", "12:other:NO", "13:other:AP",
          "14:other:BP", "15:other:Modal"}},
        {"malformed rows",
         "Filter 1: ON PK Fc abc Hz Gain 1 dB Q 1\nFilter 2: ON PK Fc 100 Hz Gain 1 dB\n"
         "Filter 3 ON PK Fc 100 Hz Gain 1 dB Q 1\nFilter 4:\nFilter 5: ON PK Fc 100 Hz Gain 1 dB Q "
         "0\n"
         "Filter 6: ON PK Fc 100 Hz Gain 1 dB Q 1 extra\nFilter 7: ON PK Fc 1.000,5 Hz Gain 1 dB Q "
         "1\n"
         "Filter 8: ON PK Fc 100 Hz Gain nan dB Q 1\nFilter 9: ON PK Fc 100 Hz Gain 1e999 dB Q 1\n"
         "Filter 10: ON PK Fc -100 Hz Gain 1 dB Q 1\nFilter 0: ON PK Fc 100 Hz Gain 1 dB Q 1\n"
         "Filter 11: ON PK Fc 100 Hz Gain 1 dB BW Oct 0\nFilter 12: ON PK Fc 100 Hz Fc 200 Hz Gain "
         "1 dB Q 1\n"
         "Filter 13: ON PK X Fc 100 Hz Gain 1 dB Q 1\nFilter 99999999999: ON PK Fc 1 Hz Gain 1 dB "
         "Q 1\n",
         {"line 1:malformed", "line 2:malformed", "line 3:malformed", "line 4:malformed",
          "line 5:malformed", "line 6:malformed", "line 7:malformed", "line 8:malformed",
          "line 9:malformed", "line 10:malformed", "line 11:malformed", "line 12:malformed",
          "line 13:malformed", "line 14:malformed", "line 15:malformed"}},
    };
    for (const Row& row : rows) {
        EXPECT_TRUE(ParseRewFilterText(row.text).recognised) << row.name;
        EXPECT_EQ(Rows(row.text), row.rows) << row.name;
    }
}

TEST(RewFilterText, TextThatIsNotREWFilterTextIsRefused) {
    const std::string_view texts[] = {
        "",
        "\n\r\n  \n",
        "{\"model\":1,\"model_name\":\"DV80MAX\",\"channels\":[]}",
        "* Freq(Hz) SPL(dB)\n20 80.1\n25 81.0\n",
        "Filter Settings file",  // not the first line below
        std::string_view("Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\0", 40),
        "Filters are fun\nFilter:\nFilter Settings\n",
    };
    for (size_t i = 0; i < std::size(texts); ++i) {
        const bool headerOnly = i == 4;
        EXPECT_EQ(ParseRewFilterText(texts[i]).recognised, headerOnly) << i;
        EXPECT_TRUE(ParseRewFilterText(texts[i]).rows.empty()) << i;
    }
    EXPECT_FALSE(ParseRewFilterText("Notes\nFilter Settings file\n").recognised);
}

RewFilterText Peaking(std::initializer_list<RewFilterRow> rows) {
    RewFilterText text;
    text.recognised = true;
    for (RewFilterRow row : rows) {
        row.kind = RewRowKind::Peaking;
        text.rows.push_back(row);
    }
    return text;
}

TEST(RewImportPlan, FortyRowsIntoElevenBandsTakeTheFirstElevenByFrequency) {
    RewFilterText text;
    for (int n = 1; n <= 40; ++n) {
        RewFilterRow row;
        row.line = n + 3;
        row.number = n;
        row.kind = RewRowKind::Peaking;
        row.fc = 200.0 - 4.0 * n;  // falling in the file
        row.gain = -0.5 * (n % 7);
        row.q = 1.0 + 0.1 * n;
        text.rows.push_back(row);
    }
    text.rows.insert(text.rows.begin() + 2, RewFilterRow{5, 41, RewRowKind::Shelf, true, "LS"});
    text.rows.push_back(RewFilterRow{50, 0, RewRowKind::Malformed, true, ""});
    const RewImportPlan plan = PlanRewImport(text, 11, {});
    ASSERT_EQ(plan.bands.size(), 11u);
    EXPECT_EQ(plan.imported, 11);
    for (int b = 0; b < 11; ++b) {
        const int n = 11 - b;  // filters 1 .. 11, lowest frequency first
        EXPECT_EQ(plan.bands[b].freq, 200 - 4 * n) << b;
        EXPECT_FLOAT_EQ(plan.bands[b].eqGain, static_cast<float>(-0.5 * (n % 7))) << b;
        EXPECT_FLOAT_EQ(plan.bands[b].eqFactor, static_cast<float>(1.0 + 0.1 * n)) << b;
        EXPECT_EQ(plan.bands[b].enable, 1);
    }
    ASSERT_EQ(plan.skipped.size(), 31u);
    EXPECT_EQ(plan.skipped[0].reason, RewSkipReason::Shelf);
    EXPECT_EQ(plan.skipped[0].number, 41);
    for (int i = 1; i < 30; ++i) {
        EXPECT_EQ(plan.skipped[i].reason, RewSkipReason::TooManyRows);
        EXPECT_EQ(plan.skipped[i].number, 11 + i);
    }
    EXPECT_EQ(plan.skipped[30].reason, RewSkipReason::Malformed);
    EXPECT_EQ(plan.skipped[30].line, 50);
    EXPECT_TRUE(plan.clamped.empty());
}

TEST(RewImportPlan, ValuesAreRoundedToTheEditorsStepsAndLimited) {
    const RewBandLimits limits;  // 20 .. 20000 Hz, Q 0.5 .. 9, -18 .. +12 dB
    struct Row {
        double fc, gain, q;
        int freq;
        float wantGain, wantQ;
        bool clamped;
    };
    const Row rows[] = {
        {100.4, -3.54, 1.414, 100, -3.5f, 1.41f, false},
        {19.6, 0.05, 0.496, 20, 0.1f, 0.5f, false},
        {19.4, 0.0, 1.0, 20, 0.0f, 1.0f, true},
        {25000.0, 1.0, 1.0, 20000, 1.0f, 1.0f, true},
        {1e300, 1.0, 1.0, 20000, 1.0f, 1.0f, true},
        {1000.0, -25.0, 1.0, 1000, -18.0f, 1.0f, true},
        {1000.0, 15.0, 1.0, 1000, 12.0f, 1.0f, true},
        {1000.0, 12.04, 1.0, 1000, 12.0f, 1.0f, false},
        {1000.0, 1.0, 20.0, 1000, 1.0f, 9.0f, true},
        {1000.0, 1.0, 0.1, 1000, 1.0f, 0.5f, true},
        {1000.0, -1e308, 1e308, 1000, -18.0f, 9.0f, true},
    };
    for (const Row& row : rows) {
        RewFilterRow filter;
        filter.number = 7;
        filter.fc = row.fc;
        filter.gain = row.gain;
        filter.q = row.q;
        const RewImportPlan plan = PlanRewImport(Peaking({filter}), 31, limits);
        ASSERT_EQ(plan.bands.size(), 31u);
        EXPECT_EQ(plan.bands[0].freq, row.freq) << row.fc;
        EXPECT_FLOAT_EQ(plan.bands[0].eqGain, row.wantGain) << row.gain;
        EXPECT_FLOAT_EQ(plan.bands[0].eqFactor, row.wantQ) << row.q;
        EXPECT_EQ(plan.clamped, row.clamped ? std::vector<int>{7} : std::vector<int>{});
        // The rest of the output is flat at the third-octave centres.
        for (int b = 1; b < 31; ++b) {
            EXPECT_EQ(plan.bands[b].freq, kBandFrequencies[b]);
            EXPECT_EQ(plan.bands[b].eqGain, 0.0f);
            EXPECT_EQ(plan.bands[b].eqFactor, kDefaultQ);
            EXPECT_EQ(plan.bands[b].enable, 1);
        }
    }
    // Narrower slider ranges are what the gains are limited to.
    RewFilterRow loud;
    loud.fc = 50;
    loud.gain = 11;
    loud.q = 1;
    const RewImportPlan plan = PlanRewImport(Peaking({loud}), 11, {20, 20000, 0.5f, 9.0f, -6, 6});
    EXPECT_FLOAT_EQ(plan.bands[0].eqGain, 6.0f);
}

TEST(RewImportPlan, FiltersSwitchedOnComeFirstAndTheOthersBecomeBandsSwitchedOff) {
    RewFilterText text;
    for (int n = 1; n <= 4; ++n) {
        RewFilterRow row;
        row.number = n;
        row.kind = RewRowKind::Peaking;
        row.on = n % 2 == 0;  // 2 and 4 on
        row.fc = 100.0 * n;
        row.gain = n;
        row.q = 1;
        text.rows.push_back(row);
    }
    const RewImportPlan three = PlanRewImport(text, 3, {});
    ASSERT_EQ(three.bands.size(), 3u);
    EXPECT_EQ(three.bands[0].freq, 100);  // filter 1, off
    EXPECT_EQ(three.bands[0].enable, 0);
    EXPECT_EQ(three.bands[1].freq, 200);
    EXPECT_EQ(three.bands[1].enable, 1);
    EXPECT_EQ(three.bands[2].freq, 400);
    ASSERT_EQ(three.skipped.size(), 1u);
    EXPECT_EQ(three.skipped[0].number, 3);
    EXPECT_EQ(three.skipped[0].reason, RewSkipReason::TooManyRows);
}

// Export, read back, plan: the bands come back exactly, for every value an editor can set.
void ExpectRoundTrip(const std::vector<EqBand>& bands, bool bypassed = false) {
    const std::string text = WriteRewFilterText(bands, bypassed, "output 1");
    const RewFilterText read = ParseRewFilterText(text);
    ASSERT_TRUE(read.recognised);
    const RewImportPlan plan = PlanRewImport(read, static_cast<int>(bands.size()), {});
    ASSERT_EQ(plan.imported, static_cast<int>(bands.size()));
    EXPECT_TRUE(plan.skipped.empty());
    EXPECT_TRUE(plan.clamped.empty());
    for (size_t b = 0; b < bands.size(); ++b) {
        const EqBand& want = bands[b];
        const EqBand& got = plan.bands[b];
        ASSERT_TRUE(got.freq == want.freq && got.eqGain == want.eqGain &&
                    got.eqFactor == want.eqFactor && got.enable == (bypassed ? 0 : want.enable))
            << "band " << b << ": " << want.freq << "/" << want.eqGain << "/" << want.eqFactor
            << "/" << int(want.enable) << " came back " << got.freq << "/" << got.eqGain << "/"
            << got.eqFactor << "/" << int(got.enable) << "\n"
            << text;
    }
}

TEST(RewFilterText, ExportThenImportKeepsEveryBandValue) {
    // Every frequency, in rising runs of 31 bands.
    std::vector<EqBand> bands;
    for (int hz = kFreqMin; hz <= kFreqMax; ++hz) {
        bands.push_back({0.0f, kDefaultQ, hz, 1});
        if (bands.size() == kMaxBands || hz == kFreqMax) {
            ExpectRoundTrip(bands);
            bands.clear();
        }
    }
    // Every Q the editors set (0.01 steps) and every gain (0.1 dB steps), each band switched on
    // and off, in 11- and 31-band outputs.
    for (int size : {11, 31}) {
        for (int enable = 0; enable <= 1; ++enable) {
            for (int hundredths = 50; hundredths <= 900; hundredths += size) {
                bands.clear();
                for (int b = 0; b < size; ++b)
                    bands.push_back({0.0f,
                                     static_cast<float>(std::min(hundredths + b, 900) / 100.0),
                                     kBandFrequencies[b], static_cast<uint8_t>((b + enable) % 2)});
                ExpectRoundTrip(bands);
            }
            for (int tenths = -180; tenths <= 120; tenths += size) {
                bands.clear();
                for (int b = 0; b < size; ++b)
                    bands.push_back({static_cast<float>(std::min(tenths + b, 120) / 10.0), 1.41f,
                                     kBandFrequencies[b], static_cast<uint8_t>((b + enable) % 2)});
                ExpectRoundTrip(bands);
            }
        }
    }
    // A bypassed output plays flat: its bands come back switched off, values kept.
    bands.clear();
    for (int b = 0; b < 11; ++b) bands.push_back({-3.0f + b, 2.5f, kBandFrequencies[b], 1});
    ExpectRoundTrip(bands, true);
}

TEST(RewFilterText, FilesAreReadWholeAndOnlyWhenTheyAreREWText) {
    const fs::path dir = fs::temp_directory_path() / ("dv-rew-" + std::to_string(getpid()));
    fs::create_directories(dir);
    auto write = [&](const char* name, const std::string& content) {
        std::ofstream(dir / name, std::ios::binary) << content;
        return dir / name;
    };
    RewFilterText text;
    EXPECT_EQ(ReadRewFilterFile(dir / "missing.txt", text), RewReadStatus::CannotOpen);
    EXPECT_EQ(ReadRewFilterFile(dir, text), RewReadStatus::CannotOpen);
    EXPECT_EQ(ReadRewFilterFile(write("empty.txt", ""), text), RewReadStatus::NotRewText);
    EXPECT_EQ(ReadRewFilterFile(write("notes.txt", "shopping list\nmilk\n"), text),
              RewReadStatus::NotRewText);
    const std::string row = "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\n";
    std::string huge;
    while (huge.size() <= kRewMaxFileBytes) huge += row;
    EXPECT_EQ(ReadRewFilterFile(write("huge.txt", huge), text), RewReadStatus::NotRewText);
    EXPECT_EQ(ReadRewFilterFile(write("one.txt", row), text), RewReadStatus::Ok);
    EXPECT_EQ(text.rows.size(), 1u);
    fs::remove_all(dir);

    // The sample a tuner would bring: REW's header, shelves, a low-pass, an OFF row, a width in
    // octaves, values beyond the unit's ranges and empty slots.
    ASSERT_EQ(ReadRewFilterFile(fs::path(DV_TEST_DATA_DIR) / "rew" / "car_filters.txt", text),
              RewReadStatus::Ok);
    const RewImportPlan plan = PlanRewImport(text, 31, {});
    EXPECT_EQ(plan.imported, 8);
    EXPECT_EQ(plan.clamped, (std::vector<int>{8, 11}));
    ASSERT_EQ(plan.skipped.size(), 3u);
    EXPECT_EQ(plan.skipped[0].type, "LS");
    EXPECT_EQ(plan.skipped[1].type, "HS");
    EXPECT_EQ(plan.skipped[2].type, "LP");
    EXPECT_EQ(plan.bands[0].freq, 43);
    EXPECT_EQ(plan.bands[4].freq, 410);
    EXPECT_EQ(plan.bands[4].enable, 0);
}

// The lines of a response file as REW reads a text measurement: comments start with '*', every
// other line is "frequency level".
std::vector<std::pair<double, double>> ReadMeasurement(const std::string& text, int& comments) {
    std::vector<std::pair<double, double>> points;
    std::istringstream in(text);
    std::string line;
    comments = 0;
    while (std::getline(in, line)) {
        if (line.rfind("* ", 0) == 0) {
            ++comments;
            continue;
        }
        std::istringstream fields(line);
        double f = 0, db = 0;
        std::string rest;
        EXPECT_TRUE(fields >> f >> db) << line;
        EXPECT_FALSE(fields >> rest) << line;
        points.emplace_back(f, db);
    }
    return points;
}

TEST(RewResponseText, TheCurveIsWrittenPointByPointInRisingFrequency) {
    DspProfile profile;
    profile.channels[0].bypass = 0;
    profile.channels[0].eqArray[10] = {6.0f, 1.0f, 1000, 1};
    profile.channels[0].crossover.hp.SetSlope(2);
    profile.channels[0].crossover.hp.SetFs(80);
    computeChannelCurve(profile, 0, false);
    const auto& freq = profile.curveFreq[0];
    const auto& level = profile.curveLevel[0];
    // The grid's last point is the sample rate itself (it aliases to 0 Hz): not written.
    const std::string text =
        WriteRewResponseText(std::span(freq).first(kCurvePoints - 1),
                             std::span(level).first(kCurvePoints - 1), "output 1\nEQ on");
    int comments = 0;
    const auto points = ReadMeasurement(text, comments);
    EXPECT_EQ(comments, 3);
    ASSERT_EQ(points.size(), static_cast<size_t>(kCurvePoints - 1));
    for (int i = 0; i < kCurvePoints - 1; ++i) {
        EXPECT_NEAR(points[i].first, freq[i], 5e-5) << i;
        EXPECT_NEAR(points[i].second, level[i], 5e-4) << i;
        if (i > 0) {
            EXPECT_GT(points[i].first, points[i - 1].first);
        }
    }
    const std::vector<double> f{20, 10, 30, std::nan(""), 40, 50};
    const std::vector<double> db{1, 2, 3, 4, -INFINITY, -0.0};
    const auto kept = ReadMeasurement(WriteRewResponseText(f, db, "x"), comments);
    EXPECT_EQ(kept, (std::vector<std::pair<double, double>>{{20, 1}, {30, 3}, {50, 0}}));
    EXPECT_EQ(WriteRewResponseText(f, db, "x").find("-0.000"), std::string::npos);
}

}  // namespace
}  // namespace dv
