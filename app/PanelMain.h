// The process frame shared by the product and the demo: log switch, skin, main window, loop.
#pragma once

#include "app/MainWnd.h"

// Runs the panel until its window closes; returns the process exit code (always 0).
int RunPanel(char* argv0, CMainWnd::NotifierFactory makeNotifier);
