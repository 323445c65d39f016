// Helpers for driving the modal message windows from a test: wait for a window to appear, click
// its buttons and type into it with real Qt input events.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/SkinResources.h"
#include "ui/UILib.h"

namespace msgtest {

// The visible framework window of a class, or nullptr.
inline DuiLib::WindowImplBase* FindWindow(const QString& className) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible()) continue;
        auto* window = dynamic_cast<DuiLib::WindowImplBase*>(DuiLib::CWindowWnd::FromHWND(widget));
        if (window && window->GetWindowClassName() == className) return window;
    }
    return nullptr;
}

// Runs `action` once a window of `className` is shown (from inside its modal run). If none shows
// up within five seconds the test fails and every visible framework window is closed.
inline void WhenShown(const QString& className,
                      std::function<void(DuiLib::WindowImplBase*)> action) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, className, action, deadline]() {
        if (DuiLib::WindowImplBase* window = FindWindow(className)) {
            timer->deleteLater();
            action(window);
        } else if (deadline.hasExpired()) {
            timer->deleteLater();
            ADD_FAILURE() << "window " << className.toStdString() << " never showed";
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (DuiLib::CWindowWnd* other = DuiLib::CWindowWnd::FromHWND(widget))
                    other->Close(0);
            }
        }
    });
    timer->start(5);
}

inline DuiLib::CControlUI* Find(DuiLib::WindowImplBase* window, const QString& name) {
    return window->GetPaintManager()->FindControl(name);
}

// A left click in the middle of the control, as the user would make it.
inline void Click(DuiLib::WindowImplBase* window, const QString& name) {
    DuiLib::CControlUI* control = Find(window, name);
    ASSERT_NE(control, nullptr) << name.toStdString();
    ASSERT_NE(control->GetWidget(), nullptr) << name.toStdString();
    QTest::mouseClick(control->GetWidget(), Qt::LeftButton, {},
                      control->GetWidget()->rect().center());
}

// Pumps events until `done` holds or five seconds pass; returns `done()`.
inline bool WaitFor(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) QTest::qWait(5);
    return done();
}

// Every test starts from the program's skin with both languages loaded and Chinese current.
class SkinnedTest : public ::testing::Test {
protected:
    void SetUp() override {
        DuiLib::CPaintManagerUI::Term();
        ASSERT_TRUE(PrepareSkinResources());
        DuiLib::CResourceManager* resources = DuiLib::CResourceManager::GetInstance();
        ASSERT_TRUE(resources->LoadLanguage("lan/lan_cn.xml", "cn_zh"));
        ASSERT_TRUE(resources->LoadLanguage("lan/lan_en.xml", "en"));
        resources->SelectLanguage("cn_zh");
    }
    void TearDown() override { DuiLib::CPaintManagerUI::Term(); }

    static QString Text(const QString& key) {
        return DuiLib::CResourceManager::GetInstance()->GetText(key);
    }
};

}  // namespace msgtest
