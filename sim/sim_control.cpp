#include "sim/sim_control.h"

#include <cstdlib>
#include <sstream>

#include "sim/text_escape.h"

SimControl::~SimControl() { Disconnect(); }

bool SimControl::Connect(int port) {
  Disconnect();
  return OpenSocket(port);
}

bool SimControl::ConnectFromEnv() {
  const char* port = std::getenv("RVZ_SIM_CONTROL");
  if (!port || !*port) return false;
  char* end = nullptr;
  long value = std::strtol(port, &end, 10);
  if (*end != '\0' || value <= 0 || value > 65535) return false;
  return Connect(static_cast<int>(value));
}

void SimControl::Disconnect() {
  if (socket_ != kNoSocket) CloseSocket();
  socket_ = kNoSocket;
  received_.clear();
}

bool SimControl::IsOk(const std::string& reply) {
  return reply == "ok" || reply.compare(0, 3, "ok ") == 0;
}

std::string SimControl::Command(const std::string& line) {
  if (!IsConnected()) return "err not connected";
  if (!SendAll(line + "\n")) {
    Disconnect();
    return "err connection lost";
  }
  for (;;) {
    std::size_t nl = received_.find('\n');
    if (nl != std::string::npos) {
      std::string reply = received_.substr(0, nl);
      received_.erase(0, nl + 1);
      return reply;
    }
    char buf[4096];
    int n = ReceiveSome(buf, sizeof buf);
    if (n <= 0) {
      Disconnect();
      return "err connection lost";
    }
    received_.append(buf, static_cast<std::size_t>(n));
  }
}

std::string SimControl::Unit(const char* command, int unit) const {
  return std::string(command) + " " + std::to_string(unit);
}

bool SimControl::CreateUnit(int unit, const std::string& family, const std::string& version,
                            std::string* slavePath) {
  std::string reply = Command(Unit("unit", unit) + " " + family + " " + version);
  if (!IsOk(reply)) return false;
  if (slavePath) *slavePath = reply.size() > 3 ? reply.substr(3) : "";
  return true;
}

bool SimControl::AutoPowerOn(int unit, int holdMs) {
  return Ok(Unit("autopoweron", unit) + " " + std::to_string(holdMs));
}

bool SimControl::PowerOn(int unit) { return Ok(Unit("poweron", unit)); }

bool SimControl::Send(int unit, const std::string& bytes) {
  return Ok(Unit("send", unit) + " " + sim::EscapeText(bytes));
}

bool SimControl::Fault(int unit, const std::string& kind, const std::string& prefix, int arg) {
  std::string line = Unit("fault", unit) + " " + kind + " " + prefix;
  if (arg >= 0) line += " " + std::to_string(arg);
  return Ok(line);
}

bool SimControl::ClearFaults(int unit) { return Ok(Unit("clearfaults", unit)); }

bool SimControl::AnswerDelay(int unit, int ms) {
  return Ok(Unit("answerdelay", unit) + " " + std::to_string(ms));
}

bool SimControl::LoginDelay(int unit, int ms) {
  return Ok(Unit("logindelay", unit) + " " + std::to_string(ms));
}

bool SimControl::Param(int unit, int parameter, int* value) {
  std::string reply = Command(Unit("param", unit) + " " + std::to_string(parameter));
  if (!IsOk(reply) || reply.size() < 4) return false;
  *value = std::atoi(reply.c_str() + 3);
  return true;
}

bool SimControl::SetParam(int unit, int parameter, int value) {
  return Ok(Unit("setparam", unit) + " " + std::to_string(parameter) + " " + std::to_string(value));
}

std::string SimControl::Mode(int unit) {
  std::string reply = Command(Unit("mode", unit));
  return IsOk(reply) && reply.size() > 3 ? reply.substr(3) : "";
}

bool SimControl::PortHeld(int unit) { return Command(Unit("opened", unit)) == "ok yes"; }

std::vector<SimRecordedByte> SimControl::Record(int unit) {
  std::vector<SimRecordedByte> record;
  std::string reply = Command(Unit("record", unit));
  if (!IsOk(reply)) return record;
  std::istringstream in(reply.substr(2));
  std::string entry;
  while (in >> entry) {
    std::size_t colon = entry.find(':');
    if (colon == std::string::npos) continue;
    SimRecordedByte b;
    b.us = std::strtoull(entry.substr(0, colon).c_str(), nullptr, 10);
    b.byte = static_cast<std::uint8_t>(std::strtoul(entry.substr(colon + 1).c_str(), nullptr, 16));
    record.push_back(b);
  }
  return record;
}

bool SimControl::ClearRecord(int unit) { return Ok(Unit("clearrecord", unit)); }

std::vector<std::string> SimControl::Lines(int unit) {
  std::vector<std::string> lines;
  std::string reply = Command(Unit("lines", unit));
  if (!IsOk(reply)) return lines;
  int count = std::atoi(reply.c_str() + 3);
  for (int i = 0; i < count; ++i) {
    reply = Command(Unit("line", unit) + " " + std::to_string(i));
    std::string bytes;
    if (!IsOk(reply) || !sim::UnescapeText(reply.substr(3), &bytes)) break;
    lines.push_back(bytes);
  }
  return lines;
}

bool SimControl::Lock(int unit, bool locked) {
  return Ok(Unit("lock", unit) + (locked ? " on" : " off"));
}

bool SimControl::Close(int unit) { return Ok(Unit("close", unit)); }

bool SimControl::Quit() { return Ok("quit"); }
