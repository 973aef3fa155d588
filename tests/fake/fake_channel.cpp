#include "tests/fake/fake_channel.h"

#include <algorithm>
#include <cstring>

namespace {

const std::uint64_t kBytePacingMs = 50;    // SerialWrite's pause after each byte
const std::uint64_t kChunkQuietMs = 500;   // a read ends this long after the last byte
const std::uint64_t kReadWaitMs = 1500;    // SerialRead's wait for the next chunk
const int kIdleLimit = 100000;             // chunks RunUntilIdle delivers at most

}  // namespace

FakeChannel& FakeChannel::Instance() {
  static FakeChannel channel;
  return channel;
}

FakeChannel::FakeChannel() { Reset(); }

void FakeChannel::Reset(sim::Family family, const std::string& version) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  unit_ = std::make_unique<sim::UnitModel>(family, version);
  open_ = false;
  unitGone_ = false;
  nextOpenResult_ = 0;
  portName_.clear();
  nowMs_ = 0;
  readerFreeMs_ = 0;
  inHook_ = false;
  pending_.clear();
  std::memset(recv_, 0, sizeof recv_);
  sent_.clear();
  chunks_.clear();
}

sim::UnitModel& FakeChannel::Unit() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return *unit_;
}

void FakeChannel::PowerOn() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  unitGone_ = false;
  Schedule(unit_->PowerOn(), nowMs_);
  RunUntilIdle();
}

void FakeChannel::Advance(std::uint64_t ms) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  AdvanceTo(nowMs_ + ms);
}

void FakeChannel::RunUntilIdle() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  for (int i = 0; i < kIdleLimit && !inHook_ && DeliverNextBy(UINT64_MAX); ++i) {
  }
}

std::uint64_t FakeChannel::NowMs() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return nowMs_;
}

bool FakeChannel::IsOpen() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return open_;
}

std::string FakeChannel::PortName() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return portName_;
}

void FakeChannel::FailNextOpen(int code) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  nextOpenResult_ = code;
}

std::string FakeChannel::Sent() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return sent_;
}

std::vector<std::string> FakeChannel::SentLines() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = sent_.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(sent_.substr(start, nl + 1 - start));
  }
  if (start < sent_.size()) lines.push_back(sent_.substr(start));
  return lines;
}

std::size_t FakeChannel::CommandCount() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return static_cast<std::size_t>(std::count(sent_.begin(), sent_.end(), '\n'));
}

void FakeChannel::ClearSent() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  sent_.clear();
}

std::vector<FakeChannel::Chunk> FakeChannel::Chunks() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return chunks_;
}

std::string FakeChannel::ReceiveBuffer() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return std::string(recv_);
}

bool FakeChannel::UnitGone() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return unitGone_;
}

int FakeChannel::Open(const char* portName) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (open_) return SERIAL_ERR_OPEN;
  if (nextOpenResult_ != 0) {
    int code = nextOpenResult_;
    nextOpenResult_ = 0;
    return code;
  }
  open_ = true;
  portName_ = portName ? portName : "";
  readerFreeMs_ = nowMs_;
  return SERIAL_OK;
}

int FakeChannel::Close() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // What the unit sends while nobody listens is lost; the receive buffer
  // keeps its text for the next open.
  open_ = false;
  pending_.clear();
  return 0;
}

int FakeChannel::Write(const char* text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (text == nullptr || *text == '\0') return 0;
  if (!open_) return SERIAL_ERR_TIMEOUT;
  for (const char* p = text; *p; ++p) {
    sent_.push_back(*p);
    if (!unitGone_) Schedule(unit_->Receive(*p), nowMs_);
    nowMs_ += kBytePacingMs;
    // Chunks that end while the tool is still sending reach the hook now,
    // unless this write comes from the hook itself.
    if (!inHook_) AdvanceTo(nowMs_);
  }
  return 0;
}

int FakeChannel::Read(std::size_t size, char* dest) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (open_ && !inHook_) {
    // Waits for the next chunk; text already waiting alone does not end it.
    if (DeliverNextBy(nowMs_ + kReadWaitMs)) return TakeReceived(size, dest);
    nowMs_ += kReadWaitMs;
  }
  if (recv_[0] == '\0') return SERIAL_ERR_TIMEOUT;
  return TakeReceived(size, dest);
}

void FakeChannel::SetChunkHook(SerialChunkHook hook) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  hook_ = hook;
}

int FakeChannel::TakeReceived(std::size_t size, char* dest) {
  std::memset(dest, 0, size);
  std::memcpy(dest, recv_, std::min(std::strlen(recv_), size));
  std::memset(recv_, 0, sizeof recv_);
  return SERIAL_OK;
}

void FakeChannel::Schedule(const std::vector<sim::Burst>& bursts, std::uint64_t fromMs) {
  std::uint64_t at = fromMs;
  for (const sim::Burst& burst : bursts) {
    at += burst.delayMs;
    if (!open_) {
      if (burst.close) unitGone_ = true;
      continue;
    }
    auto pos = std::upper_bound(pending_.begin(), pending_.end(), at,
                                [](std::uint64_t t, const Arrival& a) { return t < a.atMs; });
    pending_.insert(pos, Arrival{at, burst.text, burst.close});
  }
}

// The reader's next chunk: arrivals no more than 500 ms apart, counted from
// when the reader is back from the hook (bytes that came meanwhile waited
// in the driver); it is delivered 500 ms after its last byte.
bool FakeChannel::FindNextChunk(NextChunk* next) const {
  if (pending_.empty()) return false;
  std::uint64_t last = std::max(pending_.front().atMs, readerFreeMs_);
  std::size_t count = 1;
  while (count < pending_.size() && !pending_[count - 1].close) {
    std::uint64_t at = std::max(pending_[count].atMs, readerFreeMs_);
    if (at - last >= kChunkQuietMs) break;
    last = at;
    ++count;
  }
  next->arrivals = count;
  next->deliveryMs = last + kChunkQuietMs;
  return true;
}

bool FakeChannel::DeliverNextBy(std::uint64_t limitMs) {
  NextChunk next;
  if (inHook_ || !FindNextChunk(&next) || next.deliveryMs > limitMs) return false;
  nowMs_ = std::max(nowMs_, next.deliveryMs);
  Deliver(next);
  return true;
}

void FakeChannel::Deliver(const NextChunk& next) {
  std::string text;
  bool close = false;
  for (std::size_t i = 0; i < next.arrivals; ++i) {
    text += pending_.front().text;
    close = close || pending_.front().close;
    pending_.pop_front();
  }
  if (close) unitGone_ = true;

  // A read that fills all 2048 bytes is dropped unseen; the rest of the
  // text is what the following read gets.
  while (text.size() >= kSerialChunkSize) {
    chunks_.push_back(Chunk{nowMs_, text.substr(0, kSerialChunkSize), false});
    text.erase(0, kSerialChunkSize);
  }
  if (text.empty()) return;

  char chunk[kSerialChunkSize] = {};
  std::memcpy(chunk, text.data(), text.size());
  if (hook_) {
    inHook_ = true;
    hook_(chunk);
    inHook_ = false;
    readerFreeMs_ = nowMs_;
  }
  std::size_t waiting = std::strlen(recv_);
  std::size_t length = std::strlen(chunk);
  bool fits = waiting + length < kSerialRecvSize;
  if (fits) std::memcpy(recv_ + waiting, chunk, length + 1);
  chunks_.push_back(Chunk{nowMs_, text, fits});
}

void FakeChannel::AdvanceTo(std::uint64_t ms) {
  while (DeliverNextBy(ms)) {
  }
  nowMs_ = std::max(nowMs_, ms);
}

int SerialOpen(const char* portName) { return FakeChannel::Instance().Open(portName); }
int SerialClose() { return FakeChannel::Instance().Close(); }
int SerialWrite(const char* text) { return FakeChannel::Instance().Write(text); }
int SerialRead(std::size_t size, char* dest) { return FakeChannel::Instance().Read(size, dest); }
void SerialSetChunkHook(SerialChunkHook hook) { FakeChannel::Instance().SetChunkHook(hook); }
