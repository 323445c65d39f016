#include "app/SystemMessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

// Marks our boxes so that closing by title never touches some other dialog.
constexpr const char* kSystemBoxProperty = "dvSystemMessageBox";

QMessageBox* MakeBox(QWidget* parent, const QString& text, const QString& caption) {
    auto* box = new QMessageBox(parent);
    box->setIcon(QMessageBox::NoIcon);
    box->setWindowTitle(caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption);
    box->setText(text);
    box->setStandardButtons(QMessageBox::Ok);
    box->setProperty(kSystemBoxProperty, true);
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
