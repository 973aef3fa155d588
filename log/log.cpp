#include "log/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "log/log_platform.h"

namespace {

const char* const kLevelNames[] = {"DEBUG   ", "INFOR   ", "WARNING ", "ERROR   ", "FATALERR"};
const int kMinLevel = 0;

constexpr std::size_t kPathSize = 260;
constexpr std::size_t kMessageSize = 1024;
constexpr std::size_t kHeaderSize = 256;

struct LogState {
  // Guards the file and the opened flag; the lazy open, the close and the
  // writing of one line all take it, so lines never interleave and two
  // threads never both open the file.
  std::mutex lock;
  std::FILE* file = nullptr;
  bool opened = false;
  std::string path;
  LogClock clock;
  std::string exeDirOverride;
};

LogState& State() {
  static LogState state;
  return state;
}

std::tm Now(LogState& s) {
  if (s.clock) return s.clock();
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  LogLocalTime(t, &tm);
  return tm;
}

std::string FormatDate(const std::tm& tm) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%02d", (tm.tm_mon + 1) % 100, tm.tm_mday % 100,
                tm.tm_year % 100);
  return buf;
}

// Opens the file; the caller holds the lock.
int OpenLocked(LogState& s, const char* name) {
  std::string dir = s.exeDirOverride.empty() ? LogExecutableDir() : s.exeDirOverride;
  if (!dir.empty()) {
    dir += kLogPathSeparator;
    dir += "log";
    LogMakeDirectory(dir);
  }
  std::string file = std::string(name) + "_" + FormatDate(Now(s)) + ".log";
  for (char& c : file)
    if (c == '/') c = '-';
  std::string path = dir + kLogPathSeparator + file;
  if (path.size() >= kPathSize) return 0;  // does not fit the path buffer: no log

  if (s.file) std::fclose(s.file);
  // Binary mode with explicit CR LF: the same bytes that a Windows text-mode
  // file gets, on every platform.
  s.file = std::fopen(path.c_str(), "ab+");
  if (!s.file) {
    s.opened = false;
    s.path.clear();
    return 0;
  }
  s.opened = true;
  s.path = path;
  return 1;
}

// Every line feed becomes CR LF, as a text-mode file on Windows writes it.
void WriteTextMode(std::FILE* f, const char* text) {
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') std::fputc('\r', f);
    std::fputc(*p, f);
  }
}

}  // namespace

int LogOpen(const char* name) {
  LogState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return OpenLocked(s, name);
}

void LogWrite(int level, const char* format, ...) {
  LogState& s = State();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.opened) OpenLocked(s, "log");
  }
  if (level < kMinLevel) return;
  if (level < 0 || level > LOG_FATALERR) level = LOG_FATALERR;

  std::tm tm = Now(s);
  char header[kHeaderSize];
  char timeText[16];
  std::snprintf(timeText, sizeof timeText, "%02d:%02d:%02d", tm.tm_hour % 100, tm.tm_min % 100,
                tm.tm_sec % 100);
  std::snprintf(header, sizeof header, "%s %s [%s]", FormatDate(tm).c_str(), timeText,
                kLevelNames[level]);

  // A longer message is cut to the buffer.
  char message[kMessageSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);

  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.file) return;
  WriteTextMode(s.file, header);
  WriteTextMode(s.file, ": ");
  WriteTextMode(s.file, message);
  WriteTextMode(s.file, "\n");
  std::fflush(s.file);
}

void LogClose() {
  LogState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.opened) return;
  if (s.file) std::fclose(s.file);
  s.file = nullptr;
  s.opened = false;
  s.path.clear();
}

void LogSetClock(LogClock clock) {
  LogState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.clock = std::move(clock);
}

void LogSetExecutableDir(std::string dir) {
  LogState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.exeDirOverride = std::move(dir);
}

std::string LogCurrentPath() {
  LogState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.path;
}
