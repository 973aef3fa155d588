// The serial channel for native tests: the functions of serial/serial.h on
// top of one in-process simulated unit, with model time instead of real
// time. Bytes written reach the unit 50 ms apart; what the unit sends is cut
// into chunks as the real reader cuts it (a chunk ends 500 ms after the
// unit's last byte), shown to the chunk hook and appended to a 2048-byte
// receive buffer. SerialRead waits, in model time, up to 1500 ms for the
// next chunk. Nothing sleeps: a whole read of the settings takes
// microseconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "serial/serial.h"
#include "sim/unit_model.h"

class FakeChannel {
 public:
  // One chunk as the reader got it, before the hook saw it.
  struct Chunk {
    std::uint64_t atMs;  // model time of its delivery
    std::string text;    // as received, NUL bytes included
    bool appended;       // false: it did not fit into the receive buffer
  };

  static FakeChannel& Instance();

  // A new unit, switched off; channel closed; receive buffer, model clock,
  // sent bytes and chunk list empty. The chunk hook stays as it was.
  void Reset(sim::Family family = sim::Family::Solvik, const std::string& version = "1234");

  // The unit, for its parameters, faults and the lines it received.
  sim::UnitModel& Unit();

  // Switches the unit on and runs model time until the unit has nothing
  // more to send: with the start-up detector as hook, the banner, the login
  // line and "Enter system mode" have all gone through when it returns.
  void PowerOn();
  // Lets `ms` of model time pass, delivering the chunks that end meanwhile.
  void Advance(std::uint64_t ms);
  // Delivers everything the unit still has to send.
  void RunUntilIdle();
  // Model time in ms since Reset.
  std::uint64_t NowMs() const;

  bool IsOpen() const;
  std::string PortName() const;  // the name of the last successful open
  // The code the next SerialOpen returns; 0 (the default) opens normally.
  void FailNextOpen(int code);

  std::string Sent() const;                    // every byte written while open
  std::vector<std::string> SentLines() const;  // Sent() cut after each "\n"
  std::size_t CommandCount() const;            // complete lines written
  void ClearSent();
  std::vector<Chunk> Chunks() const;
  std::string ReceiveBuffer() const;           // text waiting for SerialRead
  bool UnitGone() const;                       // the unit vanished

  // serial/serial.h
  int Open(const char* portName);
  int Close();
  int Write(const char* text);
  int Read(std::size_t size, char* dest);
  void SetChunkHook(SerialChunkHook hook);

 private:
  struct Arrival {
    std::uint64_t atMs;
    std::string text;
    bool close;
  };
  struct NextChunk {
    std::size_t arrivals;
    std::uint64_t deliveryMs;
  };

  FakeChannel();
  void Schedule(const std::vector<sim::Burst>& bursts, std::uint64_t fromMs);
  bool FindNextChunk(NextChunk* next) const;
  bool DeliverNextBy(std::uint64_t limitMs);
  void Deliver(const NextChunk& next);
  void AdvanceTo(std::uint64_t ms);
  int TakeReceived(std::size_t size, char* dest);

  mutable std::recursive_mutex mutex_;
  std::unique_ptr<sim::UnitModel> unit_;
  SerialChunkHook hook_ = nullptr;
  bool open_ = false;
  bool unitGone_ = false;
  int nextOpenResult_ = 0;
  std::string portName_;
  std::uint64_t nowMs_ = 0;
  std::uint64_t readerFreeMs_ = 0;  // the reader is in the hook until then
  bool inHook_ = false;
  std::deque<Arrival> pending_;     // sorted by time
  char recv_[kSerialRecvSize] = {};
  std::string sent_;
  std::vector<Chunk> chunks_;
};
