#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "log/log_platform.h"

const char kLogPathSeparator = '/';

std::string LogExecutableDir() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return std::string();
  std::string dir(path, static_cast<std::size_t>(n));
  std::size_t cut = dir.rfind('/');
  return cut == std::string::npos ? std::string() : dir.substr(0, cut);
}

void LogMakeDirectory(const std::string& dir) { mkdir(dir.c_str(), 0755); }

void LogLocalTime(std::time_t t, std::tm* out) { localtime_r(&t, out); }
