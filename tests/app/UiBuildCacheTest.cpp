// What makes windows open fast must not change what they are: markup kept parsed per archive,
// the name index, and self-painted controls left out of the style sheet's polish.
#include <QLineEdit>
#include <QToolTip>

#include "tests/app/UiTestSupport.h"

using namespace DuiLib;

namespace {

using uitest::MakeZip;

QByteArray Markup(const char* labelName) {
    return QByteArray("<Window size=\"60,40\"><VerticalLayout name=\"root\"><Label name=\"") +
           labelName + "\" text=\"x\"/></VerticalLayout></Window>";
}

TEST(UiBuildCache, MarkupIsKeptPerArchiveAndBadMarkupSaysWhy) {
    CPaintManagerUI::Term();
    CResourceManager* rm = CResourceManager::GetInstance();
    const QByteArray first = MakeZip({{"xml/w.xml", Markup("one")}, {"xml/bad.xml", "<Window><"}});
    ASSERT_TRUE(CPaintManagerUI::SetResourceZip(first.constData(), first.size(), "any"));
    QString error;
    const CMarkupPtr parsed = rm->GetMarkup("xml/w.xml", error);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(rm->GetMarkup("xml/w.xml", error), parsed);  // parsed once
    EXPECT_FALSE(rm->GetMarkup("xml/none.xml", error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_FALSE(rm->GetMarkup("xml/bad.xml", error));
    EXPECT_TRUE(error.contains("(line 1)")) << error.toStdString();

    // Every window of the file gets its own controls from the kept tree.
    for (int i = 0; i < 2; ++i) {
        uitest::RecordingWnd wnd("xml/w.xml");
        ASSERT_TRUE(wnd.Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
        ASSERT_NE(wnd.Find("one"), nullptr);
        EXPECT_EQ(wnd.Find("one")->GetText(), QStringLiteral("x"));
        EXPECT_EQ(wnd.Pm().GetInitSize(), QSize(60, 40));
    }

    // Another archive: the same path is read again.
    const QByteArray second = MakeZip({{"xml/w.xml", Markup("two")}});
    ASSERT_TRUE(CPaintManagerUI::SetResourceZip(second.constData(), second.size(), "any"));
    uitest::RecordingWnd wnd("xml/w.xml");
    ASSERT_TRUE(wnd.Create(nullptr, "t", UI_WNDSTYLE_DIALOG, 0));
    EXPECT_EQ(wnd.Find("one"), nullptr);
    EXPECT_NE(wnd.Find("two"), nullptr);

    CDialogBuilder builder;
    for (const char* bad : {"<", "<VerticalLayout><Label", "<Window><Font id=\"0\"/></Window>"}) {
        EXPECT_EQ(builder.Create(bad), nullptr);
        EXPECT_FALSE(builder.GetLastErrorMessage().isEmpty()) << bad;
    }
    CPaintManagerUI::Term();
}

TEST(UiBuildCache, NameLookUpFollowsEveryChangeOfTheTree) {
    auto wnd = uitest::Open(
        "<Window size=\"200,100\"><VerticalLayout name=\"root\">"
        "<HorizontalLayout name=\"row\"><Label name=\"a\"/><Label name=\"dup\" userdata=\"1\"/>"
        "</HorizontalLayout><Label name=\"dup\" userdata=\"2\"/><Label name=\"b\"/>"
        "</VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    auto* root = static_cast<CContainerUI*>(wnd->Find("root"));
    auto* row = static_cast<CContainerUI*>(wnd->Find("row"));
    // The index must answer what a walk of the tree answers.
    const auto agrees = [&](const char* step) {
        for (const char* name : {"root", "row", "a", "b", "c", "dup", "added", ""}) {
            EXPECT_EQ(wnd->Find(name), root->FindControl(name)) << step << ": " << name;
        }
    };
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"built", [] {}},
        {"renamed", [&] { wnd->Find("b")->SetName("c"); }},
        {"renamed away", [&] { wnd->Find("a")->SetName("dup"); }},
        {"added first",
         [&] {
             auto* added = new CLabelUI;
             added->SetName("dup");
             root->AddAt(added, 0);
         }},
        {"moved", [&] { root->SetItemIndex(row, 0); }},
        {"built into",
         [&] {
             CDialogBuilder builder;
             builder.Create("<Label name=\"added\"/>", QString(), nullptr, &wnd->Pm(), row);
         }},
        {"removed", [&] { root->RemoveAt(0); }},
        {"emptied", [&] { row->RemoveAll(); }},
    };
    for (const auto& [step, change] : steps) {
        change();
        agrees(step);
    }
    wnd->Pm().AttachDialog(new CVerticalLayoutUI);
    EXPECT_EQ(wnd->Find("c"), nullptr);
}

TEST(UiBuildCache, EditsAndTipsKeepTheWindowStyleSheet) {
    auto wnd = uitest::Open(
        "<Window size=\"120,60\"><VerticalLayout bkcolor=\"#FF102030\">"
        "<Label name=\"l\" height=\"30\" bkcolor=\"#FF405060\" tooltip=\"tip\"/>"
        "<Edit name=\"e\" height=\"30\"/></VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    const QImage label = uitest::W(*wnd, "l")->grab().toImage();
    EXPECT_EQ(label.pixelColor(10, 10), QColor(0x40, 0x50, 0x60));
    uitest::W(*wnd, "e")->clearFocus();
    const QImage edit = uitest::W(*wnd, "e")->grab().toImage();
    EXPECT_EQ(edit.pixelColor(0, 15), QColor(0x33, 0x3B, 0x46));   // border
    EXPECT_EQ(edit.pixelColor(10, 15), QColor(0x0F, 0x12, 0x16));  // background

    QWidget* labelWidget = uitest::W(*wnd, "l");
    QToolTip::showText(labelWidget->mapToGlobal(QPoint(5, 5)), "tip", labelWidget);
    QWidget* tip = nullptr;
    ASSERT_TRUE(uitest::WaitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "qtooltip_label" && w->isVisible()) tip = w;
        return tip != nullptr;
    }));
    const QImage tipShot = tip->grab().toImage();
    EXPECT_EQ(tipShot.pixelColor(tipShot.width() / 2, 0), QColor(0x2B, 0x32, 0x3C));
    EXPECT_EQ(tipShot.pixelColor(2, tipShot.height() / 2), QColor(0x1C, 0x21, 0x28));
    QToolTip::hideText();
}

}  // namespace
