// Notifications from the protocol threads to the two pages. The protocol
// knows no window: a sink delivers them (window messages in the
// application, a recorder in tests, a queue in the command-line tool).
#pragma once

#include <cstdint>

// Message numbers: the first user message (1024) plus 123..127 / 133..134.
enum : unsigned {
  WM_CFG_INFO = 1147,           // wparam: text
  WM_CFG_READ_RESULT = 1148,    // wparam: 1 success, 0 failure
  WM_CFG_WRITE_RESULT = 1149,   // wparam: 1 success, 0 failure
  WM_CFG_SHOW_SETTINGS = 1150,
  WM_CFG_START_READ = 1151,
  WM_IMPORT_INFO = 1157,        // wparam: text
  WM_IMPORT_ENABLE = 1158,      // wparam: 1 enable, 0 disable
};

enum class Page { Config, Import };

// Receives every notification. `text` is null for messages without text;
// otherwise it is a copy made by NotifyCopyText that the sink now owns: it
// hands it on to the receiver, which frees it with NotifyFreeText. A sink
// that cannot deliver returns false and the sender frees the copy.
class NotifySink {
 public:
  virtual ~NotifySink() = default;
  virtual bool Post(Page page, unsigned msg, std::uintptr_t wparam, char* text) = 0;
};

// Installs the sink (null: notifications are dropped). Once this returns,
// no thread is still inside the previous sink.
void SetNotifySink(NotifySink* sink);

char* NotifyCopyText(const char* text);
void NotifyFreeText(char* text);

// Post a message without text / with its own copy of `text`.
// Returns false when nobody took it (the copy is then freed).
bool PostToPage(Page page, unsigned msg, std::uintptr_t wparam = 0);
bool PostTextToPage(Page page, unsigned msg, const char* text);

// The settings page's posting operations.
void ReportInfo(const char* text);     // WM_CFG_INFO
void PostCfgReadResult(int success);   // WM_CFG_READ_RESULT
void PostCfgWriteResult(int success);  // WM_CFG_WRITE_RESULT
void PostCfgShowSettings();            // WM_CFG_SHOW_SETTINGS
void PostImportInfo(const char* text); // WM_IMPORT_INFO
