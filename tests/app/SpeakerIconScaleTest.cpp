// The speaker layout's role icons are float controls that start hidden; a scale set while they are
// hidden must still place them inside their container when they appear.
#include "tests/app/MainWndTestSupport.h"

using namespace DuiLib;
using maintest::MainWindowTest;

namespace {

class SpeakerIconScaleTest : public MainWindowTest {};

TEST_F(SpeakerIconScaleTest, RoleIconShowsInsideItsContainerAtEveryScale) {
    for (int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        OpenWindow();
        m_wnd->GetPaintManager()->SetDPI(dpi);  // before the connect, as at start-up
        PlugUnit();
        ASSERT_TRUE(WaitConnected());
        Settle();
        CControlUI* icon = Find(QStringLiteral("speaker_1"));
        ASSERT_NE(icon, nullptr);
        ASSERT_TRUE(icon->IsVisible()) << "output 1's role is the tweeter";
        ASSERT_NE(icon->GetWidget(), nullptr);
        EXPECT_TRUE(icon->GetWidget()->isVisible());
        const QRect box = icon->GetParent()->GetPos().ToQRect();
        const QRect shown = icon->GetWidget()->geometry();
        EXPECT_FALSE(shown.isEmpty());
        EXPECT_TRUE(box.contains(shown))
            << "icon at " << shown.x() << "," << shown.y() << " " << shown.width() << "x"
            << shown.height() << ", box at " << box.x() << "," << box.y() << " " << box.width()
            << "x" << box.height();
        // Where the markup puts it, scaled.
        EXPECT_EQ(shown.topLeft() - box.topLeft(), QPoint(62, 18) * dpi / 96);
        CloseWindow();
        dv::sim::SimBus::Instance().Reset();
    }
}

}  // namespace
