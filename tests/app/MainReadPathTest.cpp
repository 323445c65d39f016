// The read path and what the main window shows: refreshes that never echo, the source's input
// rule, volume texts, values shown before any read, the start-up read tied to its link, the log.
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QStyleOptionFrame>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "app/LoadingWnd.h"
#include "base/Log.h"
#include "controls/CSButtonUI.h"
#include "device/DspReplyRecords.h"
#include "model/InputSources.h"
#include "profiles/ProfileFile.h"
#include "tests/app/MainWndTestSupport.h"

using namespace DuiLib;
using maintest::MainWindowTest;

namespace {

// The debug log in a file of its own while it lives.
class LogToFile {
public:
    LogToFile() { InitConsoleWindow(m_path.toStdString()); }
    ~LogToFile() { LogClose(); }
    std::string Text() {
        LogClose();
        std::ifstream in(m_path.toStdString());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    QTemporaryDir m_dir;
    QString m_path = m_dir.path() + "/save.log";
};

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The settings as a scene file holds them: what a refresh must leave as it was.
std::string SettingsText(const dv::DspProfile& profile) {
    QTemporaryDir dir;
    const std::filesystem::path path = (dir.path() + "/p.spf").toStdString();
    if (!dv::writeSceneProfile(profile, path, [](std::string_view) {})) return "unwritable";
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Set commands (optype 0xBB) the panel wrote from transcript entry `from` on, apart from the
// greeting, handshake and goodbye of a connection.
std::string SetCommandsSince(size_t from) {
    const auto transcript = dv::sim::SimBus::Instance().Transcript();
    std::string sent;
    for (size_t i = from; i < transcript.size(); ++i) {
        const auto& bytes = transcript[i].bytes;
        if (transcript[i].direction != dv::sim::Direction::ToUnit || bytes.size() < 7) continue;
        const bool greeting = bytes[4] == 3 && (bytes[5] == 31 || bytes[5] == 8);
        if (bytes[6] == 0xBB && !greeting)
            sent += std::to_string(bytes[4]) + "/" + std::to_string(bytes[5]) + " ";
    }
    return sent;
}

// Every row of the main window's dispatch tables: (notification type, control name).
std::vector<std::pair<QString, QString>> DispatchRows() {
    std::vector<std::pair<QString, QString>> rows;
    auto add = [&rows](const QString& type, const QString& name) { rows.push_back({type, name}); };
    for (int k = 0; k < 8; ++k) {
        for (const char* p : {"ch_show_%1", "ch_mute_%1", "ch_phase_%1", "option_ch_in1_%1",
                              "option_ch_in2_%1", "option_ch_in3_%1", "option_ch_in4_%1"})
            add(DUI_MSGTYPE_SELECTCHANGED, QString(p).arg(k));
        for (const QString& type : {DUI_MSGTYPE_VALUECHANGED, DUI_MSGTYPE_VALUECHANGED_MOVE})
            for (const char* p : {"slider_ch_volume_%1", "slider_ch_delay_%1"})
                add(type, QString(p).arg(k));
        for (const QString& type : {DUI_MSGTYPE_VALUECHANGED_UP, DUI_MSGTYPE_VALUECHANGED_DOWN,
                                    DUI_MSGTYPE_RETURN, DUI_MSGTYPE_KILLFOCUS})
            for (const char* p : {"edit_ch_volume_%1", "edit_ch_delay_%1"})
                add(type, QString(p).arg(k));
        add(DUI_MSGTYPE_CLICK, QString("ch_enable_%1").arg(k));
    }
    for (int b = 0; b < 31; ++b) {
        for (const QString& type : {DUI_MSGTYPE_VALUECHANGED_UP, DUI_MSGTYPE_VALUECHANGED_DOWN,
                                    DUI_MSGTYPE_KILLFOCUS, DUI_MSGTYPE_SETFOCUS})
            for (const char* p : {"eq_freq_%1", "eq_q_%1", "eq_gain_%1"})
                add(type, QString(p).arg(b));
        add(DUI_MSGTYPE_VALUECHANGED, QString("eq_slider_%1").arg(b));
        add(DUI_MSGTYPE_CLICK, QString("pt_enable_%1").arg(b));
    }
    for (int r = 1; r <= 24; ++r) add(DUI_MSGTYPE_CLICK, QString("speaker_%1").arg(r));
    add(DUI_MSGTYPE_SELECTCHANGED, QStringLiteral("main_mute"));
    add(DUI_MSGTYPE_VALUECHANGED, QStringLiteral("slider_main_volume"));
    for (const QString& type : {DUI_MSGTYPE_VALUECHANGED_UP, DUI_MSGTYPE_VALUECHANGED_DOWN,
                                DUI_MSGTYPE_RETURN, DUI_MSGTYPE_KILLFOCUS})
        for (const char* name : {"hp_freq", "lp_freq", "edit_main_volume"})
            add(type, QString(name));
    for (const char* name :
         {"comb_ch_unit", "hp_type", "lp_type", "hp_slop", "lp_slop", "btn_input_source"})
        add(DUI_MSGTYPE_ITEMSELECT, QString(name));
    for (const char* type : {"equalizer_eq", "equalizer_hp", "equalizer_lp"})
        add(QString(type), "equalizer");
    return rows;
}

}  // namespace

class MainReadPathTest : public MainWindowTest {
protected:
    EqualizerManager& Manager() { return m_wnd->Manager(); }

    void ApplyReply(unsigned code, std::unique_ptr<dv::MessageRecord> record) {
        Manager().ReadDspValueCallback(code, record.get());
    }
    void ApplyChannelValue(unsigned code, int channel, int value) {
        auto record = std::make_unique<dv::ChannelValueRecord>();
        record->channel = channel;
        record->value = value;
        ApplyReply(code, std::move(record));
    }
    void ApplyValue(unsigned code, int value) {
        auto record = std::make_unique<dv::DspValueRecord>();
        record->value = value;
        ApplyReply(code, std::move(record));
    }
    bool QueueDrained() {
        return WaitFor([this] { return Manager().Device().QueuedCommandCount() == 0; });
    }
};

TEST_F(MainReadPathTest, RefreshesNeverReachAnEditingOperation) {
    PlugUnit();
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    // The user works every row once; then the model is read back so it holds what the unit keeps.
    for (const auto& [type, name] : DispatchRows()) {
        CControlUI* control = Find(name);
        ASSERT_NE(control, nullptr) << name.toStdString();
        m_wnd->GetPaintManager()->SendNotify(control, type);
    }
    ASSERT_TRUE(QueueDrained());
    Manager().Connect(false);
    Manager().Connect(false);
    ASSERT_TRUE(WaitConnected());
    const int current = Manager().Profile().currChannel;
    const std::string settings = SettingsText(Manager().Profile());
    const size_t transcriptFrom = dv::sim::SimBus::Instance().Transcript().size();

    // Every refresh the manager has; a new one (a scene or profile shown) belongs here too.
    LogToFile log;
    Manager().Connect(false);  // the full read again
    Manager().Connect(false);
    ASSERT_TRUE(WaitConnected());
    for (int k : {1, 6, 7, 0, current}) Manager().OnChannelInChange(k);  // channel switches
    Manager().UpdateAllVolumeEdit();
    const int source = Manager().Profile().source;
    ApplyValue(1, 0x55);  // the unit reports another source, then the one it had
    ApplyValue(1, dv::SourceDeviceCode(source));
    ASSERT_TRUE(QueueDrained());
    Settle();
    const std::string text = log.Text();

    EXPECT_GT(Count(text, "Notify selectchanged") + Count(text, "Notify itemselect"), 0u)
        << "the refreshes changed options and combos";
    for (const char* dispatched : {"DUI_MSGTYPE_SELECTCHANGED index", "DUI_MSGTYPE_ITEMSELECT",
                                   "valuechanged index", "killfocus index", "setfocus index"})
        EXPECT_EQ(Count(text, dispatched), 0u) << dispatched;
    EXPECT_EQ(SetCommandsSince(transcriptFrom), "");
    EXPECT_EQ(SettingsText(Manager().Profile()), settings);
}

TEST_F(MainReadPathTest, TheSourcesInputRuleHoldsWheneverTheSourceIsShown) {
    PlugUnit();  // the tuned car plays Bluetooth: two inputs; only low and high level have four
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    auto* combo = FindAs<CComboUI>("btn_input_source");
    auto* list = qobject_cast<QListView*>(combo->GetComboBox()->view());
    ASSERT_NE(list, nullptr);
    for (int s = 0; s < dv::kSourceCount; ++s)
        EXPECT_EQ(list->isRowHidden(s), !dv::kInputSources[s].shownAtStart) << s;

    bool read = true;  // the first case is what the read showed
    for (auto [code, inputs34] : {std::pair{0x53, false},
                                  {0x55, true},
                                  {0x54, false},
                                  {0x56, true},
                                  {0x51, false},
                                  {0x53, false}}) {
        if (!std::exchange(read, false)) ApplyValue(1, code);
        for (int k = 0; k < 8; ++k) {
            for (int in = 1; in <= 4; ++in) {
                CControlUI* option = Find(QString("option_ch_in%1_%2").arg(in).arg(k));
                const bool shown = in <= 2 || inputs34;
                EXPECT_EQ(option->IsVisible(), shown) << code << " " << in << " " << k;
                EXPECT_EQ(option->IsEnabled(), shown) << code << " " << in << " " << k;
            }
        }
    }
}

TEST_F(MainReadPathTest, VolumeTextsKeepTheReportedValueAndReadOffAtTheSliderBottom) {
    OpenWindow();
    Settle();
    auto* mainSlider = FindAs<CSliderUI>("slider_main_volume");
    auto* chSlider = FindAs<CSliderUI>("slider_ch_volume_3");
    const QString off = Tr("${off}");
    for (int value = -128; value <= 127; ++value) {
        ApplyValue(2, value);
        ApplyChannelValue(8, 3, value);
        const int lowest = mainSlider->GetMinValue();
        const QString expected = value <= lowest ? off : QString("%1dB").arg(value);
        ASSERT_EQ(TextOf("edit_main_volume"), expected) << value;
        ASSERT_EQ(TextOf("edit_ch_volume_3"), expected) << value;
        ASSERT_EQ(mainSlider->GetValue(), std::clamp(value, lowest, mainSlider->GetMaxValue()));
        ASSERT_EQ(chSlider->GetValue(), std::clamp(value, lowest, chSlider->GetMaxValue()));
    }
}

TEST_F(MainReadPathTest, WithoutAUnitTheWindowShowsTheModelsValues) {
    OpenWindow();
    Settle();
    const dv::DspProfile& profile = Manager().Profile();
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(TextOf(QString("edit_ch_volume_%1").arg(k)),
                  QString("%1dB").arg(profile.channels[k].gain));
        EXPECT_EQ(TextOf(QString("edit_ch_delay_%1").arg(k)),
                  Manager().DelayText(profile.channels[k].delay));
    }
    // Graphic mode at start, and the button says so.
    EXPECT_FALSE(FindAs<CSButtonUI>("btn_arg_eq")->IsSelected());
    EXPECT_EQ(Find("btn_arg_eq")->GetRawText(), "${geq_mode}");
}

TEST_F(MainReadPathTest, SpeakerIconsTakeClicksAndOneHoldsTheFocus) {
    PlugUnit();
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    CControlUI* first = Find("speaker_1");  // the left tweeter of output 0, shown
    ASSERT_TRUE(first->IsVisible());
    LogToFile log;
    ASSERT_NE(first->GetWidget(), nullptr);
    QTest::mouseClick(first->GetWidget(), Qt::LeftButton, {}, first->GetWidget()->rect().center());
    Settle();
    EXPECT_EQ(Count(log.Text(), "Notify click\n"), 1u);
    for (int r = 1; r <= 24; ++r) {
        auto* icon = FindAs<COptionUI>(QString("speaker_%1").arg(r));
        ASSERT_NE(icon, nullptr) << r;
        EXPECT_EQ(icon->IsSelected(), r == 1) << r;
    }
    Manager().OnChannelInChange(1);  // its right tweeter shows
    FindAs<COptionUI>("speaker_7")->Activate();
    EXPECT_TRUE(FindAs<COptionUI>("speaker_7")->IsSelected());
    EXPECT_FALSE(FindAs<COptionUI>("speaker_1")->IsSelected());
}

// Bus events for one test: an unplug is followed by a re-plug at once, both reported to the
// window before the read that was cut can end (the listener runs on that read's thread, inside
// its write).
class ReplugAtOnceNotifier : public DeviceNotifier {
public:
    explicit ReplugAtOnceNotifier(std::shared_ptr<dv::sim::ProcessorSimulator> unit)
        : m_unit(std::move(unit)) {}
    ~ReplugAtOnceNotifier() override {
        dv::sim::SimBus::Instance().RemoveListener(m_listener);
        if (m_replug.joinable()) m_replug.join();
    }
    bool Start(dv::WindowHandle window) override {
        auto& bus = dv::sim::SimBus::Instance();
        m_listener = bus.AddListener([this, window, &bus](dv::sim::BusEvent event) {
            if (event != dv::sim::BusEvent::Removal || m_replug.joinable()) return;
            PostDeviceChange(window, kDbtDeviceRemoveComplete, "sim:dv80max");
            // Plugging notifies the listeners, which wait for this one to return.
            m_replug = std::thread([&bus, unit = m_unit] { bus.Plug(unit); });
            while (!bus.IsPlugged()) std::this_thread::yield();
            PostDeviceChange(window, kDbtDeviceArrival, "sim:dv80max");
        });
        return true;
    }

private:
    std::shared_ptr<dv::sim::ProcessorSimulator> m_unit;
    int m_listener = 0;
    std::thread m_replug;
};

// An unplug during the handshake and a re-plug before that read has ended: the stale end of
// the first read neither closes the second one's busy window nor disconnects its link.
TEST_F(MainReadPathTest, ReplugDuringTheReadKeepsTheNewLink) {
    auto unit = PlugUnit();
    dv::sim::SimBus::Instance().UnplugAtFrame(2);  // the greeting goes out, the handshake fails
    m_wnd = new CMainWnd([unit] { return std::make_unique<ReplugAtOnceNotifier>(unit); });
    ASSERT_NE(m_wnd->Create(nullptr, QStringLiteral("Stormedge DSP Audio"), UI_WNDSTYLE_FRAME, 0, 0,
                            0, 1230, 650),
              nullptr);
    // A busy window nobody closes would hold the test in its modal loop: after a deadline the
    // test closes what is left and counts it.
    int leftOpen = 0;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&leftOpen] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* busy = dynamic_cast<CLoadingWnd*>(CWindowWnd::FromHWND(widget));
            if (busy && widget->isVisible()) {
                ++leftOpen;
                busy->Close(0);
            }
        }
    });
    deadline.start(10000);
    // The plug-out notice is closed by the arrival that follows it at once.
    EXPECT_TRUE(WaitConnected());
    Settle();
    EXPECT_EQ(leftOpen, 0);
    EXPECT_FALSE(SawBox(Tr("${device_connect_fail}")));
    EXPECT_TRUE(Manager().IsConnected());
    EXPECT_EQ(Find("btnConnect")->GetRawText(), "${btn_connected}");
    EXPECT_EQ(m_wnd->BusyWindow(), nullptr);
}

TEST_F(MainReadPathTest, LogStampsTheReadAndNamesNotificationsNotYetDispatched) {
    LogToFile log;
    PlugUnit();
    OpenWindow();
    ASSERT_TRUE(WaitConnected());
    FindAs<CEditUI>("eq_gain_4")->SetFocus();
    FindAs<CEditUI>("edit_ch_volume_2")->SetFocus();
    FindAs<CComboUI>("hp_slop")->SelectItem(3);
    const std::string text = log.Text();
    const std::regex stampedRead(R"(\d+\.\d\d\.\d\d \d\d:\d+:\d+:\d+\nPC_UI_Status_Init\n)");
    const std::regex stampedDone(R"(\d+\.\d\d\.\d\d \d\d:\d+:\d+:\d+\nPC_UI_Status_Init done\n)");
    EXPECT_TRUE(std::regex_search(text, stampedRead));
    EXPECT_TRUE(std::regex_search(text, stampedDone));
    for (const char* line :
         {"on eq_gain_4 DUI_MSGTYPE_KILLFOCUS\n", "on eq eq_gain_4 killfocus index 4\n",
          "on edit_ch_volume_2 DUI_MSGTYPE_SETFOCUS\non mSliderChDelay SetVisible false\n",
          "on hp_slop DUI_MSGTYPE_ITEMSELECT\non eq hp_slop hp_slop valuechanged index "})
        EXPECT_TRUE(maintest::HasLinesInOrder(text, line)) << line;
}

namespace {

// The room a line edit gives its text: its contents rect less its text margins and the 2 px it
// keeps free at each side.
struct LineEditRoom : QLineEdit {
    static QStyleOptionFrame Option(const QLineEdit* edit) {
        QStyleOptionFrame option;
        (edit->*(&LineEditRoom::initStyleOption))(&option);
        return option;
    }
    static int Of(const QLineEdit* edit) {
        const QStyleOptionFrame option = Option(edit);
        const QRect contents =
            edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        const QMargins margins = edit->textMargins();
        return contents.width() - margins.left() - margins.right() - 4;
    }
};

}  // namespace

// Every number the band grid can show fits its edit whole, at every scale the screen rule picks.
TEST_F(MainReadPathTest, BandGridNumbersShowWholeAtEveryScale) {
    OpenWindow();
    Settle();
    FindAs<CSButtonUI>("btn_arg_eq")->SetSelected(true);  // parametric: every edit enabled
    Manager().RefreshBandControls(0);
    const std::pair<const char*, std::vector<QString>> columns[] = {
        {"eq_freq_%1", {"20000", "10000", "12500", "20"}},
        {"eq_q_%1", {"9.00", "0.50", "5.80"}},
        {"eq_gain_%1", {"-18.0", "-10.0", "12.0", "-3.5", "-0.1"}}};
    for (int dpi : {77, 96, 144, 192}) {
        m_wnd->GetPaintManager()->SetDPI(dpi);
        Settle();
        for (int b = 0; b < 31; ++b) {
            for (const auto& [format, texts] : columns) {
                auto* edit = FindAs<CEditUI>(QString(format).arg(b));
                ASSERT_NE(edit, nullptr);
                QLineEdit* line = edit->GetLineEdit();
                const QFontMetrics metrics(line->font());
                for (const QString& text : texts) {
                    ASSERT_LE(metrics.horizontalAdvance(text), LineEditRoom::Of(line))
                        << dpi << " " << edit->GetName().toStdString() << " '" << text.toStdString()
                        << "' in " << line->width() << " px";
                }
            }
        }
    }
}
