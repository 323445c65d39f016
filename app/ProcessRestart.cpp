#include "app/ProcessRestart.h"

#include <QCoreApplication>
#include <QProcess>

bool RestartOwnExecutable() {
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
}
