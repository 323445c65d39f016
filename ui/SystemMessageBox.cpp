#include "ui/SystemMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/UIResourceManager.h"

namespace {

// Marks our boxes so that closing by title never touches some other dialog.
constexpr const char* kSystemBoxProperty = "dvSystemMessageBox";

// The panel's dark look, so a plain notice does not flash a light box over it. The border is
// the box's own frame: without a window manager nothing else separates it from the panel.
constexpr const char* kSystemBoxStyle =
    "QMessageBox { background: #1C2128; border: 1px solid #59616D; }"
    "QMessageBox QLabel { color: #E2E7EE; }"
    "QMessageBox QPushButton { background: #00C000; color: #0B0E11; border: none;"
    " padding: 6px 20px; min-width: 64px; }"
    "QMessageBox QPushButton:hover { background: #1AD11A; }"
    "QMessageBox QPushButton:focus { border: 1px solid #E2E7EE; }";

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
    box->setStyleSheet(kSystemBoxStyle);
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
