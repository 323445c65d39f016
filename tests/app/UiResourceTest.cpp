// The skin archive, the resource index, image scale variants and the language rules.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>

#include "tests/app/UiTestSupport.h"

using namespace DuiLib;

namespace {

const char kPassword[] = "marlin-crop-vaneth";

QByteArray SkinBytes() {
    QFile file(QStringLiteral(":/ZIPRES/IDR_ZIPRES"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char kCn[] =
    "<Language>"
    "<Text id=\"${tips}\" value=\"提示\"/>"
    "<Text id=\"${two}\" value=\"上{\\n}下\"/>"
    "<Text id=\"${dup}\" value=\"first\"/>"
    "<Text id=\"${dup}\" value=\"second\"/>"
    "<text id=\"${lower}\" value=\"小写\"/>"
    "<Text id=\"${noval}\"/>"
    "<Other id=\"${other}\" value=\"x\"/>"
    "</Language>";
const char kEn[] =
    "<Language>"
    "<Text id=\"${tips}\" value=\"Tips\"/>"
    "<Text id=\"${only_en}\" value=\"English only\"/>"
    "</Language>";

class UiResource : public ::testing::Test {
protected:
    void SetUp() override { CPaintManagerUI::Term(); }
    void TearDown() override {
        CResourceManager::GetInstance()->SetTextQueryInterface(nullptr);
        CPaintManagerUI::Term();
    }
    CResourceManager* rm = CResourceManager::GetInstance();
};

TEST_F(UiResource, ArchiveOpensWithItsPasswordOnlyAndMapsTheIndex) {
    const QByteArray bytes = SkinBytes();
    ASSERT_FALSE(bytes.isEmpty()) << "the build embeds the skin archive";

    for (const char* wrong : {"", "marlin-crop-vanetH", "marlin-crop-vaneth ", "password"}) {
        EXPECT_FALSE(CPaintManagerUI::SetResourceZip(bytes.constData(), bytes.size(), wrong))
            << wrong;
        EXPECT_FALSE(rm->HasResourceZip());
    }
    QByteArray damaged = bytes;
    damaged.truncate(damaged.size() / 2);
    EXPECT_FALSE(CPaintManagerUI::SetResourceZip(damaged.constData(), damaged.size(), kPassword));
    EXPECT_FALSE(CPaintManagerUI::SetResourceZip(nullptr, 0, kPassword));

    ASSERT_TRUE(CPaintManagerUI::SetResourceZip(bytes.constData(), bytes.size(), kPassword));
    ASSERT_TRUE(rm->LoadResource(QStringLiteral("xml\\res.xml")));
    EXPECT_EQ(rm->GetXmlPath(QStringLiteral("XML_MSG")), QStringLiteral("xml/msg.xml"));
    EXPECT_EQ(rm->GetXmlPath(QStringLiteral("xml/other.xml")), QStringLiteral("xml/other.xml"));
    QByteArray index;
    EXPECT_TRUE(rm->ReadFile(QStringLiteral("xml\\res.xml"), index));
    EXPECT_TRUE(index.contains("XML_MAIN"));
    EXPECT_FALSE(rm->ReadFile(QStringLiteral("xml/none.xml"), index));
    EXPECT_TRUE(index.isEmpty());
}

TEST_F(UiResource, WithoutAnArchiveWindowsStillOpenEmpty) {
    EXPECT_FALSE(rm->LoadResource(QStringLiteral("xml\\res.xml")));
    EXPECT_FALSE(rm->LoadLanguage(QStringLiteral("lan/lan_cn.xml"), QStringLiteral("cn_zh")));
    EXPECT_TRUE(rm->GetImage(QStringLiteral("a.png"), 100).isNull());
    auto wnd = std::make_unique<uitest::RecordingWnd>(QStringLiteral("XML_MSG"));
    ASSERT_NE(wnd->Create(nullptr, QStringLiteral("t"), UI_WNDSTYLE_DIALOG, 0), nullptr);
    EXPECT_NE(wnd->Pm().GetRoot(), nullptr);
    EXPECT_EQ(wnd->Find(QStringLiteral("closebtn")), nullptr);
    EXPECT_EQ(rm->GetText(QStringLiteral("${tips}")), QStringLiteral("${tips}"));
}

TEST_F(UiResource, ImageNamesTakeTheScaleVariant) {
    EXPECT_EQ(CResourceManager::GetScaledImageName("name.png", 150),
              QStringLiteral("name@150.png"));
    EXPECT_EQ(CResourceManager::GetScaledImageName("btn_dis_hot.png", 150),
              QStringLiteral("btn_dis_hot@150.png"));
    EXPECT_EQ(CResourceManager::GetScaledImageName("img/a.b.png", 200),
              QStringLiteral("img/a.b@200.png"));
    EXPECT_EQ(CResourceManager::GetScaledImageName("name.png", 100), QStringLiteral("name.png"));
    EXPECT_EQ(CResourceManager::GetScaledImageName("noext", 150), QStringLiteral("noext"));
}

TEST_F(UiResource, LookupRules) {
    ASSERT_TRUE(rm->LoadLanguage(kCn, QStringLiteral("cn_zh")));
    EXPECT_EQ(rm->GetText(QStringLiteral("${tips}")), QStringLiteral("提示"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${missing}")), QStringLiteral("${missing}"));
    EXPECT_EQ(rm->GetText(QStringLiteral("Volume")), QStringLiteral("Volume"));
    EXPECT_EQ(rm->GetText(QString()), QString());
    EXPECT_EQ(rm->GetText(QStringLiteral("${two}")), QStringLiteral("上\n下"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${dup}")), QStringLiteral("second"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${lower}")), QStringLiteral("小写"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${noval}")), QStringLiteral("${noval}"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${other}")), QStringLiteral("${other}"));
    // Only a text that starts with the key form is looked up.
    EXPECT_EQ(rm->GetText(QStringLiteral(" ${tips}")), QStringLiteral(" ${tips}"));
}

TEST_F(UiResource, TwoSlotsSelectionAndFailures) {
    EXPECT_FALSE(rm->LoadLanguage(QStringLiteral("<Language><Text id="), QStringLiteral("bad")));
    EXPECT_EQ(rm->GetLanguage(), QString());
    ASSERT_TRUE(rm->LoadLanguage(kCn, QStringLiteral("cn_zh")));
    ASSERT_TRUE(rm->LoadLanguage(kEn, QStringLiteral("en")));
    EXPECT_EQ(rm->GetLanguage(), QStringLiteral("en"));
    EXPECT_FALSE(rm->LoadLanguage(kEn, QStringLiteral("de")));
    EXPECT_EQ(rm->GetLanguage(), QStringLiteral("en"));

    rm->SelectLanguage(QStringLiteral("CN_ZH"));
    EXPECT_EQ(rm->GetLanguage(), QStringLiteral("cn_zh"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${only_en}")), QStringLiteral("${only_en}"));
    rm->SelectLanguage(QStringLiteral("de"));
    EXPECT_EQ(rm->GetLanguage(), QStringLiteral("cn_zh"));
    rm->SelectLanguage(QStringLiteral("en"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${tips}")), QStringLiteral("Tips"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${only_en}")), QStringLiteral("English only"));
}

TEST_F(UiResource, FailingChineseTableLeavesEnglishInTheFirstSlot) {
    EXPECT_FALSE(rm->LoadLanguage(QStringLiteral("<Language><Text"), QStringLiteral("cn_zh")));
    ASSERT_TRUE(rm->LoadLanguage(kEn, QStringLiteral("en")));
    rm->SelectLanguage(QStringLiteral("cn_zh"));
    EXPECT_EQ(rm->GetLanguage(), QStringLiteral("en"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${tips}")), QStringLiteral("Tips"));
    // The English slot is the first: one more table still fits.
    EXPECT_TRUE(rm->LoadLanguage(kCn, QStringLiteral("cn_zh")));
}

class Query : public IQueryControlText {
public:
    QString QueryControlText(const QString& id, const QString&) override {
        return id == QStringLiteral("${tips}")         ? QStringLiteral("from query")
               : id == QStringLiteral("${query_only}") ? QStringLiteral("asked")
                                                       : QString();
    }
};

TEST_F(UiResource, TextQueryReplacesLoadedValuesAndFillsMissingKeys) {
    Query query;
    rm->SetTextQueryInterface(&query);
    ASSERT_TRUE(rm->LoadLanguage(kCn, QStringLiteral("cn_zh")));
    EXPECT_EQ(rm->GetText(QStringLiteral("${tips}")), QStringLiteral("from query"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${two}")), QStringLiteral("上\n下"));
    EXPECT_EQ(rm->GetText(QStringLiteral("${query_only}")), QStringLiteral("asked"));
}

TEST_F(UiResource, SwitchingLanguageRefreshesEveryShownText) {
    ASSERT_TRUE(rm->LoadLanguage(kCn, QStringLiteral("cn_zh")));
    ASSERT_TRUE(rm->LoadLanguage(kEn, QStringLiteral("en")));
    rm->SelectLanguage(QStringLiteral("cn_zh"));
    auto wnd = uitest::Open(QStringLiteral(
        "<Window size=\"300,200\"><VerticalLayout>"
        "<Label name=\"l\" text=\"${tips}\" tooltip=\"${tips}\"/>"
        "<Label name=\"plain\" text=\"Volume\"/>"
        "<Edit name=\"e\" text=\"${tips}\"/>"
        "<Combo name=\"c\" selectedid=\"0\"><ListLabelElement text=\"${tips}\"/></Combo>"
        "</VerticalLayout></Window>"));
    ASSERT_TRUE(wnd);
    auto* edit = static_cast<CEditUI*>(wnd->Find("e"));
    auto* combo = static_cast<CComboUI*>(wnd->Find("c"));
    auto shown = [&] {
        return QStringList{wnd->Find("l")->GetText(), wnd->Find("l")->GetWidget()->toolTip(),
                           edit->GetLineEdit()->text(), combo->GetComboBox()->currentText(),
                           wnd->Find("plain")->GetText()};
    };
    const QStringList chinese{"提示", "提示", "提示", "提示", "Volume"};
    const QStringList english{"Tips", "Tips", "Tips", "Tips", "Volume"};
    EXPECT_EQ(shown(), chinese);
    rm->SelectLanguage(QStringLiteral("en"));
    EXPECT_EQ(shown(), english);
    rm->SelectLanguage(QStringLiteral("cn_zh"));
    EXPECT_EQ(shown(), chinese);
}

// Groups of pixel rows that hold text in a label's rendering.
int TextLineCount(QWidget* widget) {
    const QImage img = widget->grab().toImage();
    const QRgb background = img.pixel(0, 0);
    int lines = 0;
    bool inLine = false;
    for (int y = 0; y < img.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < img.width() && !ink; ++x) ink = img.pixel(x, y) != background;
        if (ink && !inLine) ++lines;
        inLine = ink;
    }
    return lines;
}

TEST_F(UiResource, ALineBreakInAValueShowsTwoLines) {
    ASSERT_TRUE(rm->LoadLanguage(kCn, QStringLiteral("cn_zh")));
    auto wnd = uitest::Open(
        QStringLiteral("<Window size=\"200,120\"><VerticalLayout bkcolor=\"#FF14171C\">"
                       "<Label name=\"two\" text=\"${two}\" height=\"60\" bkcolor=\"#FF14171C\"/>"
                       "<Label name=\"one\" text=\"${tips}\" height=\"60\" bkcolor=\"#FF14171C\"/>"
                       "</VerticalLayout></Window>"));
    ASSERT_TRUE(wnd);
    EXPECT_EQ(TextLineCount(uitest::W(*wnd, "two")), 2);
    EXPECT_EQ(TextLineCount(uitest::W(*wnd, "one")), 1);
}

}  // namespace
