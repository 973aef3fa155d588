// Client of the rvz-sim control server, for tests on Linux and under Wine.
// One command line out, one reply line back ("ok ..." or "err ...").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SimRecordedByte {
  std::uint64_t us;   // microseconds since the unit was created
  std::uint8_t byte;
};

class SimControl {
 public:
  SimControl() = default;
  ~SimControl();
  SimControl(const SimControl&) = delete;
  SimControl& operator=(const SimControl&) = delete;

  bool Connect(int port);         // 127.0.0.1:port
  bool ConnectFromEnv();          // the port in RVZ_SIM_CONTROL
  bool IsConnected() const { return socket_ != kNoSocket; }
  void Disconnect();

  // The reply line without its line end; "err not connected" or
  // "err connection lost" when the daemon cannot be reached.
  std::string Command(const std::string& line);
  static bool IsOk(const std::string& reply);

  // The commands, true on "ok". Family: "marvek" or "solvik".
  bool CreateUnit(int unit, const std::string& family, const std::string& version,
                  std::string* slavePath = nullptr);
  bool AutoPowerOn(int unit, int holdMs = 500);
  bool PowerOn(int unit);
  bool Send(int unit, const std::string& bytes);  // any bytes; escaped here
  // Kind: silent|split|delay|nophrase|garbage|banner|nul|vanish; prefix such
  // as "get_4", "set_4", "restore", "login" or "*"; arg < 0: the default.
  bool Fault(int unit, const std::string& kind, const std::string& prefix, int arg = -1);
  bool ClearFaults(int unit);
  bool AnswerDelay(int unit, int ms);
  bool LoginDelay(int unit, int ms);
  bool Param(int unit, int parameter, int* value);
  bool SetParam(int unit, int parameter, int value);
  std::string Mode(int unit);          // "off", "boot", "system"; "" on error
  bool PortHeld(int unit);             // the tool has the port open
  std::vector<SimRecordedByte> Record(int unit);
  bool ClearRecord(int unit);
  std::vector<std::string> Lines(int unit);  // complete lines received
  bool Lock(int unit, bool locked);    // new opens of the port fail while locked
  bool Close(int unit);                // the unit vanishes now
  bool Quit();

 private:
  static constexpr std::intptr_t kNoSocket = -1;

  // Platform parts (sim_control_posix.cpp, sim_control_win32.cpp).
  bool OpenSocket(int port);
  void CloseSocket();
  bool SendAll(const std::string& bytes);
  int ReceiveSome(char* buf, int size);  // > 0 bytes, 0 closed, < 0 error

  bool Ok(const std::string& line) { return IsOk(Command(line)); }
  std::string Unit(const char* command, int unit) const;

  std::intptr_t socket_ = kNoSocket;
  std::string received_;
};
