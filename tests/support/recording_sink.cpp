#include "tests/support/recording_sink.h"

RecordingSink::RecordingSink() { SetNotifySink(this); }

RecordingSink::~RecordingSink() { SetNotifySink(nullptr); }

bool RecordingSink::Post(Page page, unsigned msg, std::uintptr_t wparam, char* text) {
  std::lock_guard<std::mutex> guard(lock_);
  RecordedNotification n{page, msg, text ? 0 : wparam, text ? std::string(text) : std::string(),
                         text != nullptr};
  all_.push_back(n);
  NotifyFreeText(text);  // the receiver owns the copy
  return true;
}

std::vector<RecordedNotification> RecordingSink::All() const {
  std::lock_guard<std::mutex> guard(lock_);
  return all_;
}

std::vector<std::string> RecordingSink::Texts(Page page) const {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<std::string> out;
  for (const auto& n : all_)
    if (n.page == page && n.hasText) out.push_back(n.text);
  return out;
}

std::vector<unsigned> RecordingSink::Messages(Page page) const {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<unsigned> out;
  for (const auto& n : all_)
    if (n.page == page) out.push_back(n.msg);
  return out;
}

void RecordingSink::Clear() {
  std::lock_guard<std::mutex> guard(lock_);
  all_.clear();
}
