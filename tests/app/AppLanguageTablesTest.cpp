#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

namespace {

const QString kLanguageDir = QStringLiteral(DV_TEST_DATA_DIR "/../../skin/lan/");

// Every key the program's code looks up or hands to a control.
// clang-format off
const char* const kCodeKeys[] = {
    "${tips}", "${mutex_tips}", "${device_connect_fail}", "${device_status_unnormal}",
    "${device_reboot}", "${dsp_disconnect}", "${version}", "${soft_version}",
    "${btn_connected}", "${btn_connecting}", "${btn_disconnected}", "${device_not_match}",
    "${device_plugout}", "${factory_default_tips}", "${bypass_all_eq_tips}",
    "${restore_all_eq_tips}", "${bypass_eq}", "${restore_eq}", "${reset_all_eq_tips}",
    "${geq_mode_tips}", "${peq_mode_tips}", "${geq_mode}", "${peq_mode}", "${link_tips}",
    "${not_linkable_tips}", "${copy_left_to_right}", "${copy_right_to_left}",
    "${lock_output_tips}", "${unlock_output_tips}", "${empty_output_tips}", "${emptied}",
    "${default}", "${cancel}", "${positive_phase}", "${reverse phase}", "${off}",
    "${profile_save_ok}", "${profile_create_error}",
    "${front}", "${rear}", "${center}", "${subwoofer}", "${left}", "${right}", "${tweeter}",
    "${midrange}", "${woofer}", "${midrange_tweeter}", "${midrange_woofer}", "${full}", "${empty}",
    "${front_left_tweeter}", "${front_left_midrange}", "${front_left_woofer}",
    "${front_left_mid_twee}", "${front_left_mid_woof}", "${front_left_full}",
    "${front_right_tweeter}", "${front_right_midrange}", "${front_right_woofer}",
    "${front_right_mid_twee}", "${front_right_mid_woof}", "${front_right_full}",
    "${rear_left_tweeter}", "${rear_left_woofer}", "${rear_left_full}", "${rear_right_tweeter}",
    "${rear_right_woofer}", "${rear_right_full}", "${center_tweeter}", "${center_woofer}",
    "${center_full}", "${left_subwoofer}", "${right_subwoofer}", "${left_subwoofer_freq}",
    "${right_subwoofer_freq}", "${subwoofer_freq}",
    "${all_bypass}",
    "${profile_load_error}", "${profile_open_error}", "${software_not_match}",
    "${start_irc}", "${start_irc_tips}", "${stop}", "${detect_level}", "${detect_location}",
    "${detect_speaker}", "${compensate_eq}", "${test_freq_response}", "${irc_apply_tips}",
    "${irc_completed}", "${irc_stoped}", "${irc_subwoof_not_test}", "${irc_failed}",
    "${irc_failed_mic}", "${irc_failed_level}", "${irc_failed_speaker}", "${irc_failed_eq}",
    "${irc_failed_delay}", "${irc_failed_ch_volume}",
    "${source_opt}", "${source_coax}", "${source_bt}", "${source_aux}", "${source_low}",
    "${source_hi}", "${source_dmp}",
    "${load_scene}", "${save_as_scene}", "${delete_scene}", "${load}", "${save}", "${delete}",
    "${exit}", "${load_scene_tips1}", "${load_scene_tips2}", "${save_scene_overwrite}",
    "${same_name_tips}", "${save_scene_ok}",
    "${loading_fw}", "${load_fw_fail}", "${update_ok}", "${update_fail}",
    "${device_no_permission}", "${device_read_incomplete}",  // connecting on Linux
    // REW import and export
    "${rew_text_files}", "${rew_all_files}", "${rew_open_error}", "${rew_not_filter_text}",
    "${rew_no_peaking}", "${rew_imported}", "${rew_imported_linked}", "${rew_not_imported}",
    "${rew_skip_shelf}", "${rew_skip_type}", "${rew_skip_bands}", "${rew_skip_malformed}",
    "${rew_clamped}", "${rew_export_ok}", "${rew_export_fail}",
};
// clang-format on

// Keys whose text is used as a printf format, with the conversions it must carry in order.
const QMap<QString, QStringList> kFormatKeys = {
    {"${load_scene_tips1}", {"%d", "%s"}},
    {"${load_scene_tips2}", {"%d"}},
    {"${save_scene_overwrite}", {"%d"}},
    {"${same_name_tips}", {"%s", "%d", "%s"}},
    // REW import
    {"${rew_imported}", {"%d", "%d"}},
    {"${rew_imported_linked}", {"%d", "%d", "%d"}},
    {"${rew_skip_bands}", {"%d"}},
    {"${rew_clamped}", {"%d", "%d"}},
};

struct Table {
    QMap<QString, QString> values;
    QStringList duplicates;
    QString error;
};

Table ReadTable(const QString& fileName) {
    Table table;
    QFile file(kLanguageDir + fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        table.error = "cannot open " + file.fileName();
        return table;
    }
    QXmlStreamReader xml(&file);
    if (xml.readNextStartElement()) {  // the root
        while (xml.readNextStartElement()) {
            if (xml.name().compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0) {
                const QString id = xml.attributes().value("id").toString();
                if (table.values.contains(id)) table.duplicates << id;
                table.values.insert(id, xml.attributes().value("value").toString());
            }
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) table.error = xml.errorString();
    return table;
}

QStringList Conversions(const QString& text) {
    static const QRegularExpression conversion("%[-+ #0]*[0-9]*(?:\\.[0-9]+)?[a-zA-Z%]");
    QStringList found;
    for (auto it = conversion.globalMatch(text); it.hasNext();) found << it.next().captured();
    return found;
}

class AppLanguageTables : public ::testing::TestWithParam<const char*> {};

TEST_P(AppLanguageTables, HoldEveryKeyOnceWithRealWording) {
    const Table table = ReadTable(GetParam());
    ASSERT_TRUE(table.error.isEmpty()) << table.error.toStdString();
    EXPECT_TRUE(table.duplicates.isEmpty()) << table.duplicates.join(", ").toStdString();
    for (const char* key : kCodeKeys) {
        const QString value = table.values.value(key);
        EXPECT_FALSE(value.trimmed().isEmpty()) << key;
        EXPECT_FALSE(value.startsWith("${")) << key;
    }
    for (auto it = table.values.cbegin(); it != table.values.cend(); ++it) {
        EXPECT_TRUE(it.key().startsWith("${") && it.key().endsWith("}")) << it.key().toStdString();
    }
}

TEST_P(AppLanguageTables, FormatsCarryTheirPlaceholdersInOrderAndOtherTextsNone) {
    const Table table = ReadTable(GetParam());
    ASSERT_TRUE(table.error.isEmpty()) << table.error.toStdString();
    for (auto it = table.values.cbegin(); it != table.values.cend(); ++it) {
        const QStringList expected = kFormatKeys.value(it.key());
        EXPECT_EQ(Conversions(it.value()), expected) << it.key().toStdString();
        // A stray '%' would be read as a conversion by the code that formats these texts.
        EXPECT_EQ(it.value().count('%'), expected.size()) << it.key().toStdString();
    }
}

TEST_P(AppLanguageTables, CoverEveryKeyTheMarkupUses) {
    const Table table = ReadTable(GetParam());
    ASSERT_TRUE(table.error.isEmpty()) << table.error.toStdString();
    static const QRegularExpression key("\\$\\{[A-Za-z0-9_ ]+\\}");
    const QDir markupDir(kLanguageDir + "../xml");
    const QStringList files = markupDir.entryList({"*.xml"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile file(markupDir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString markup = QString::fromUtf8(file.readAll());
        for (auto it = key.globalMatch(markup); it.hasNext();) {
            const QString used = it.next().captured();
            EXPECT_TRUE(table.values.contains(used))
                << name.toStdString() << ": " << used.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, AppLanguageTables,
                         ::testing::Values("lan_cn.xml", "lan_en.xml"));

TEST(AppLanguageTablesPair, ChineseAndEnglishDefineTheSameKeys) {
    const Table cn = ReadTable("lan_cn.xml");
    const Table en = ReadTable("lan_en.xml");
    ASSERT_TRUE(cn.error.isEmpty() && en.error.isEmpty());
    const QStringList cnKeys = cn.values.keys();
    const QStringList enKeys = en.values.keys();
    EXPECT_EQ(QSet<QString>(cnKeys.begin(), cnKeys.end()),
              QSet<QString>(enKeys.begin(), enKeys.end()));
    // The Chinese table is the start-up language: it must not be English text copied over.
    int identical = 0;
    for (auto it = cn.values.cbegin(); it != cn.values.cend(); ++it) {
        if (it.value() == en.values.value(it.key())) ++identical;
    }
    EXPECT_LE(identical, 2);  // brand-like words such as "AUX" may stay the same
}

}  // namespace
