#include "import/script_run.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "import/import_texts.h"
#include "log/log.h"
#include "protocol/jobs.h"
#include "protocol/notify.h"
#include "serial/serial.h"

char g_szImportPath[kImportPathSize];

namespace {

constexpr std::size_t kLineSize = 100;    // 99 characters and the zero
constexpr std::size_t kFieldSize = 20;    // command and expected text: 19 characters and the zero
constexpr std::size_t kAnswerSize = 1000;
// A result line holds the whole write line: nothing is cut.
constexpr std::size_t kResultSize =
    std::max(sizeof texts::kScriptPairSucceeded, sizeof texts::kScriptPairFailed) + kLineSize;

// A run started by StartImportScript has not opened g_szImportPath yet:
// the path must not change under it.
std::mutex g_pathLock;
bool g_pathPending = false;

// Reads the next line, at most kLineSize - 1 characters with its line feed.
// A longer line is left for the next calls. CR LF arrives as LF on every
// system, as text mode gives it on Windows. False at the end of the file.
bool ReadScriptLine(std::FILE* file, char (&line)[kLineSize]) {
  std::size_t length = 0;
  while (length < kLineSize - 1) {
    int c = std::getc(file);
    if (c == EOF) break;
    if (c == '\r') {
      int next = std::getc(file);
      if (next == '\n')
        c = '\n';
      else if (next != EOF)
        std::ungetc(next, file);
    }
    line[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  line[length] = '\0';
  return length > 0;
}

// The text after the first `keyword` in the line, or null.
const char* TextAfter(const char* line, const char* keyword) {
  const char* at = std::strstr(line, keyword);
  return at ? at + std::strlen(keyword) : nullptr;
}

// The answer holds the expected text. The answer field may be full with no
// terminating zero: the search stays inside it.
bool AnswerContains(const char (&answer)[kAnswerSize], const char* expected) {
  if (*expected == '\0') return true;
  const char* end = std::find(answer, answer + kAnswerSize, '\0');
  return std::search(answer, end, expected, expected + std::strlen(expected)) != end;
}

// One open script and the line count for the log.
class ScriptFile {
 public:
  explicit ScriptFile(std::FILE* file) : file_(file) {}
  ~ScriptFile() { std::fclose(file_); }
  ScriptFile(const ScriptFile&) = delete;
  ScriptFile& operator=(const ScriptFile&) = delete;

  bool ReadLine(char (&line)[kLineSize]) {
    if (!ReadScriptLine(file_, line)) return false;
    ++lineNumber_;
    return true;
  }
  int lineNumber() const { return lineNumber_; }

 private:
  std::FILE* file_;
  int lineNumber_ = 0;
};

void EndWithFileError(const ScriptFile& script, const char* reason) {
  LogWrite(LOG_DEBUG, "Script line %d: %s", script.lineNumber(), reason);
  PostImportInfo(texts::kScriptFileError);
}

// Plays the pairs; returns when the file ends or at the first bad pair.
void PlayPairs(ScriptFile& script) {
  char writeLine[kLineSize] = {};
  char readLine[kLineSize] = {};
  char command[kFieldSize] = {};
  char expected[kFieldSize] = {};
  char answer[kAnswerSize] = {};

  if (!script.ReadLine(writeLine)) return;  // an empty file: nothing to say
  for (;;) {
    std::memset(command, 0, sizeof command);
    std::memset(expected, 0, sizeof expected);

    const char* commandText = TextAfter(writeLine, "write ");
    if (!commandText) return EndWithFileError(script, "no \"write \" command.");
    // A cut command would reach the unit as a different one: refuse it.
    if (std::strlen(commandText) >= sizeof command)
      return EndWithFileError(script, "command longer than 19 characters.");
    std::strcpy(command, commandText);

    SerialWrite(command);
    LogWrite(LOG_INFOR, "Script: %.*s", static_cast<int>(std::strcspn(command, "\n")), command);

    if (!script.ReadLine(readLine)) readLine[0] = '\0';
    const char* expectedText = TextAfter(readLine, "read ");
    if (!expectedText) return EndWithFileError(script, "no \"read \" line after the command.");
    // A cut expected text would pass answers that lack its end: refuse it.
    std::size_t expectedLength = std::strcspn(expectedText, "\n");
    if (expectedLength >= sizeof expected)
      return EndWithFileError(script, "expected text longer than 19 characters.");
    std::memcpy(expected, expectedText, expectedLength);

    if (SerialRead(sizeof answer, answer) != 0) std::memset(answer, 0, sizeof answer);

    bool passed = AnswerContains(answer, expected);
    char result[kResultSize];
    std::snprintf(result, sizeof result,
                  passed ? texts::kScriptPairSucceeded : texts::kScriptPairFailed, writeLine);
    LogWrite(passed ? LOG_INFOR : LOG_DEBUG, "Script: expected \"%s\" %s.", expected,
             passed ? "found" : "not found");
    PostImportInfo(result);

    if (!script.ReadLine(writeLine)) return;
  }
}

}  // namespace

void RunImportScript(void* path) {
  std::FILE* file;
  {
    std::lock_guard<std::mutex> guard(g_pathLock);
    // Binary mode: the reader turns CR LF into LF itself, the same on every system.
    file = std::fopen(static_cast<const char*>(path), "rb");
    g_pathPending = false;
  }
  if (!file) {
    LogWrite(LOG_DEBUG, "Script %s cannot be opened.", static_cast<const char*>(path));
    PostImportInfo(texts::kScriptCannotOpen);
    return;
  }
  ScriptFile script(file);
  PlayPairs(script);
}

bool StartImportScript(const char* path) {
  std::size_t length = std::strlen(path);
  if (length >= sizeof g_szImportPath) {
    // A cut path could name another file.
    LogWrite(LOG_DEBUG, "Script path of %u characters refused.", static_cast<unsigned>(length));
    PostImportInfo(texts::kScriptCannotOpen);
    return false;
  }
  std::lock_guard<std::mutex> guard(g_pathLock);
  // While a started run has not opened its file, StartJob refuses anyway.
  if (!g_pathPending) std::memcpy(g_szImportPath, path, length + 1);
  if (!StartJob(RunImportScript, g_szImportPath, Page::Import)) return false;
  g_pathPending = true;
  return true;
}
