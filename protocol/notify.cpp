#include "protocol/notify.h"

#include <cstring>
#include <mutex>

namespace {

// Held while a notification is handed to the sink, so that SetNotifySink
// can be sure no thread still uses the old one when it returns.
std::mutex g_sinkLock;
NotifySink* g_sink = nullptr;

bool Deliver(Page page, unsigned msg, std::uintptr_t wparam, char* text) {
  bool taken = false;
  {
    std::lock_guard<std::mutex> guard(g_sinkLock);
    if (g_sink) taken = g_sink->Post(page, msg, wparam, text);
  }
  if (!taken) NotifyFreeText(text);
  return taken;
}

}  // namespace

void SetNotifySink(NotifySink* sink) {
  std::lock_guard<std::mutex> guard(g_sinkLock);
  g_sink = sink;
}

char* NotifyCopyText(const char* text) {
  std::size_t n = std::strlen(text);
  char* copy = new char[n + 1];
  std::memcpy(copy, text, n + 1);
  return copy;
}

void NotifyFreeText(char* text) { delete[] text; }

bool PostToPage(Page page, unsigned msg, std::uintptr_t wparam) {
  return Deliver(page, msg, wparam, nullptr);
}

bool PostTextToPage(Page page, unsigned msg, const char* text) {
  char* copy = NotifyCopyText(text ? text : "");
  return Deliver(page, msg, reinterpret_cast<std::uintptr_t>(copy), copy);
}

void ReportInfo(const char* text) { PostTextToPage(Page::Config, WM_CFG_INFO, text); }
void PostCfgReadResult(int success) { PostToPage(Page::Config, WM_CFG_READ_RESULT, success ? 1 : 0); }
void PostCfgWriteResult(int success) { PostToPage(Page::Config, WM_CFG_WRITE_RESULT, success ? 1 : 0); }
void PostCfgShowSettings() { PostToPage(Page::Config, WM_CFG_SHOW_SETTINGS); }
void PostImportInfo(const char* text) { PostTextToPage(Page::Import, WM_IMPORT_INFO, text); }
