// The daily diagnostic log: log\<name>_MM-DD-YY.log beside the executable,
// one flushed line per call, from any thread.
#pragma once

#include <ctime>
#include <functional>
#include <string>

enum LogLevel {
  LOG_DEBUG = 0,
  LOG_INFOR = 1,
  LOG_WARNING = 2,
  LOG_ERROR = 3,
  LOG_FATALERR = 4,
};

// Opens the file for `name` and today's date. Returns 1 when open, 0 when not.
int LogOpen(const char* name);

// Writes one line "MM/DD/YY HH:MM:SS [LEVEL   ]: message". Opens the log
// as "log" first when it is closed; drops the line when it cannot.
void LogWrite(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

void LogClose();

// Test seams: the local clock, and the folder that holds the executable.
using LogClock = std::function<std::tm()>;
void LogSetClock(LogClock clock);          // empty function: the real clock
void LogSetExecutableDir(std::string dir); // empty text: the real folder
// The path of the file that is open now, or the empty text.
std::string LogCurrentPath();
