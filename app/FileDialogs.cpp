#include "app/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

QStringList QtNameFilters(const std::vector<FileDialogFilter>& filters) {
    QStringList result;
    for (const FileDialogFilter& filter : filters) {
        QStringList patterns = filter.pattern.split(';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == "*.*") p = "*";
        }
        result << QString("%1 (%2)").arg(filter.description, patterns.join(' '));
    }
    return result;
}

namespace {

FileDialogAnswer& InjectedAnswer() {
    static FileDialogAnswer answer;
    return answer;
}

QString RunDialog(QWidget* parent, const std::vector<FileDialogFilter>& filters, bool save,
                  const QString& defaultExtension) {
    if (InjectedAnswer()) return InjectedAnswer()(save, defaultExtension);
    QFileDialog dialog(parent, QString(), QDir::currentPath());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Descriptions already name their patterns, as the Windows dialog shows them.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    // Saving over an existing file asks first (QFileDialog's own confirmation).
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    const QStringList nameFilters = QtNameFilters(filters);
    dialog.setNameFilters(nameFilters);
    if (!nameFilters.isEmpty()) dialog.selectNameFilter(nameFilters.front());
    if (!defaultExtension.isEmpty()) dialog.setDefaultSuffix(defaultExtension);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace

void SetFileDialogAnswer(FileDialogAnswer answer) {
    InjectedAnswer() = std::move(answer);
}

QString OpenFileDialog(QWidget* parent, const std::vector<FileDialogFilter>& filters) {
    return RunDialog(parent, filters, false, {});
}

QString SaveFileDialog(QWidget* parent, const std::vector<FileDialogFilter>& filters,
                       const QString& defaultExtension) {
    return RunDialog(parent, filters, true, defaultExtension);
}
