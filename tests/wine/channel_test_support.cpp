#include "tests/wine/channel_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>

double Stopwatch::Ms() const {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return (now.QuadPart - start_.QuadPart) * 1000.0 / freq.QuadPart;
}

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) {
    return ((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

void DrainReceiveBuffer() {
  char buf[kSerialRecvSize];
  SerialRead(sizeof buf, buf);
}

Pacing ExpectPaced(const std::vector<SimRecordedByte>& bytes, double paceMs) {
  Pacing figures;
  if (bytes.size() < 2) return figures;
  std::vector<double> gaps;
  for (std::size_t i = 1; i < bytes.size(); ++i) {
    double sinceFirst = (bytes[i].us - bytes[0].us) / 1000.0;
    EXPECT_GE(sinceFirst, paceMs * i - 5.0) << "byte " << i << " came early";
    gaps.push_back((bytes[i].us - bytes[i - 1].us) / 1000.0);
  }
  std::sort(gaps.begin(), gaps.end());
  figures.median = gaps[gaps.size() / 2];
  figures.worst = gaps.back();
  return figures;
}

// --- ChunkRecorder -----------------------------------------------------------

namespace {

std::mutex g_chunkLock;
std::condition_variable g_chunkSeen;
std::vector<std::string> g_chunks;
SerialChunkHook g_nextHook = nullptr;

void RecordChunk(char* chunk) {
  {
    std::lock_guard<std::mutex> guard(g_chunkLock);
    g_chunks.emplace_back(chunk);
  }
  g_chunkSeen.notify_all();
  if (g_nextHook) g_nextHook(chunk);
}

}  // namespace

ChunkRecorder::ChunkRecorder(SerialChunkHook next) {
  std::lock_guard<std::mutex> guard(g_chunkLock);
  g_chunks.clear();
  g_nextHook = next;
  SerialSetChunkHook(RecordChunk);
}

ChunkRecorder::~ChunkRecorder() { SerialSetChunkHook(nullptr); }

bool ChunkRecorder::WaitFor(std::size_t count, DWORD ms) const {
  std::unique_lock<std::mutex> lock(g_chunkLock);
  return g_chunkSeen.wait_for(lock, std::chrono::milliseconds(ms), [&] { return g_chunks.size() >= count; });
}

std::vector<std::string> ChunkRecorder::Seen() const {
  std::lock_guard<std::mutex> guard(g_chunkLock);
  return g_chunks;
}

// --- SimUnit -----------------------------------------------------------------

SimControl& SimUnit::Control() {
  static SimControl control;
  if (!control.IsConnected()) {
    EXPECT_TRUE(control.ConnectFromEnv()) << "no simulator (RVZ_SIM_CONTROL)";
  }
  return control;
}

void SimUnit::Create(int number, const char* family, const char* version) {
  number_ = number;
  EXPECT_TRUE(Control().CreateUnit(number, family, version)) << "unit " << number;
}

std::string SimUnit::PortName() const { return "COM" + std::to_string(number_); }

void SimUnit::PowerOn() { EXPECT_TRUE(Control().PowerOn(number_)); }

void SimUnit::Send(const std::string& bytes) { EXPECT_TRUE(Control().Send(number_, bytes)); }

void SimUnit::Vanish() { EXPECT_TRUE(Control().Close(number_)); }

void SimUnit::RefuseOpen(bool refuse) { EXPECT_TRUE(Control().Lock(number_, refuse)); }

bool SimUnit::PortHeld() { return Control().PortHeld(number_); }

std::vector<SimRecordedByte> SimUnit::Record() { return Control().Record(number_); }

std::string SimUnit::RecordText() {
  std::string text;
  for (const SimRecordedByte& b : Record()) text += static_cast<char>(b.byte);
  return text;
}

void SimUnit::ClearRecord() { EXPECT_TRUE(Control().ClearRecord(number_)); }
