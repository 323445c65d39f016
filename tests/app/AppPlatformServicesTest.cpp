#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>

#include "app/FileDialogs.h"
#include "app/SingleInstanceLock.h"
#include "ui/SystemMessageBox.h"
#include "ui/UIResourceManager.h"

namespace {

// Runs `action` once a widget of type T is the active modal window (or fails after 5 s).
template <typename T, typename F>
void WhenModal(F action) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, action, deadline]() {
        if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            action(widget);
        } else if (deadline.hasExpired()) {
            timer->deleteLater();
            ADD_FAILURE() << "no modal window appeared";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
        }
    });
    timer->start(5);
}

TEST(AppSingleInstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    QTemporaryDir dir;
    auto first =
        std::make_unique<SingleInstanceLock>("TONVOX4TO8_DV80MAX", dir.path().toStdString());
    EXPECT_TRUE(first->Held());
    EXPECT_FALSE(first->AlreadyExists());
    {
        SingleInstanceLock second("TONVOX4TO8_DV80MAX", dir.path().toStdString());
        EXPECT_FALSE(second.Held());
        EXPECT_TRUE(second.AlreadyExists());
        SingleInstanceLock otherModel("TONVOX4TO8_OTHER", dir.path().toStdString());
        EXPECT_TRUE(otherModel.Held());
    }
    first.reset();
    SingleInstanceLock third("TONVOX4TO8_DV80MAX", dir.path().toStdString());
    EXPECT_TRUE(third.Held());
}

TEST(AppSingleInstanceLock, DiesWithItsProcess) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstanceLock lock("TONVOX4TO8_DV80MAX", path);
        const char held = lock.Held() ? '1' : '0';
        if (write(ready[1], &held, 1) != 1) _exit(2);
        pause();  // killed by the parent while holding the lock
        _exit(0);
    }
    close(ready[1]);
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    close(ready[0]);
    EXPECT_EQ(held, '1');
    EXPECT_TRUE(SingleInstanceLock("TONVOX4TO8_DV80MAX", path).AlreadyExists());

    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    SingleInstanceLock after("TONVOX4TO8_DV80MAX", path);
    EXPECT_TRUE(after.Held());
}

TEST(AppSingleInstanceLock, UnusableDirectoryLetsTheProgramRun) {
    SingleInstanceLock lock("TONVOX4TO8_DV80MAX", "/nonexistent/dv80max-lock-dir");
    EXPECT_FALSE(lock.Held());
    EXPECT_FALSE(lock.AlreadyExists());
}

TEST(AppSystemMessageBox, ClosingByTitleEndsOnlyTheMatchingBox) {
    bool wrongTitleClosed = true;
    QString shownText;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        shownText = box->text();
        wrongTitleClosed = CloseSystemMessageBoxByTitle("another title");
        EXPECT_TRUE(box->isVisible());
        EXPECT_TRUE(CloseSystemMessageBoxByTitle("提示"));
    });
    ShowSystemMessageBox(nullptr, "设备已断开", "提示");
    EXPECT_FALSE(wrongTitleClosed);
    EXPECT_EQ(shownText, "设备已断开");
    EXPECT_FALSE(CloseSystemMessageBoxByTitle("提示"));
}

TEST(AppSystemMessageBox, ModelessBoxDoesNotBlockAndCanBeClosedByTitle) {
    ShowSystemMessageBoxModeless(nullptr, "unplugged", "Notice");
    QMessageBox* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) found = box;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(), "unplugged");
    QPointer<QMessageBox> guard(found);
    EXPECT_TRUE(CloseSystemMessageBoxByTitle("Notice"));
    const QDeadlineTimer deadline(5000);
    while (guard && !deadline.hasExpired())
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST(AppSystemMessageBox, EmptyCaptionShowsTheApplicationName) {
    QString title;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        box->done(0);
    });
    ShowSystemMessageBox(nullptr, "no processor", "");
    EXPECT_EQ(title, QGuiApplication::applicationDisplayName());
}

// A desktop style that puts stock icons on dialog buttons, as common Linux themes do.
class IconButtonStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

TEST(AppSystemMessageBox, OkIsThePanelsPlainButtonAndTheBoxDrawsItsOwnFrame) {
    const QString previousStyle = QApplication::style()->name();
    QApplication::setStyle(new IconButtonStyle(QStyleFactory::create(previousStyle)));
    DuiLib::CResourceManager* rm = DuiLib::CResourceManager::GetInstance();
    rm->ResetLanguages();
    ASSERT_TRUE(rm->LoadLanguage("<L><Text id=\"${confirm}\" value=\"确定\"/></L>", "cn_zh"));
    bool iconless = false;
    QString okText;
    QImage shot;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        iconless = ok && ok->icon().isNull();
        okText = ok ? ok->text() : QString();
        shot = box->grab().toImage();
        box->done(0);
    });
    ShowSystemMessageBox(nullptr, "设备已断开", "提示");
    rm->ResetLanguages();
    QApplication::setStyle(QStyleFactory::create(previousStyle));

    EXPECT_TRUE(iconless);
    EXPECT_EQ(okText, QStringLiteral("确定"));
    // Without a window manager's frame the box's edge still stands apart from its background.
    ASSERT_FALSE(shot.isNull());
    const int y = shot.height() / 2;
    const QColor background = shot.pixelColor(shot.width() / 2, 2);
    for (const QPoint edge :
         {QPoint(0, y), QPoint(shot.width() - 1, y), QPoint(shot.width() / 2, 0),
          QPoint(shot.width() / 2, shot.height() - 1)})
        EXPECT_NE(shot.pixelColor(edge), background) << edge.x() << "," << edge.y();
}

class AppFileDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = QDir::currentPath();
        ASSERT_TRUE(dir_.isValid());
        QDir::setCurrent(dir_.path());
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    const std::vector<FileDialogFilter> sceneFilter_{{"场景配置文件(*.spf)", "*.spf"},
                                                     {"所有文件(*.*)", "*.*"}};
    QTemporaryDir dir_;
    QString previous_;
};

TEST_F(AppFileDialogs, FiltersKeepTheirOrderAndMatchEveryFileForStarDotStar) {
    const QStringList filters = QtNameFilters({{"场景配置文件(*.spf)", "*.spf"},
                                               {"所有文件(*.*)", "*.*"},
                                               {"DV80MAX_MCU_UPG.bin,DV80MAX_FLASH_UPG.bin",
                                                "DV80MAX_MCU_UPG.bin;DV80MAX_FLASH_UPG.bin"}});
    ASSERT_EQ(filters.size(), 3);
    EXPECT_EQ(filters[0], "场景配置文件(*.spf) (*.spf)");
    EXPECT_EQ(filters[1], "所有文件(*.*) (*)");
    EXPECT_EQ(
        filters[2],
        "DV80MAX_MCU_UPG.bin,DV80MAX_FLASH_UPG.bin (DV80MAX_MCU_UPG.bin DV80MAX_FLASH_UPG.bin)");
}

TEST_F(AppFileDialogs, SaveAddsTheDefaultExtensionInTheCurrentDirectory) {
    QString startDir;
    QString selectedFilter;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        startDir = dialog->directory().absolutePath();
        selectedFilter = dialog->selectedNameFilter();
        dialog->selectFile("my_car");
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
    });
    const QString path = SaveFileDialog(nullptr, sceneFilter_, "spf");
    EXPECT_EQ(QDir(startDir), QDir(dir_.path()));
    EXPECT_TRUE(selectedFilter.startsWith("场景配置文件"));
    EXPECT_EQ(QFileInfo(path).fileName(), "my_car.spf");
    EXPECT_EQ(QFileInfo(path).absoluteDir(), QDir(dir_.path()));
}

TEST_F(AppFileDialogs, SavingOverAnExistingFileAsksFirst) {
    QFile file(dir_.filePath("taken.spf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        bool asked = false;
        bool stillOpen = false;
        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            WhenModal<QMessageBox>([&](QMessageBox* box) {
                asked = box->text().contains("taken.spf");
                box->button(answer)->click();
            });
            dialog->selectFile("taken");  // the default extension names the existing file
            QMetaObject::invokeMethod(dialog, "accept");  // QFileDialog's own, which confirms
            stillOpen = dialog->isVisible();
            if (stillOpen) dialog->reject();
        });
        const QString path = SaveFileDialog(nullptr, sceneFilter_, "spf");
        EXPECT_TRUE(asked) << answer;
        EXPECT_EQ(stillOpen, answer == QMessageBox::No);
        EXPECT_EQ(QFileInfo(path).fileName(), answer == QMessageBox::Yes ? "taken.spf" : "");
    }
}

TEST_F(AppFileDialogs, OpenReturnsTheChosenFileAndCancelReturnsNothing) {
    QFile file(dir_.filePath("front.spf"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    WhenModal<QFileDialog>([](QFileDialog* dialog) {
        dialog->selectFile("front.spf");
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
    });
    EXPECT_EQ(QFileInfo(OpenFileDialog(nullptr, sceneFilter_)).fileName(), "front.spf");

    WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_TRUE(OpenFileDialog(nullptr, sceneFilter_).isEmpty());
}

}  // namespace
