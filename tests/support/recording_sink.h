// A notification sink for tests: keeps every notification in order.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/notify.h"

struct RecordedNotification {
  Page page;
  unsigned msg;
  std::uintptr_t wparam;  // 0 for messages with text
  std::string text;       // the posted text, for messages with text
  bool hasText;
};

class RecordingSink : public NotifySink {
 public:
  RecordingSink();   // installs itself
  ~RecordingSink() override;  // uninstalls itself

  bool Post(Page page, unsigned msg, std::uintptr_t wparam, char* text) override;

  std::vector<RecordedNotification> All() const;
  // The texts posted to one page's information box, in order.
  std::vector<std::string> Texts(Page page) const;
  // Message numbers posted to one page, in order.
  std::vector<unsigned> Messages(Page page) const;
  void Clear();

 private:
  mutable std::mutex lock_;
  std::vector<RecordedNotification> all_;
};
