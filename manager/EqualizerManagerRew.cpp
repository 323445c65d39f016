// EqualizerManager: Room EQ Wizard (REW) exchange for the output being edited: its peaking filters
// imported as bands (the link partner takes the same), its bands and its computed response
// exported as text REW reads.
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <string>

#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "curves/FilterMath.h"
#include "manager/EqualizerManager.h"
#include "profiles/FileReplace.h"
#include "profiles/RewFilterText.h"
#include "profiles/RewResponseText.h"
#include "ui/SystemMessageBox.h"

using namespace DuiLib;

namespace {

// A translated text with its "%d" / "%s" markers filled in order.
QString Fill(QString text, const QStringList& values) {
    for (const QString& value : values) {
        const qsizetype d = text.indexOf(QLatin1String("%d"));
        const qsizetype s = text.indexOf(QLatin1String("%s"));
        const qsizetype at = d < 0 ? s : (s < 0 ? d : std::min(d, s));
        if (at < 0) break;
        text.replace(at, 2, value);
    }
    return text;
}

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

QString WithTxt(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".txt") : path;
}

// At most this many entries per reason; a file of hundreds of rows still gives a short message.
constexpr int kListedRows = 12;

// "12-40" for runs of consecutive numbers.
QString NumberRuns(std::vector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    QStringList runs;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        runs << (j == i ? QString::number(numbers[i])
                        : QStringLiteral("%1-%2").arg(numbers[i]).arg(numbers[j]));
        i = j + 1;
    }
    return runs.join(QStringLiteral(", "));
}

QString Entries(const QStringList& entries) {
    QStringList shown = entries.mid(0, kListedRows);
    if (entries.size() > kListedRows)
        shown << QStringLiteral("… (+%1)").arg(entries.size() - kListedRows);
    return shown.join(QStringLiteral(", "));
}

// One line per reason a row was left out, and one for values brought into range.
QString SkippedText(const dv::RewImportPlan& plan, int bandCount, const dv::RewBandLimits& limits) {
    QStringList shelves, others, lines;
    std::vector<int> extra;
    for (const dv::RewSkippedRow& row : plan.skipped) {
        const QString typed =
            QStringLiteral("%1 (%2)").arg(row.number).arg(QString::fromStdString(row.type));
        switch (row.reason) {
            case dv::RewSkipReason::Shelf:
                shelves << typed;
                break;
            case dv::RewSkipReason::OtherType:
                others << typed;
                break;
            case dv::RewSkipReason::TooManyRows:
                extra.push_back(row.number);
                break;
            case dv::RewSkipReason::Malformed:
                lines << QString::number(row.line);
                break;
        }
    }
    // A label and its entries; a label ending in a full-width colon needs no space after it.
    auto line = [](const QString& label, const QStringList& entries) {
        return label + (label.endsWith(QChar(0xFF1A)) ? QString() : QStringLiteral(" ")) +
               Entries(entries);
    };
    QStringList out;
    if (!plan.skipped.empty()) out << Tr("${rew_not_imported}");
    if (!shelves.isEmpty()) out << line(Tr("${rew_skip_shelf}"), shelves);
    if (!others.isEmpty()) out << line(Tr("${rew_skip_type}"), others);
    if (!extra.empty())
        out << line(Fill(Tr("${rew_skip_bands}"), {QString::number(bandCount)}),
                    NumberRuns(extra).split(QStringLiteral(", ")));
    if (!lines.isEmpty()) out << line(Tr("${rew_skip_malformed}"), lines);
    if (!plan.clamped.empty()) {
        if (!out.isEmpty()) out << QString();
        out << line(Fill(Tr("${rew_clamped}"),
                         {QString::number(limits.gainMin), QString::number(limits.gainMax)}),
                    NumberRuns(plan.clamped).split(QStringLiteral(", ")));
    }
    return out.join(QLatin1Char('\n'));
}

}  // namespace

void EqualizerManager::ImportRewFilters(const QString& path) {
    LogPrintA("on %s\n", "EqualizerManager::ImportRewFilters");
    const int current = m_profile.currChannel;
    if (path.isEmpty() || current < 0 || current >= dv::kOutputCount) return;
    const EditStep step(*this, "rew import");  // the whole import, mode switch included
    const HWND parent = QuestionParent();
    auto tell = [parent](const QString& text) {
        ShowSystemMessageBox(parent, text, Tr("${tips}"));
    };
    dv::RewFilterText text;
    switch (dv::ReadRewFilterFile(FsPath(path), text)) {
        case dv::RewReadStatus::CannotOpen:
            tell(Tr("${rew_open_error}"));
            return;
        case dv::RewReadStatus::NotRewText:
            tell(Tr("${rew_not_filter_text}"));
            return;
        case dv::RewReadStatus::Ok:
            break;
    }
    // Gains are limited as the band editors limit them: to the band slider's range.
    dv::RewBandLimits limits;
    if (const CSliderUI* slider = m_eqSlider[0]) {
        limits.gainMin = static_cast<float>(slider->GetMinValue() / 10);
        limits.gainMax = static_cast<float>(slider->GetMaxValue() / 10);
    }
    const int bandCount = m_profile.BandCount(current);
    const dv::RewImportPlan plan = dv::PlanRewImport(text, bandCount, limits);
    LogPrintA("REW import: %d filters, %d rows left out\n", plan.imported,
              static_cast<int>(plan.skipped.size()));
    if (plan.imported == 0) {
        const QString skipped = SkippedText(plan, bandCount, limits);
        tell(Tr("${rew_no_peaking}") + (skipped.isEmpty() ? QString() : "\n\n" + skipped));
        return;
    }
    // Filters carry their own frequency and Q: the bands must be parametric. The switch asks and
    // works exactly as the mode button does; declined, nothing changes.
    if (m_btnArgEq && !m_btnArgEq->IsSelected()) {
        SwitchEqMode();
        if (!m_btnArgEq->IsSelected()) return;
    }

    const int partner = Partner();
    for (const int k : {current, partner}) {
        if (k < 0) continue;
        const dv::RewImportPlan mine =
            k == current ? plan : dv::PlanRewImport(text, m_profile.BandCount(k), limits);
        dv::OutputChannel& out = m_profile.channels[k];
        for (int b = 0; b < m_profile.BandCount(k) && b < static_cast<int>(mine.bands.size());
             ++b) {
            const dv::EqBand before = out.eqArray[b];
            const dv::EqBand& after = mine.bands[b];
            out.eqArray[b] = after;
            // Only a band the unit would play differently is sent.
            if (before.freq != after.freq || before.eqFactor != after.eqFactor ||
                dv::PlayedGain(before) != dv::PlayedGain(after))
                SendBand(k, b);
        }
        UpdateBandBypass(k);
    }
    {
        const RefreshScope refreshing(*this);
        RefreshBandControls(current);
        ShowBypassCaption(current);
        UpdateEqualizer(-1);
    }

    QString message = partner >= 0
                          ? Fill(Tr("${rew_imported_linked}"),
                                 {QString::number(plan.imported), QString::number(current + 1),
                                  QString::number(partner + 1)})
                          : Fill(Tr("${rew_imported}"),
                                 {QString::number(plan.imported), QString::number(current + 1)});
    const QString skipped = SkippedText(plan, bandCount, limits);
    if (!skipped.isEmpty()) message += "\n\n" + skipped;
    tell(message);
}

bool EqualizerManager::ExportRewFilters(const QString& path) {
    LogPrintA("on %s\n", "EqualizerManager::ExportRewFilters");
    const int current = m_profile.currChannel;
    if (path.isEmpty() || current < 0 || current >= dv::kOutputCount) return false;
    const dv::OutputChannel& out = m_profile.channels[current];
    const int bands = m_profile.BandCount(current);
    const std::string notes = "DV80MAX output " + std::to_string(current + 1) + ", " +
                              std::to_string(bands) + " bands" +
                              (out.bypass == 1 ? ", EQ bypassed" : "");
    const bool ok = dv::ReplaceFileContent(
        FsPath(WithTxt(path)),
        dv::WriteRewFilterText(m_profile.Bands(current).first(static_cast<size_t>(bands)),
                               out.bypass == 1, notes));
    ShowSystemMessageBox(QuestionParent(), Tr(ok ? "${rew_export_ok}" : "${rew_export_fail}"),
                         Tr("${tips}"));
    return ok;
}

bool EqualizerManager::ExportRewResponse(const QString& path) {
    LogPrintA("on %s\n", "EqualizerManager::ExportRewResponse");
    const int current = m_profile.currChannel;
    if (path.isEmpty() || current < 0 || current >= dv::kOutputCount) return false;
    // The curve as the panel draws it, computed afresh on a copy.
    auto copy = std::make_unique<dv::DspProfile>(m_profile);
    const bool bypassed = copy->channels[current].bypass == 1;
    dv::computeChannelCurve(*copy, current, bypassed);
    const std::string comments =
        "Stormedge DSP Audio: computed response of DV80MAX output " + std::to_string(current + 1) +
        "\nEQ " + (bypassed ? "bypassed" : "on") + ", crossover and bands at 48000 Hz";
    // The grid's last point is the sample rate itself, which aliases to 0 Hz: left out.
    constexpr size_t kPoints = dv::kCurvePoints - 1;
    const bool ok = dv::ReplaceFileContent(
        FsPath(WithTxt(path)),
        dv::WriteRewResponseText(std::span(copy->curveFreq[current]).first(kPoints),
                                 std::span(copy->curveLevel[current]).first(kPoints), comments));
    ShowSystemMessageBox(QuestionParent(), Tr(ok ? "${rew_export_ok}" : "${rew_export_fail}"),
                         Tr("${tips}"));
    return ok;
}
