// Delivers the protocol's notifications as window messages posted to the
// pages, and hands a posted text back to the page that handles it.
#pragma once

#include <windows.h>

#include "protocol/notify.h"

class CWindowNotifySink : public NotifySink {
 public:
  // Posts to the page's window with the text (if any) as wparam. False when
  // the page has no window or the post fails: the sender frees the text.
  bool Post(Page page, unsigned msg, std::uintptr_t wparam, char* text) override;
};

// A text that arrived with a posted message; freed when it goes out of scope.
class CPostedText {
 public:
  explicit CPostedText(WPARAM wp) : m_psz(reinterpret_cast<char*>(wp)) {}
  ~CPostedText() { NotifyFreeText(m_psz); }
  CPostedText(const CPostedText&) = delete;
  CPostedText& operator=(const CPostedText&) = delete;
  const char* Get() const { return m_psz ? m_psz : ""; }

 private:
  char* m_psz;
};
