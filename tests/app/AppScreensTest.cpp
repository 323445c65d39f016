// The main window on simulated monitors: each case runs the window check below in a child
// process whose offscreen platform has the given monitors (native pixels and a desktop DPI, as
// X11 reports them), so QScreen, the DPI rule and the window placement are the program's own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdlib>

#include "MainWndTestSupport.h"
#include "MsgWindowTestSupport.h"
#include "app/dialogs/AutoCalWnd.h"
#include "ui/UIContainer.h"

namespace {

using namespace DuiLib;

struct Monitor {
    int x, y, width, height;
    int desktopDpi;  // 192 is a desktop scaled to 200 %
};

struct ScreenCase {
    const char* what;
    std::vector<Monitor> monitors;  // the first one is the primary
    int dpi;                        // the panel's DPI the rule must choose
};

QString OffscreenConfig(const std::vector<Monitor>& monitors) {
    QStringList screens;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Monitor& m = monitors[i];
        screens << QStringLiteral(
                       "{\"name\":\"m%1\",\"x\":%2,\"y\":%3,\"width\":%4,\"height\":%5,"
                       "\"logicalDpi\":%6,\"logicalBaseDpi\":96}")
                       .arg(i)
                       .arg(m.x)
                       .arg(m.y)
                       .arg(m.width)
                       .arg(m.height)
                       .arg(m.desktopDpi);
    }
    return QStringLiteral("{\"screens\":[%1]}").arg(screens.join(QLatin1Char(',')));
}

TEST(AppScreens, MainWindowIsScaledOnceAndFitsTheWidestMonitor) {
    const ScreenCase cases[] = {
        {"4K desktop at 200 %: 1920 logical pixels wide", {{0, 0, 3840, 2160, 192}}, 144},
        {"4K desktop unscaled", {{0, 0, 3840, 2160, 96}}, 288},
        {"1024x600 netbook", {{0, 0, 1024, 600, 96}}, 77},
        {"1280x700", {{0, 0, 1280, 700, 96}}, 77},
        {"2560x1080 ultrawide", {{0, 0, 2560, 1080, 96}}, 144},
        {"1920x1080 desktop at 200 %: 960x540 logical", {{0, 0, 1920, 1080, 192}}, 74},
        {"primary right of a wider monitor",
         {{2560, 0, 1920, 1080, 96}, {0, 0, 2560, 1440, 96}},
         192},
        {"primary right of a wider monitor scaled to 200 %",
         {{3840, 0, 1920, 1080, 96}, {0, 0, 3840, 2160, 192}},
         144},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int n = 0;
    for (const ScreenCase& c : cases) {
        const QString configPath = dir.filePath(QStringLiteral("screens%1.json").arg(n++));
        QFile config(configPath);
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(OffscreenConfig(c.monitors).toUtf8());
        config.close();

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("offscreen:configfile=") + configPath);
        env.insert(QStringLiteral("DV_EXPECT_DPI"), QString::number(c.dpi));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_also_run_disabled_tests"),
                     QStringLiteral("--gtest_filter=AppScreensChild.*")});
        ASSERT_TRUE(child.waitForFinished(60000)) << c.what;
        const QByteArray output = child.readAll();
        EXPECT_TRUE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                    output.contains("[  PASSED  ] 1 test."))
            << c.what << "\n"
            << output.constData();
    }
}

// The widest monitor as the panel's users see it: the primary unless another is wider.
QScreen* WidestScreen() {
    QScreen* widest = QGuiApplication::primaryScreen();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().width() > widest->geometry().width()) widest = screen;
    return widest;
}

void CollectVisible(CControlUI* control, std::vector<CControlUI*>& out) {
    if (!control || !control->IsVisible()) return;
    out.push_back(control);
    if (auto* box = static_cast<CContainerUI*>(control->GetInterface(QStringLiteral("Container"))))
        for (int i = 0; i < box->GetCount(); ++i) CollectVisible(box->GetItemAt(i), out);
}

class AppScreensChild : public maintest::MainWindowTest {};

// Run only by the test above, in its child process.
TEST_F(AppScreensChild, DISABLED_MainWindowOnTheseMonitors) {
    const char* expectedDpi = std::getenv("DV_EXPECT_DPI");
    ASSERT_NE(expectedDpi, nullptr);
    QScreen* widest = WidestScreen();
    ASSERT_NE(widest, nullptr);

    OpenWindow();
    ASSERT_TRUE(m_wnd && m_wnd->IsWindow());
    QWidget* window = m_wnd->GetHWND();
    EXPECT_EQ(m_wnd->GetPaintManager()->GetDPI(), std::atoi(expectedDpi));
    // Moved to the widest monitor's corner, in the coordinates windows are placed in.
    EXPECT_EQ(window->pos(), widest->geometry().topLeft());
    m_wnd->CenterWindow();
    Settle();

    const QRect area = widest->availableGeometry();
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(area.contains(frame))
        << "window " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
        << frame.height() << " on " << area.x() << "," << area.y() << " " << area.width() << "x"
        << area.height();
    // The markup's size scaled once, by the panel's DPI only.
    const int scale = m_wnd->GetPaintManager()->GetScale();
    EXPECT_EQ(window->size(), QSize(1230 * scale / 100, 650 * scale / 100));

    m_wnd->GetPaintManager()->UpdateLayout();
    std::vector<CControlUI*> visible;
    CollectVisible(m_wnd->GetPaintManager()->GetRoot(), visible);
    ASSERT_GT(visible.size(), 100u);
    const QRect client(QPoint(0, 0), window->size());
    for (CControlUI* control : visible) {
        const QRect rc = control->GetPos().ToQRect();
        if (rc.isEmpty()) continue;
        EXPECT_TRUE(client.contains(rc))
            << control->GetName().toStdString() << " at " << rc.x() << "," << rc.y() << " "
            << rc.width() << "x" << rc.height();
    }
    CControlUI* close = Find(QStringLiteral("closebtn"));
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(close->GetPos().ToQRect().isEmpty());
    EXPECT_TRUE(area.contains(window->mapToGlobal(close->GetPos().ToQRect().center())));

    // A tool window takes its markup size at the same scale and lies wholly on one monitor.
    bool shown = false;
    msgtest::WhenShown("AutoCalWnd", [&](DuiLib::WindowImplBase* tool) {
        shown = true;
        const int toolScale = tool->GetPaintManager()->GetScale();
        EXPECT_EQ(tool->GetHWND()->size(), QSize(1000 * toolScale / 100, 600 * toolScale / 100));
        const QRect frame = tool->GetHWND()->frameGeometry();
        bool onOneScreen = false;
        for (QScreen* screen : QGuiApplication::screens())
            onOneScreen = onOneScreen || screen->availableGeometry().contains(frame);
        EXPECT_TRUE(onOneScreen);
        msgtest::Click(tool, QStringLiteral("closebtn"));
    });
    RunAutoCalibration(*m_wnd, m_wnd->Manager());
    EXPECT_TRUE(shown);
}

}  // namespace
