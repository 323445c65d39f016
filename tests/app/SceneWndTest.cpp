// The scene window against the simulated unit: its three modes, loading a scene into the unit
// and the panel, names typed, checked and stored, and deleting.
#include <QRegularExpression>

#include "tests/app/SceneTestSupport.h"

namespace {

using dv::sim::SimUnitState;
using scenetest::DiffCurrent;

std::array<uint8_t, 16> Bytes(std::initializer_list<uint8_t> bytes) {
    std::array<uint8_t, 16> name{};
    std::copy(bytes.begin(), bytes.end(), name.begin());
    return name;
}

class SceneWndTest : public scenetest::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ConnectFast([](SimUnitState& s) { s.names[6] = dv::sim::SceneNameBytes("Club"); });
        Mark();
    }
    int SceneFrames(uint8_t subcmd) {
        int count = 0;
        for (const auto& f : SetFrames(2)) count += f.subcmd == subcmd;
        return count;
    }
};

TEST_F(SceneWndTest, EachModeShowsItsTitleAndButtons) {
    const struct {
        SceneWndMode mode;
        const char* title;
        const char* confirm;
    } rows[] = {{SceneWndMode::Load, "${load_scene}", "${load}"},
                {SceneWndMode::SaveAs, "${save_as_scene}", "${save}"},
                {SceneWndMode::Delete, "${delete_scene}", "${delete}"}};
    for (const auto& row : rows) {
        QString title, confirm, cancel, second;
        msgtest::WhenShown(QStringLiteral("MsgWnd"), [&](DuiLib::WindowImplBase* w) {
            title = msgtest::Find(w, QStringLiteral("MessageTitle"))->GetText();
            confirm = msgtest::Find(w, QStringLiteral("confirm_btn"))->GetText();
            cancel = msgtest::Find(w, QStringLiteral("cancel_btn"))->GetText();
            auto* list =
                static_cast<DuiLib::CListUI*>(msgtest::Find(w, QStringLiteral("listview")));
            DuiLib::CControlUI* value =
                w->GetPaintManager()->FindSubControlByName(list->GetItemAt(1), "value");
            second = value ? value->GetText() : QString();
            msgtest::Click(w, QStringLiteral("cancel_btn"));
        });
        if (row.mode == SceneWndMode::Load) Manager().LoadSenceConfigFromDSP();
        if (row.mode == SceneWndMode::SaveAs) Manager().SaveSenceConfigToDSP();
        if (row.mode == SceneWndMode::Delete) Manager().DeleteDSPSenceConfig();
        EXPECT_EQ(title, Tr(row.title));
        EXPECT_EQ(confirm, Tr(row.confirm));
        EXPECT_EQ(cancel, Tr("${exit}"));
        EXPECT_EQ(second, QStringLiteral("Concert"));
    }
    EXPECT_TRUE(SetFrames(0).empty());
}

TEST_F(SceneWndTest, LoadingASceneMakesItTheUnitsAndThePanelsCurrentSetting) {
    RunSceneWindow(SceneWndMode::Load, 1);
    const SimUnitState unit = m_unit->State();
    EXPECT_EQ(scenetest::Diff(unit.stored[1], Manager().Profile()), "");
    EXPECT_EQ(DiffCurrent(unit, Manager().Profile()), "");
    EXPECT_TRUE(Manager().Device().IsCmdQueueEnabled());
    EXPECT_FALSE(SawBox(Tr("${scene_load_fail}")));
}

// Names of 7 characters, Chinese, Latin and mixed, stored as the unit's GBK bytes and read back.
TEST_F(SceneWndTest, NamesRoundTripThroughTheUnitAndAnEmojiIsRefused) {
    const struct {
        QString typed;
        std::array<uint8_t, 16> stored;
        QString kept;  // an eighth character is cut
    } rows[] = {
        {QStringLiteral("日间模式日间模"),
         Bytes(
             {0xC8, 0xD5, 0xBC, 0xE4, 0xC4, 0xA3, 0xCA, 0xBD, 0xC8, 0xD5, 0xBC, 0xE4, 0xC4, 0xA3}),
         QStringLiteral("日间模式日间模")},
        {QStringLiteral("Weekend"), dv::sim::SceneNameBytes("Weekend"), QStringLiteral("Weekend")},
        {QStringLiteral("Club夜2模式"), Bytes({'C', 'l', 'u', 'b', 0xD2, 0xB9, '2', 0xC4, 0xA3}),
         QStringLiteral("Club夜2模")},
    };
    for (const auto& row : rows) {
        RunSceneWindow(SceneWndMode::SaveAs, 4, row.typed);
        EXPECT_TRUE(SawBox(Tr("${save_scene_ok}")));
        EXPECT_EQ(m_unit->State().names[4], row.stored) << row.typed.toStdString();
        Reread();
        EXPECT_EQ(Manager().SceneName(4), row.kept);
    }
    Mark();
    const QString before = Manager().SceneName(4);
    RunSceneWindow(SceneWndMode::SaveAs, 4, QStringLiteral("Party\U0001F389"), false);
    EXPECT_TRUE(SawBox(Tr("${scene_name_unencodable}")));
    EXPECT_EQ(SceneFrames(11) + SceneFrames(8), 0);
    EXPECT_EQ(Manager().SceneName(4), before);
}

TEST_F(SceneWndTest, SameNameIsRefusedWithTheOtherSceneAndAnotherCaseIsTaken) {
    RunSceneWindow(SceneWndMode::SaveAs, 2, QStringLiteral("Club"), false);
    QString expected = Tr("${same_name_tips}");
    for (const char* arg : {"Club", "7", "Club"})
        expected.replace(expected.indexOf(QRegularExpression("%[ds]")), 2, QLatin1String(arg));
    EXPECT_TRUE(SawBox(expected)) << expected.toStdString();
    EXPECT_EQ(SceneFrames(11) + SceneFrames(8), 0);
    EXPECT_EQ(Manager().SceneName(2), QString());

    RunSceneWindow(SceneWndMode::SaveAs, 2, QStringLiteral("club"));
    EXPECT_EQ(m_unit->State().names[2], dv::sim::SceneNameBytes("club"));
    EXPECT_EQ(Manager().SceneName(2), QStringLiteral("club"));
    EXPECT_EQ(m_unit->State().stored[2].outputs[0].trim, m_unit->State().current.outputs[0].trim);
}

TEST_F(SceneWndTest, DeleteEmptiesTheSceneInTheUnitAndThePanel) {
    ASSERT_EQ(Manager().SceneName(1), QStringLiteral("Concert"));
    RunSceneWindow(SceneWndMode::Delete, 1);
    EXPECT_EQ(SceneFrames(10), 1);
    EXPECT_EQ(Manager().SceneName(1), QString());
    Reread();
    EXPECT_EQ(Manager().SceneName(1), QString());
}

}  // namespace
