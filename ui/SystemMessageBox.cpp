#include "ui/SystemMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/UIManager.h"
#include "ui/UIResourceManager.h"

namespace {

// Marks our boxes so that closing by title never touches some other dialog.
constexpr const char* kSystemBoxProperty = "dvSystemMessageBox";

// The panel's dark look, so a plain notice does not flash a light box over it. The border is
// the box's own frame: without a window manager nothing else separates it from the panel.
// Sizes are in pixels at 100 % and scaled with the window the box belongs to.
QString SystemBoxStyle(int scalePercent) {
    const auto px = [scalePercent](int at100) {
        return QString::number(at100 * scalePercent / 100);
    };
    return QStringLiteral(
               "QMessageBox { background: #1C2128; border: 1px solid #59616D; }"
               "QMessageBox QLabel { color: #E2E7EE; }"
               "QMessageBox QPushButton { background: #00C000; color: #0B0E11; border: none;"
               " padding: %1px %2px; min-width: %3px; }"
               "QMessageBox QPushButton:hover { background: #1AD11A; }"
               "QMessageBox QPushButton:focus { border: 1px solid #E2E7EE; }")
        .arg(px(6), px(20), px(64));
}

// The paint manager of the panel window `widget` lies in, so the box takes that window's font
// and scale rather than the desktop's default (which ignores the panel's 150 % or 200 %).
const DuiLib::CPaintManagerUI* OwningPaintManager(const QWidget* widget) {
    const QWidget* window = widget ? widget->window() : nullptr;
    for (const DuiLib::CPaintManagerUI* manager : DuiLib::CPaintManagerUI::GetPaintManagers()) {
        const QWidget* paint = manager->GetPaintWindow();
        if (paint && paint->window() == window) return manager;
    }
    return nullptr;
}

QMessageBox* MakeBox(QWidget* parent, const QString& text, const QString& caption) {
    auto* box = new QMessageBox(parent);
    box->setIcon(QMessageBox::NoIcon);
    box->setWindowTitle(caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption);
    box->setText(text);
    box->setStandardButtons(QMessageBox::Ok);
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
        // Desktop styles put a stock icon on standard buttons; the panel's buttons have none.
        ok->setIcon(QIcon());
        const QString text =
            DuiLib::CResourceManager::GetInstance()->GetText(QStringLiteral("${confirm}"));
        if (!text.startsWith(QLatin1String("${"))) ok->setText(text);
    }
    box->setProperty(kSystemBoxProperty, true);
    const DuiLib::CPaintManagerUI* manager = OwningPaintManager(parent);
    if (manager) {
        // Set on the button too: the box's standard buttons keep the application font.
        box->setFont(manager->GetFont(-1));
        for (QAbstractButton* button : box->buttons()) button->setFont(manager->GetFont(-1));
    }
    box->setStyleSheet(SystemBoxStyle(manager ? manager->GetScale() : 100));
    return box;
}

}  // namespace

void ShowSystemMessageBox(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox* box = MakeBox(parent, text, caption);
    box->exec();
    delete box;
}

void ShowSystemMessageBoxModeless(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox* box = MakeBox(parent, text, caption);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

bool CloseSystemMessageBoxByTitle(const QString& title) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible() && box->property(kSystemBoxProperty).toBool() &&
            box->windowTitle() == title) {
            box->done(0);
            return true;
        }
    }
    return false;
}
