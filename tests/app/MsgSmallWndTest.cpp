#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTemporaryDir>
#include <array>
#include <fstream>
#include <sstream>

#include "app/AboutWnd.h"
#include "app/LoadingWnd.h"
#include "app/MsgWnd.h"
#include "app/NameMsgWnd.h"
#include "app/ScreenInfo.h"
#include "base/Log.h"
#include "tests/app/MsgWindowTestSupport.h"

using namespace DuiLib;
using msgtest::Click;
using msgtest::Find;
using msgtest::WhenShown;

namespace {

using SceneNameBuffer = std::array<char16_t, 8>;  // 7 characters and the terminating zero

SceneNameBuffer Buffer(const QString& text) {
    SceneNameBuffer buffer{};
    std::copy_n(text.utf16(), std::min<qsizetype>(text.size(), 7), buffer.data());
    return buffer;
}

QString Read(const SceneNameBuffer& buffer) {
    return QString::fromUtf16(buffer.data());
}

CEditUI* NameEdit(WindowImplBase* wnd) {
    return static_cast<CEditUI*>(Find(wnd, "name_edt")->GetInterface("Edit"));
}

class NameMsgWnd : public msgtest::SkinnedTest {};

TEST_F(NameMsgWnd, ReturnAcceptsTheTypedNameAndTheEditHoldsTheFocus) {
    SceneNameBuffer name = Buffer("Old");
    bool focusedAtStart = false;
    QString prefilled;
    WhenShown("NameMsgWnd", [&](WindowImplBase* wnd) {
        CEditUI* edit = NameEdit(wnd);
        focusedAtStart = edit->IsFocused();
        prefilled = edit->GetText();
        QLineEdit* line = edit->GetLineEdit();
        line->selectAll();
        QTest::keyClicks(line, "Rock");
        QTest::keyClick(line, Qt::Key_Return);
    });
    EXPECT_EQ(ShowNameMsgWnd(nullptr, name), 1);
    EXPECT_TRUE(focusedAtStart);
    EXPECT_EQ(prefilled, "Old");
    EXPECT_EQ(Read(name), "Rock");
}

TEST_F(NameMsgWnd, NameIsCutToTheBufferAndNeverSplitsACharacter) {
    SceneNameBuffer name{};
    WhenShown("NameMsgWnd", [&](WindowImplBase* wnd) {
        NameEdit(wnd)->SetText("ABCDEFGHIJ");
        Click(wnd, "confirm_btn");
    });
    EXPECT_EQ(ShowNameMsgWnd(nullptr, name), 1);
    EXPECT_EQ(Read(name), "ABCDEFG");
    EXPECT_EQ(name[7], u'\0');

    // A character outside the BMP takes two code units; half of one is never stored.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    WhenShown("NameMsgWnd", [&](WindowImplBase* wnd) {
        NameEdit(wnd)->SetText("ABCDEF" + clef);
        Click(wnd, "confirm_btn");
    });
    EXPECT_EQ(ShowNameMsgWnd(nullptr, name), 1);
    EXPECT_EQ(Read(name), "ABCDEF");
}

TEST_F(NameMsgWnd, TypedLanguageKeyIsKeptAsAName) {
    SceneNameBuffer name{};
    WhenShown("NameMsgWnd", [&](WindowImplBase* wnd) {
        NameEdit(wnd)->SetText("${off}");
        Click(wnd, "confirm_btn");
    });
    EXPECT_EQ(ShowNameMsgWnd(nullptr, name), 1);
    EXPECT_EQ(Read(name), "${off}");
}

TEST_F(NameMsgWnd, KeyPressElsewhereBringsTheFocusBack) {
    SceneNameBuffer name = Buffer("Jazz");
    bool focusBack = false;
    WhenShown("NameMsgWnd", [&](WindowImplBase* wnd) {
        CControlUI* cancel = Find(wnd, "cancel_btn");
        wnd->GetPaintManager()->SetFocus(cancel);
        EXPECT_FALSE(NameEdit(wnd)->IsFocused());
        QTest::keyClick(cancel->GetWidget(), Qt::Key_A);
        focusBack = NameEdit(wnd)->IsFocused();
        wnd->Close(0);
    });
    EXPECT_EQ(ShowNameMsgWnd(nullptr, name), 0);
    EXPECT_TRUE(focusBack);
}

TEST_F(NameMsgWnd, CancelAndCloseLeaveTheBufferAlone) {
    for (const char* button : {"cancel_btn", "closebtn"}) {
        SceneNameBuffer name = Buffer("Keep");
        WhenShown("NameMsgWnd", [&](WindowImplBase* wnd) {
            NameEdit(wnd)->SetText("Other");
            Click(wnd, button);
        });
        EXPECT_EQ(ShowNameMsgWnd(nullptr, name), 0) << button;
        EXPECT_EQ(Read(name), "Keep") << button;
    }
}

class LoadingWnd : public msgtest::SkinnedTest {};

TEST_F(LoadingWnd, OwnerClosesItWithOneAndIsNeverLeftHoldingIt) {
    CLoadingWnd* busy = nullptr;
    CLoadingWnd* seenWhileRunning = nullptr;
    WhenShown("LoadingWnd", [&](WindowImplBase* wnd) {
        seenWhileRunning = busy;
        EXPECT_EQ(static_cast<WindowImplBase*>(busy), wnd);
        busy->Close(1);  // what the end of a long operation does
    });
    EXPECT_EQ(ShowLoadingWnd(nullptr, busy), 1);
    EXPECT_NE(seenWhileRunning, nullptr);
    EXPECT_EQ(busy, nullptr);

    WhenShown("LoadingWnd", [&](WindowImplBase* wnd) { Click(wnd, "closebtn"); });
    EXPECT_EQ(ShowLoadingWnd(nullptr, busy), 0);
    EXPECT_EQ(busy, nullptr);  // a later end message finds nothing to close
}

TEST_F(LoadingWnd, NestedBusyWindowsHandTheReferenceBack) {
    CLoadingWnd* busy = nullptr;
    CLoadingWnd* outer = nullptr;
    CLoadingWnd* afterInner = nullptr;
    WhenShown("LoadingWnd", [&](WindowImplBase*) {
        outer = busy;
        WhenShown("LoadingWnd", [&](WindowImplBase*) {
            if (busy == outer) return;  // the inner one is not up yet
            busy->Close(1);
        });
        EXPECT_EQ(ShowLoadingWnd(nullptr, busy), 1);
        afterInner = busy;
        busy->Close(1);
    });
    EXPECT_EQ(ShowLoadingWnd(nullptr, busy), 1);
    EXPECT_EQ(afterInner, outer);
    EXPECT_EQ(busy, nullptr);
}

class AboutWnd : public msgtest::SkinnedTest {};

TEST_F(AboutWnd, WithoutHandshakeShowsTheModelAsDisconnected) {
    const dv::DspProfile profile;  // model code -1: no handshake yet
    QString firmware, software;
    WhenShown("AboutWnd", [&](WindowImplBase* wnd) {
        firmware = Find(wnd, "fw_version")->GetText();
        software = Find(wnd, "soft_version")->GetText();
        EXPECT_EQ(wnd->GetHWND()->windowTitle(), "msgwnd");
        Click(wnd, "confirm_btn");
    });
    EXPECT_EQ(ShowAboutWnd(nullptr, profile), 1);
    EXPECT_EQ(firmware, "DV80MAX " + Text("${dsp_disconnect}"));
    EXPECT_EQ(software, Text("${soft_version}") + " v6.2");
}

TEST_F(AboutWnd, AfterHandshakeShowsTheFirmwareVersionInTheOpeningLanguage) {
    dv::DspProfile profile;
    profile.modelCode = 1;
    profile.masterVersion = 1;
    profile.slaveVersion = 3;
    CResourceManager::GetInstance()->SelectLanguage("en");
    QString firmware;
    WhenShown("AboutWnd", [&](WindowImplBase* wnd) {
        firmware = Find(wnd, "fw_version")->GetText();
        Click(wnd, "closebtn");
    });
    EXPECT_EQ(ShowAboutWnd(nullptr, profile), 0);
    EXPECT_EQ(firmware, "DV80MAX firmware v1.3");
}

class MsgWindowFrame : public msgtest::SkinnedTest {};

TEST_F(MsgWindowFrame, EveryWindowAppliesTheScreenDpiAndLogsTheScreenSize) {
    QTemporaryDir dir;
    const std::string logPath = (dir.path() + "/save.log").toStdString();
    InitConsoleWindow(logPath);
    const ScreenRect widest = ScreenInfo().GetWidestMonitorRect();
    const int expectedDpi = ScreenDpiForRect(widest).value_or(96);
    int dpi = 0;
    WhenShown("MsgWnd", [&](WindowImplBase* wnd) {
        dpi = wnd->GetPaintManager()->GetDPI();
        wnd->Close(0);
    });
    ShowMsgWnd(nullptr, "${tips}", "${tips}");
    LogClose();
    std::ifstream in(logPath);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_EQ(dpi, expectedDpi);
    const std::string line = "screen size " + std::to_string(widest.right) + " x " +
                             std::to_string(widest.bottom) + "\n";
    EXPECT_NE(log.str().find(line), std::string::npos) << log.str();
}

TEST_F(MsgWindowFrame, WithoutASkinTheWindowsFailQuietly) {
    CPaintManagerUI::Term();
    EXPECT_FALSE(PrepareSkinResources(":/no/such/archive"));
    EXPECT_FALSE(CResourceManager::GetInstance()->HasResourceZip());
    // Nothing to show: the call returns "not confirmed" at once instead of hanging or crashing.
    EXPECT_EQ(ShowMsgWnd(nullptr, "${tips}", "${tips}"), 0);
    SceneNameBuffer name = Buffer("Same");
    EXPECT_EQ(ShowNameMsgWnd(nullptr, name), 0);
    EXPECT_EQ(Read(name), "Same");
}

}  // namespace
