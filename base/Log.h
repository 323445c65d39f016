// Debug log: switched on by "savelog.ini" in the working directory, written to "save.log".
// Safe from every thread. Both calls write UTF-8 so one reader can open the whole file.
#pragma once

#include <string>

// Opens (truncating) the log file at `path`; returns 0 like the rest of the start-up calls.
int InitConsoleWindow(const std::string& path);

// Start-up step: opens "save.log" in `workingDir` when "savelog.ini" exists there.
// Returns true when the log was switched on.
bool LogStartFromWorkingDirectory(const std::string& workingDir);

// Closes the log; later calls write nothing until it is opened again.
void LogClose();
bool LogIsOpen();

void LogPrint(const wchar_t* format, ...);
void LogPrintA(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "%d.%02d.%02d %02d:%d:%d:%d\n" with the local time, as the protocol and upgrade steps stamp.
void LogTimeStamp();
