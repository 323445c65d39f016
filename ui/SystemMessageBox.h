// Plain system message boxes (OK button), for the few notices that are not skinned windows.
#pragma once

#include <QString>

class QWidget;

// Shows a modal box and returns when the user (or CloseSystemMessageBoxByTitle) closes it.
// An empty caption shows the application's name.
void ShowSystemMessageBox(QWidget* parent, const QString& text, const QString& caption);

// Opens a box without blocking the caller; it deletes itself when closed. For notices that the
// original design showed from a worker thread; call it on the UI thread.
void ShowSystemMessageBoxModeless(QWidget* parent, const QString& text, const QString& caption);

// Ends the first open system box titled `title` with result 0. Returns whether one was found.
bool CloseSystemMessageBoxByTitle(const QString& title);
