// Starts a fresh copy of this program (no arguments), as after a display change.
#pragma once

// Returns whether the new process was started.
bool RestartOwnExecutable();
