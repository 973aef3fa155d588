#include <windows.h>

#include "log/log_platform.h"

const char kLogPathSeparator = '\\';

std::string LogExecutableDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path) return std::string();
  std::string dir(path, n);
  std::size_t cut = dir.rfind('\\');
  return cut == std::string::npos ? std::string() : dir.substr(0, cut);
}

void LogMakeDirectory(const std::string& dir) { CreateDirectoryA(dir.c_str(), nullptr); }

void LogLocalTime(std::time_t t, std::tm* out) { localtime_s(out, &t); }
