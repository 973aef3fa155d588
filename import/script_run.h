// The configuration script: a text file of line pairs, "write <command>"
// then "read <expected text>". Each command goes to the unit, and one line
// per pair tells the import page whether the answer held the expected text.
//
// Lines hold at most 99 characters (a longer one is read as several); CR LF
// counts as LF. A command holds at most 19 characters with its line feed, an
// expected text at most 19 without it: a longer one is not cut but ends the
// run as a file error, as a line without "write " or "read " does. Result
// lines carry the whole write line.
#pragma once

#include <cstddef>

inline constexpr std::size_t kImportPathSize = 1000;

// The path of the script to run, in the system's ANSI code page. Written by
// StartImportScript, read by the run as it opens the file.
extern char g_szImportPath[kImportPathSize];

// The script job (a JobFn): plays the script at `path` (a zero-terminated
// text, normally g_szImportPath) and posts its lines to the import page.
void RunImportScript(void* path);

// Copies `path` into g_szImportPath and starts RunImportScript on it as a
// job. Returns false when the run was not started: another job talks to the
// unit (the page gets the busy line), or the path does not fit (the page
// gets the cannot-open line).
bool StartImportScript(const char* path);
