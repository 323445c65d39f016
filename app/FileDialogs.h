// Open and save file dialogs with Windows-style filter entries (a description and its patterns,
// patterns separated by ';'). The initial directory is the process's current directory.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class QWidget;

struct FileDialogFilter {
    QString description;  // "场景配置文件(*.spf)"
    QString pattern;      // "*.spf" or "DV80MAX_MCU_UPG.bin;DV80MAX_FLASH_UPG.bin"
};

// The same entries as Qt name filters ("*.*" means every file, also those without a dot).
QStringList QtNameFilters(const std::vector<FileDialogFilter>& filters);

// Returns the chosen existing file, or an empty text when the user cancels. The first filter is
// selected.
QString OpenFileDialog(QWidget* parent, const std::vector<FileDialogFilter>& filters);

// Returns the chosen path, with `defaultExtension` (without the dot) appended when the user typed
// none; empty when cancelled. Choosing an existing file asks before replacing it.
QString SaveFileDialog(QWidget* parent, const std::vector<FileDialogFilter>& filters,
                       const QString& defaultExtension);

// Tests answer the dialogs instead of a user: while set, both functions return what it returns
// (`save` tells which dialog asked) and no dialog opens. An empty function restores the dialogs.
using FileDialogAnswer = std::function<QString(bool save, const QString& defaultExtension)>;
void SetFileDialogAnswer(FileDialogAnswer answer);
