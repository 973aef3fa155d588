// Helpers of the Windows tests that drive the serial channel against a
// simulated unit: a stopwatch, the unit's control, a recorder of chunks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "serial/serial.h"
#include "sim/sim_control.h"

class Stopwatch {
 public:
  Stopwatch() { Restart(); }
  void Restart() { QueryPerformanceCounter(&start_); }
  double Ms() const;

 private:
  LARGE_INTEGER start_;
};

// User and kernel time this process has used, in ms.
double ProcessCpuMs();

// Empties the receive buffer of a closed channel (SerialRead does not wait then).
void DrainReceiveBuffer();

// Gaps between the bytes the unit received, in ms.
struct Pacing {
  double median = 0;
  double worst = 0;
};
// Checks that every byte arrived at least `paceMs` after the one before it,
// counted from the first byte (one byte's gap may look short when the byte
// before it reached the unit late), and returns the gaps' figures.
Pacing ExpectPaced(const std::vector<SimRecordedByte>& bytes, double paceMs);

// A simulated unit of the daemon that tests/wine/with-sim.sh started, on
// the port COM<number> of the test run's Wine prefix.
class SimUnit {
 public:
  SimUnit() = default;
  SimUnit(const SimUnit&) = delete;
  SimUnit& operator=(const SimUnit&) = delete;

  // Makes the unit (switched off); fails the test when the daemon refuses.
  void Create(int number, const char* family = "marvek", const char* version = "1234");
  std::string PortName() const;

  void PowerOn();
  void Send(const std::string& bytes);   // one burst, any bytes
  void Vanish();                         // the port disappears
  void RefuseOpen(bool refuse);          // opening the port fails while set
  bool PortHeld();                       // some program has the port open

  std::vector<SimRecordedByte> Record();
  std::string RecordText();
  void ClearRecord();

 private:
  static SimControl& Control();   // one connection for the process
  int number_ = 0;
};

// Records every chunk the reader shows to the hook, then hands it on to
// `next`. One at a time; installs itself and removes itself.
class ChunkRecorder {
 public:
  explicit ChunkRecorder(SerialChunkHook next = nullptr);
  ~ChunkRecorder();
  ChunkRecorder(const ChunkRecorder&) = delete;
  ChunkRecorder& operator=(const ChunkRecorder&) = delete;

  // Waits until `count` chunks have been seen, at most `ms`.
  bool WaitFor(std::size_t count, DWORD ms) const;
  std::vector<std::string> Seen() const;
};
