// What the log needs from the operating system.
#pragma once

#include <ctime>
#include <string>

extern const char kLogPathSeparator;

// The folder of the running executable without a trailing separator, or
// the empty text when it cannot be had.
std::string LogExecutableDir();

// Creates the folder; the result is not needed (it usually exists).
void LogMakeDirectory(const std::string& dir);

void LogLocalTime(std::time_t t, std::tm* out);
