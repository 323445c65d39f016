// REW filter import and export through the advanced menu against the simulated unit: the unit
// ends holding what the panel shows, rows that cannot be played are named, a file that is not
// REW text (or a declined mode switch) changes and sends nothing, and an export reads back.
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/FileDialogs.h"
#include "app/MsgWnd.h"
#include "controls/CSButtonUI.h"
#include "tests/app/EditTestSupport.h"
#include "tests/app/MsgWindowTestSupport.h"

using namespace DuiLib;
using maintest::EditingTest;

namespace {

QString Fill(QString text, const QStringList& values) {
    for (const QString& value : values) text.replace(text.indexOf(QLatin1String("%d")), 2, value);
    return text;
}

struct Filter {
    double fc, gain, q;
};

// `count` peaking filters of falling frequency, a shelf, a high-pass, an unreadable row and empty
// slots, with REW's header, CRLF line ends and one decimal comma.
QByteArray RewFile(int count, std::vector<Filter>& written) {
    QByteArray text =
        "Filter Settings file\r\n\r\nRoom EQ V5.31\r\nDated: 14-Mar-2026 18:02:11\r\n\r\nNotes:\r\n"
        "\r\nEqualiser: Generic\r\nAverage 1\r\n";
    written.clear();
    for (int n = 1; n <= count; ++n) {
        const Filter f{1000.0 - 20.0 * n, n % 3 == 0 ? -24.0 : 0.5 * (n % 9) - 2.0,
                       0.6 + 0.25 * (n % 13)};
        written.push_back(f);
        QString row =
            QString::asprintf("Filter %2d: ON  PK       Fc %7.2f Hz  Gain %6.2f dB  Q %6.3f\r\n", n,
                              f.fc, f.gain, f.q);
        if (n == 2) row.replace(QLatin1Char('.'), QLatin1Char(','));
        text += row.toLatin1();
    }
    text += QString::asprintf(
                "Filter %2d: ON  LS       Fc   80.00 Hz  Gain   3.00 dB\r\n"
                "Filter %2d: ON  HP       Fc   25.00 Hz\r\n"
                "Filter %2d: ON  PK       Fc  oops Hz\r\n"
                "Filter %2d: ON  None\r\n",
                count + 1, count + 2, count + 3, count + 4)
                .toLatin1();
    return text;
}

}  // namespace

class RewImportTest : public EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        // Every question window is answered as m_confirm says, and counted.
        m_answerer = std::make_unique<QTimer>();
        QObject::connect(m_answerer.get(), &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* msg = widget->isVisible()
                                ? dynamic_cast<CMsgWnd*>(CWindowWnd::FromHWND(widget))
                                : nullptr;
                if (!msg || widget->property("rewSeen").toBool()) continue;
                ++m_questions;
                widget->setProperty("rewSeen", true);
                QTimer::singleShot(0, [msg, this] {
                    msgtest::Click(msg, m_confirm ? QStringLiteral("confirm_btn")
                                                  : QStringLiteral("cancel_btn"));
                });
            }
        });
        m_answerer->start(5);
    }
    void TearDown() override {
        m_answerer.reset();
        SetFileDialogAnswer({});
        EditingTest::TearDown();
    }

    QString Write(const char* name, const QByteArray& content) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    // Picks `item` of the advanced menu with the file dialog answering `path`; returns the text
    // of the message it ends with.
    QString Menu(const char* item, const QString& path) {
        SetFileDialogAnswer([path](bool, const QString&) { return path; });
        const size_t boxes = m_boxes.size();
        const int questions = m_questions;
        // Through the menu itself, as a click on the item.
        Find("btn_advance")->Activate();
        CMenuWnd* menu = m_wnd->OpenMenu();
        CMenuElementUI* element = menu ? menu->FindMenuItem(QString::fromLatin1(item)) : nullptr;
        EXPECT_NE(element, nullptr) << item;
        if (!element) return {};
        EXPECT_TRUE(element->IsEnabled()) << item;
        menu->ClickItem(element);
        // A declined question ends the operation without a message.
        WaitFor([&] { return m_boxes.size() > boxes || (!m_confirm && m_questions > questions); },
                3000);
        Settle();
        return m_boxes.size() > boxes ? m_boxes.back().text : QString();
    }

    void Select(int output) {
        Find(QString::asprintf("ch_enable_%d", output))->Activate();
        Settle();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QTimer> m_answerer;
    int m_questions = 0;
    bool m_confirm = true;
};

TEST_F(RewImportTest, ImportFillsLinked31And11BandOutputsAndNamesWhatItLeftOut) {
    Connect(true);
    std::vector<Filter> written;
    const QString path = Write("car.txt", RewFile(40, written));
    struct Row {
        int output, partner, bands;
        const char* tooMany;
    };
    // The first import asks to switch to parametric mode; the second finds it switched.
    const Row rows[] = {{0, 1, 31, "32-40"}, {6, 7, 11, "12-40"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.output);
        Select(row.output);
        const dv::DspProfile before = Manager().Profile();
        const QString told = Menu("advance_item_rew_import", path);
        EXPECT_EQ(m_questions, 1);
        EXPECT_TRUE(FindAs<CSButtonUI>("btn_arg_eq")->IsSelected());
        EXPECT_TRUE(
            told.startsWith(Fill(Tr("${rew_imported_linked}"),
                                 {QString::number(row.bands), QString::number(row.output + 1),
                                  QString::number(row.partner + 1)})))
            << told.toStdString();
        for (const QString& named : {QStringLiteral("41 (LS)"), QStringLiteral("42 (HP)"),
                                     QString::fromLatin1(row.tooMany), QStringLiteral("3, 6, 9")})
            EXPECT_TRUE(told.contains(named)) << named.toStdString() << "\n" << told.toStdString();
        EXPECT_TRUE(told.contains(QRegularExpression(
            QRegularExpression::escape(Tr("${rew_skip_malformed}")) + QStringLiteral(" ?52$"),
            QRegularExpression::MultilineOption)))
            << told.toStdString();

        // The first filters of the file, lowest frequency first, limited to the unit's ranges.
        const dv::DspProfile& p = Manager().Profile();
        for (int b = 0; b < row.bands; ++b) {
            const Filter& f = written[row.bands - 1 - b];
            for (int k : {row.output, row.partner}) {
                const dv::EqBand& band = p.channels[k].eqArray[b];
                EXPECT_EQ(band.freq, std::lround(f.fc)) << b;
                EXPECT_FLOAT_EQ(band.eqGain, static_cast<float>(std::max(-18.0, f.gain))) << b;
                EXPECT_FLOAT_EQ(band.eqFactor, static_cast<float>(std::round(f.q * 100) / 100))
                    << b;
                EXPECT_EQ(band.enable, 1);
            }
        }
        EXPECT_EQ(TextOf("eq_freq_0"), QString::number(std::lround(written[row.bands - 1].fc)));
        ExpectUnitHolds({row.output, row.partner});
        if (&row != &rows[std::size(rows) - 1]) continue;
        // The whole import is one undo step: one undo gives both outputs their bands back.
        ASSERT_TRUE(Manager().Undo());
        for (int k : {row.output, row.partner}) {
            for (int b = 0; b < row.bands; ++b) {
                const dv::EqBand& was = before.channels[k].eqArray[b];
                const dv::EqBand& now = Manager().Profile().channels[k].eqArray[b];
                EXPECT_EQ(now.freq, was.freq) << k << " " << b;
                EXPECT_FLOAT_EQ(now.eqGain, was.eqGain) << k << " " << b;
            }
        }
        ExpectUnitHolds({row.output, row.partner});
    }
}

TEST_F(RewImportTest, FilesThatAreNotREWTextOrADeclinedModeSwitchChangeAndSendNothing) {
    Connect();
    std::vector<Filter> written;
    struct Row {
        const char* name;
        QByteArray content;   // null: no such file
        const char* message;  // null: none after the question is declined
    };
    const Row rows[] = {
        {"empty.txt", QByteArray(""), "${rew_not_filter_text}"},
        {"scene.spf", QByteArray("{\"model\":1,\"model_name\":\"DV80MAX\"}"),
         "${rew_not_filter_text}"},
        {"image.bin", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "${rew_not_filter_text}"},
        {"missing.txt", QByteArray(), "${rew_open_error}"},
        {"shelves.txt", QByteArray("Filter 1: ON LS Fc 80 Hz Gain 3 dB\n"), nullptr},
        {"declined.txt", RewFile(5, written), nullptr},
    };
    // The items read as words in either language (the clicks below go through the menu).
    Find("btn_advance")->Activate();
    ASSERT_NE(m_wnd->OpenMenu(), nullptr);
    for (const char* item :
         {"advance_item_rew_import", "advance_item_rew_export", "advance_item_rew_response"}) {
        const CMenuElementUI* element = m_wnd->OpenMenu()->FindMenuItem(QString::fromLatin1(item));
        ASSERT_NE(element, nullptr) << item;
        EXPECT_FALSE(element->GetText().startsWith(QLatin1String("${"))) << item;
    }
    m_wnd->OpenMenu()->Hide();
    m_confirm = false;
    const dv::DspProfile before = Manager().Profile();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = row.content.isNull() ? m_dir.filePath(QString::fromLatin1(row.name))
                                                  : Write(row.name, row.content);
        const size_t boxes = m_boxes.size();
        const QString told = Menu("advance_item_rew_import", path);
        if (row.message) {
            EXPECT_EQ(told, Tr(row.message));
        } else if (QByteArray(row.name) == "shelves.txt") {
            EXPECT_TRUE(told.startsWith(Tr("${rew_no_peaking}"))) << told.toStdString();
            EXPECT_TRUE(told.contains(QStringLiteral("1 (LS)"))) << told.toStdString();
        } else {
            EXPECT_EQ(m_boxes.size(), boxes) << "declined: no result message";
            EXPECT_EQ(m_questions, 1);
        }
        EXPECT_TRUE(SentFrames().empty());
        EXPECT_FALSE(FindAs<CSButtonUI>("btn_arg_eq")->IsSelected());
        for (int k = 0; k < dv::kOutputCount; ++k) {
            const dv::OutputChannel& a = before.channels[k];
            const dv::OutputChannel& b = Manager().Profile().channels[k];
            EXPECT_EQ(a.bypass, b.bypass);
            for (int i = 0; i < dv::kMaxBands; ++i)
                EXPECT_TRUE(a.eqArray[i].freq == b.eqArray[i].freq &&
                            a.eqArray[i].eqGain == b.eqArray[i].eqGain &&
                            a.eqArray[i].eqFactor == b.eqArray[i].eqFactor &&
                            a.eqArray[i].enable == b.eqArray[i].enable)
                    << k << " " << i;
        }
    }
}

TEST_F(RewImportTest, ExportedFiltersImportIntoAnotherOutputAndTheResponseIsAMeasurement) {
    ConnectWith([](dv::sim::SimUnitState& s) {
        // Output 1: rising frequencies, every band a different Q and gain, two bands at 0 dB.
        for (int b = 0; b < 31; ++b)
            s.current.outputs[0].bands[b] = {static_cast<uint16_t>(25 + 613 * b),
                                             static_cast<uint16_t>(50 + 27 * b),
                                             static_cast<int16_t>(b % 16 == 0 ? 0 : 7 * b - 110)};
        s.current.outputs[0].eqBypass = 0;
    });
    // Parametric already (as the mode switch leaves it, without its Q reset): no question.
    FindAs<CSButtonUI>("btn_arg_eq")->SetSelected(true);
    Manager().RefreshBandControls(0);
    const QString filters = m_dir.filePath(QStringLiteral("out1"));  // ".txt" is added
    EXPECT_EQ(Menu("advance_item_rew_export", filters), Tr("${rew_export_ok}"));
    EXPECT_EQ(
        Menu("advance_item_rew_response", m_dir.filePath(QStringLiteral("out1-response.txt"))),
        Tr("${rew_export_ok}"));
    EXPECT_TRUE(SentFrames().empty());
    for (const char* item : {"advance_item_rew_export", "advance_item_rew_response"})
        EXPECT_EQ(Menu(item, m_dir.filePath(QStringLiteral("no-such-folder/out.txt"))),
                  Tr("${rew_export_fail}"))
            << item;

    // The response: comment lines, then one "frequency level" line per grid point below the
    // sample rate, rising.
    QFile response(m_dir.filePath(QStringLiteral("out1-response.txt")));
    ASSERT_TRUE(response.open(QIODevice::ReadOnly));
    int points = 0;
    double last = 0.0;
    for (const QByteArray& line : response.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith("* ")) continue;
        const QList<QByteArray> fields = line.split(' ');
        ASSERT_EQ(fields.size(), 2) << line.toStdString();
        EXPECT_GT(fields[0].toDouble(), last);
        last = fields[0].toDouble();
        ++points;
    }
    EXPECT_EQ(points, dv::kCurvePoints - 1);

    // Into output 3 (another 31-band output): the same bands; into output 1 again: nothing sent.
    Select(2);
    Menu("advance_item_rew_import", filters + ".txt");
    const dv::DspProfile& p = Manager().Profile();
    for (int b = 0; b < 31; ++b) {
        const dv::EqBand& from = p.channels[0].eqArray[b];
        const dv::EqBand& to = p.channels[2].eqArray[b];
        EXPECT_TRUE(from.freq == to.freq && from.eqGain == to.eqGain &&
                    from.eqFactor == to.eqFactor && to.enable == 1)
            << b;
    }
    ExpectUnitHolds({2});
    EXPECT_FALSE(SentFrames().empty());
    Select(0);
    Menu("advance_item_rew_import", filters + ".txt");
    EXPECT_TRUE(SentFrames().empty());
    EXPECT_EQ(m_questions, 0);
}
