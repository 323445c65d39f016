// Drives the real main window against the simulated unit: the program's skin, a simulated
// DV80MAX on the bus, the window made as the programs make it, and a watcher that notes (and
// by default answers) every system message box that opens.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWnd.h"
#include "app/SkinResources.h"
#include "base/DeviceNotifier.h"
#include "sim/SimBus.h"
#include "ui/UILib.h"

namespace maintest {

struct SeenBox {
    QString title;
    QString text;
    bool modal = false;
};

// The single-instance lock lives in the runtime directory; each test process gets its own, so
// test processes running side by side (and a panel someone has open) do not see each other.
// True when the lines of `entry` appear in `log` in their order. The command thread writes its
// own lines, which may fall between the lines one operation on the window thread writes.
inline bool HasLinesInOrder(const std::string& log, const std::string& entry) {
    std::size_t at = 0;
    for (std::size_t start = 0; start < entry.size();) {
        const std::size_t end = entry.find('\n', start);
        const std::size_t stop = end == std::string::npos ? entry.size() : end + 1;
        at = log.find(entry.substr(start, stop - start), at);
        if (at == std::string::npos) return false;
        start = stop;
    }
    return true;
}

inline void UseOwnRuntimeDirectory() {
    static QTemporaryDir directory;
    if (directory.isValid())
        setenv("XDG_RUNTIME_DIR", directory.path().toLocal8Bit().constData(), 1);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseOwnRuntimeDirectory();
        // A window of an earlier test may have left itself as the text source.
        DuiLib::CResourceManager::GetInstance()->SetTextQueryInterface(nullptr);
        DuiLib::CPaintManagerUI::Term();
        ASSERT_TRUE(PrepareSkinResources());
        dv::sim::SimBus::Instance().Reset();
        m_watcher = std::make_unique<QTimer>();
        QObject::connect(m_watcher.get(), &QTimer::timeout, [this] { Watch(); });
        m_watcher->start(2);
    }

    void TearDown() override {
        CloseWindow();
        m_watcher.reset();
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget)) box->done(0);
        dv::sim::SimBus::Instance().Reset();
        DuiLib::CPaintManagerUI::Term();
    }

    static std::shared_ptr<dv::sim::ProcessorSimulator> PlugUnit(
        dv::sim::SimOptions options = {}, dv::sim::SimUnitState state = dv::sim::TunedCarState()) {
        auto unit = std::make_shared<dv::sim::ProcessorSimulator>(options, state);
        dv::sim::SimBus::Instance().Plug(unit);
        return unit;
    }

    void OpenWindow() {
        m_wnd = new CMainWnd(CreateSimBusDeviceNotifier);
        ASSERT_NE(m_wnd->Create(nullptr, QStringLiteral("Stormedge DSP Audio"),
                                DuiLib::UI_WNDSTYLE_FRAME, 0, 0, 0, 1230, 650),
                  nullptr);
    }

    void CloseWindow() {
        if (!m_wnd) return;
        if (m_wnd->IsWindow()) m_wnd->SendMessage(DuiLib::WM_CLOSE);
        delete m_wnd;
        m_wnd = nullptr;
        ClearQuitRequest();
    }

    // Closing the main window asks the application to quit; with no main loop running in a test
    // that request would make every later modal loop return at once. A short main loop run
    // consumes it.
    static void ClearQuitRequest() {
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }

    // Pumps events until `done` holds or the deadline passes; returns `done()`.
    static bool WaitFor(const std::function<bool()>& done, int ms = 8000) {
        const QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired()) QTest::qWait(2);
        return done();
    }

    bool WaitConnected(int ms = 8000) {
        return WaitFor([this] { return m_wnd->Manager().IsConnected() && !m_wnd->BusyWindow(); },
                       ms);
    }

    // Settles the window: every message posted so far is handled.
    static void Settle() { QTest::qWait(20); }

    DuiLib::CControlUI* Find(const QString& name) const {
        return m_wnd->GetPaintManager()->FindControl(name);
    }
    template <typename T>
    T* FindAs(const QString& name) const {
        return dynamic_cast<T*>(Find(name));
    }
    QString TextOf(const QString& name) const {
        DuiLib::CControlUI* control = Find(name);
        return control ? control->GetText() : QStringLiteral("<missing %1>").arg(name);
    }
    static QString Tr(const char* key) {
        return DuiLib::CResourceManager::GetInstance()->GetText(QString::fromLatin1(key));
    }

    // Posts a reply record as the link does.
    void PostReply(unsigned message, unsigned code, std::unique_ptr<dv::MessageRecord> record) {
        dv::PostToWindow(m_wnd->GetWindowHandle(), message, code, std::move(record));
        Settle();
    }

    bool SawBox(const QString& text) const {
        for (const SeenBox& box : m_boxes)
            if (box.text == text) return true;
        return false;
    }

    CMainWnd* m_wnd = nullptr;
    std::vector<SeenBox> m_boxes;
    bool m_autoCloseBoxes = true;
    bool m_sawBusyWindow = false;

private:
    void Watch() {
        if (m_wnd && m_wnd->BusyWindow()) m_sawBusyWindow = true;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible() || box->property("maintestSeen").toBool()) continue;
            box->setProperty("maintestSeen", true);
            m_boxes.push_back({box->windowTitle(), box->text(), box->isModal()});
            if (m_autoCloseBoxes) box->done(0);
        }
    }

    std::unique_ptr<QTimer> m_watcher;
};

}  // namespace maintest
