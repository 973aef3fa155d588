// rvz-sim: simulated units on pseudo-terminals in real time, steered over
// a control line server. One thread; poll() waits for the ports, the
// control clients and the next burst that is due.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/control_server.h"
#include "sim/pty_port.h"
#include "sim/unit_model.h"

namespace sim {

struct UnitOption {
  int number;
  Family family;
  std::string version;
};

struct DaemonOptions {
  std::string dosdevices;    // folder for the comN links; empty: no links
  std::string portFile;      // where the control port is written; empty: none
  std::vector<UnitOption> units;
  int autoPowerOnMs = 500;   // for units given on the command line; < 0: off
  int answerDelayMs = -1;    // < 0: the model's default
  bool quiet = false;
};

class SimDaemon {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SimDaemon(DaemonOptions options);
  ~SimDaemon();

  // Runs until a stop signal or "quit". Returns the exit code.
  int Run();

  // Async-signal-safe: ends Run soon.
  static void RequestStop();

  // One control command; the reply line without its line end.
  std::string Command(const std::string& line);

 private:
  struct Scheduled {
    Clock::time_point at;
    std::string text;
    bool close;
  };
  struct Unit {
    int number = 0;
    std::unique_ptr<UnitModel> model;
    PtyPort port;
    Clock::time_point created;
    std::deque<Scheduled> out;  // sorted by time
    std::vector<std::pair<std::uint64_t, unsigned char>> record;  // us since creation
    bool gone = false;
    int autoPowerOnMs = -1;     // < 0: off
    bool held = false;          // the slave is held open
    Clock::time_point heldSince;
    bool poweredThisHold = false;
    std::string name;           // COMn, for the log
  };

  bool CreateUnit(const UnitOption& option, std::string* reply);
  Unit* FindUnit(int number);
  void Schedule(Unit& unit, const std::vector<Burst>& bursts, Clock::time_point from);
  void PowerOn(Unit& unit);
  void Vanish(Unit& unit, const char* why);
  void ReadPort(Unit& unit);
  void WriteDue(Unit& unit, Clock::time_point now);
  void WatchHold(Unit& unit, Clock::time_point now);
  int WaitMs(Clock::time_point now) const;
  void Log(const std::string& text) const;
  void RemoveAllUnits();
  bool WritePortFile(std::string* error) const;

  DaemonOptions options_;
  ControlServer control_;
  std::map<int, std::unique_ptr<Unit>> units_;
  Clock::time_point started_;
  bool quit_ = false;
};

}  // namespace sim
