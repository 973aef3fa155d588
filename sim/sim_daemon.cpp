#include "sim/sim_daemon.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/text_escape.h"
#include "sim/text_words.h"

namespace sim {

namespace {

const int kDefaultHoldMs = 500;  // the tool's port list opens every port briefly
const int kHoldPollMs = 10;      // how often a port nobody holds is looked at
const int kCloseAfterTextMs = 200;

int g_stopPipe[2] = {-1, -1};



// The rest of a line after its first `count` words and the blank after them.
std::string RestAfterWords(const std::string& line, int count) {
  std::size_t pos = 0;
  for (int i = 0; i < count; ++i) {
    pos = line.find_first_not_of(' ', pos);
    if (pos == std::string::npos) return "";
    pos = line.find(' ', pos);
    if (pos == std::string::npos) return "";
  }
  return line.substr(pos + 1);
}

}  // namespace

SimDaemon::SimDaemon(DaemonOptions options)
    : options_(std::move(options)), started_(Clock::now()) {}

SimDaemon::~SimDaemon() { RemoveAllUnits(); }

void SimDaemon::RequestStop() {
  if (g_stopPipe[1] >= 0) {
    char byte = 1;
    ssize_t ignored = ::write(g_stopPipe[1], &byte, 1);
    (void)ignored;
  }
}

void SimDaemon::Log(const std::string& text) const {
  if (options_.quiet) return;
  double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
  std::fprintf(stderr, "[%8.3f] %s\n", seconds, text.c_str());
}

bool SimDaemon::WritePortFile(std::string* error) const {
  // Written aside and renamed, so a reader never sees half a number.
  std::string temp = options_.portFile + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "w");
  if (!f) {
    *error = temp + ": " + std::strerror(errno);
    return false;
  }
  std::fprintf(f, "%d\n", control_.port());
  if (std::fclose(f) != 0 || std::rename(temp.c_str(), options_.portFile.c_str()) != 0) {
    *error = options_.portFile + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

int SimDaemon::Run() {
  if (::pipe2(g_stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    std::fprintf(stderr, "rvz-sim: pipe: %s\n", std::strerror(errno));
    return 1;
  }
  std::string error;
  if (!control_.Listen(&error)) {
    std::fprintf(stderr, "rvz-sim: %s\n", error.c_str());
    return 1;
  }
  for (const UnitOption& option : options_.units) {
    std::string reply;
    if (!CreateUnit(option, &reply)) {
      std::fprintf(stderr, "rvz-sim: unit %d: %s\n", option.number, reply.c_str());
      return 1;
    }
    units_[option.number]->autoPowerOnMs = options_.autoPowerOnMs;
  }
  if (!options_.portFile.empty() && !WritePortFile(&error)) {
    std::fprintf(stderr, "rvz-sim: %s\n", error.c_str());
    return 1;
  }
  Log("control port " + std::to_string(control_.port()));

  while (!quit_) {
    Clock::time_point now = Clock::now();
    for (auto& [number, unit] : units_) {
      if (unit->gone) continue;
      ReadPort(*unit);
      WatchHold(*unit, now);
      WriteDue(*unit, now);
    }

    std::vector<pollfd> fds;
    fds.push_back({g_stopPipe[0], POLLIN, 0});
    control_.AddPollFds(&fds);
    for (auto& [number, unit] : units_) {
      // A port nobody holds reports a hang-up all the time; it is looked at
      // every few ms instead of being waited on.
      if (!unit->gone && unit->held) fds.push_back({unit->port.fd(), POLLIN, 0});
    }
    int rc = ::poll(fds.data(), fds.size(), WaitMs(Clock::now()));
    if (rc < 0 && errno != EINTR) {
      std::fprintf(stderr, "rvz-sim: poll: %s\n", std::strerror(errno));
      return 1;
    }
    if (fds[0].revents & POLLIN) {
      Log("stop signal");
      break;
    }
    control_.Service([this](const std::string& line) { return Command(line); });
  }
  RemoveAllUnits();
  return 0;
}

int SimDaemon::WaitMs(Clock::time_point now) const {
  Clock::time_point next = now + std::chrono::seconds(1);
  for (const auto& [number, unit] : units_) {
    if (unit->gone) continue;
    if (!unit->held) next = std::min(next, now + std::chrono::milliseconds(kHoldPollMs));
    if (!unit->out.empty()) next = std::min(next, unit->out.front().at);
    if (unit->held && unit->autoPowerOnMs >= 0 && !unit->poweredThisHold) {
      next = std::min(next, unit->heldSince + std::chrono::milliseconds(unit->autoPowerOnMs));
    }
  }
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
  return static_cast<int>(std::max<long long>(0, ms + (next > now ? 1 : 0)));
}

void SimDaemon::RemoveAllUnits() {
  for (auto& [number, unit] : units_) unit->port.Close();
  units_.clear();
}

SimDaemon::Unit* SimDaemon::FindUnit(int number) {
  auto it = units_.find(number);
  return it == units_.end() ? nullptr : it->second.get();
}

bool SimDaemon::CreateUnit(const UnitOption& option, std::string* reply) {
  if (option.number < 1 || option.number > 256) {
    *reply = "port number out of range";
    return false;
  }
  units_.erase(option.number);  // a unit of the same number is replaced
  auto unit = std::make_unique<Unit>();
  unit->number = option.number;
  unit->name = "COM" + std::to_string(option.number);
  unit->model = std::make_unique<UnitModel>(option.family, option.version);
  if (options_.answerDelayMs >= 0) unit->model->SetAnswerDelay(options_.answerDelayMs);
  unit->created = Clock::now();
  if (!unit->port.Open(reply)) return false;
  if (!options_.dosdevices.empty() &&
      !unit->port.Link(options_.dosdevices + "/com" + std::to_string(option.number), reply)) {
    return false;
  }
  *reply = unit->port.slavePath();
  Log(unit->name + ": " + FamilyName(option.family) + " version " + option.version + " on " +
      unit->port.slavePath() +
      (unit->port.linkPath().empty() ? "" : " (" + unit->port.linkPath() + ")"));
  units_[option.number] = std::move(unit);
  return true;
}

void SimDaemon::Schedule(Unit& unit, const std::vector<Burst>& bursts, Clock::time_point from) {
  Clock::time_point at = from;
  for (const Burst& b : bursts) {
    at += std::chrono::milliseconds(b.delayMs);
    auto pos = std::upper_bound(unit.out.begin(), unit.out.end(), at,
                                [](Clock::time_point t, const Scheduled& s) { return t < s.at; });
    unit.out.insert(pos, Scheduled{at, b.text, b.close});
  }
}

void SimDaemon::PowerOn(Unit& unit) {
  Log(unit.name + ": power on");
  Schedule(unit, unit.model->PowerOn(), Clock::now());
}

void SimDaemon::Vanish(Unit& unit, const char* why) {
  Log(unit.name + ": gone (" + why + ")");
  unit.port.Close();
  unit.out.clear();
  unit.gone = true;
  unit.held = false;
}

void SimDaemon::ReadPort(Unit& unit) {
  unsigned char buf[4096];
  for (;;) {
    ssize_t n = ::read(unit.port.fd(), buf, sizeof buf);
    if (n <= 0) return;  // nothing now, or nobody holds the slave (EIO)
    Clock::time_point now = Clock::now();
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - unit.created).count();
    std::size_t linesBefore = unit.model->Lines().size();
    for (ssize_t i = 0; i < n; ++i) {
      unit.record.emplace_back(static_cast<std::uint64_t>(us), buf[i]);
      Schedule(unit, unit.model->Receive(static_cast<char>(buf[i])), now);
    }
    const std::vector<std::string>& lines = unit.model->Lines();
    for (std::size_t i = linesBefore; i < lines.size(); ++i) {
      Log(unit.name + " <- " + EscapeText(lines[i]));
    }
  }
}

void SimDaemon::WatchHold(Unit& unit, Clock::time_point now) {
  bool held = unit.port.SlaveHeld();
  if (held && !unit.held) {
    unit.heldSince = now;
    unit.poweredThisHold = false;
    Log(unit.name + ": port opened");
  } else if (!held && unit.held) {
    // What the tool did not read is gone with its port, as on a real line.
    unit.port.DiscardPending();
    Log(unit.name + ": port closed");
  }
  unit.held = held;
  if (held && unit.autoPowerOnMs >= 0 && !unit.poweredThisHold &&
      now - unit.heldSince >= std::chrono::milliseconds(unit.autoPowerOnMs)) {
    unit.poweredThisHold = true;
    PowerOn(unit);
  }
}

void SimDaemon::WriteDue(Unit& unit, Clock::time_point now) {
  while (!unit.out.empty() && unit.out.front().at <= now) {
    Scheduled& s = unit.out.front();
    if (!s.text.empty()) {
      if (!unit.held) {
        Log(unit.name + " -> (port not open, lost) " + EscapeText(s.text));
      } else {
        ssize_t n = ::write(unit.port.fd(), s.text.data(), s.text.size());
        if (n < 0 && errno == EAGAIN) return;  // the tool is not reading: later
        if (n > 0 && static_cast<std::size_t>(n) < s.text.size()) {
          Log(unit.name + " -> " + EscapeText(s.text.substr(0, n)));
          s.text.erase(0, static_cast<std::size_t>(n));
          return;
        }
        Log(unit.name + " -> " + EscapeText(s.text));
      }
    }
    if (s.close && !s.text.empty()) {
      // Closing the terminal at once would throw away the text still in
      // the slave's input queue; the unit goes a moment after its answer.
      s.text.clear();
      s.at = now + std::chrono::milliseconds(kCloseAfterTextMs);
      return;
    }
    bool close = s.close;
    unit.out.pop_front();
    if (close) {
      Vanish(unit, "vanished after a command");
      return;
    }
  }
}

std::string SimDaemon::Command(const std::string& line) {
  std::vector<std::string> w = SplitWords(line);
  if (w.empty()) return "err empty command";
  const std::string& cmd = w[0];
  if (cmd == "quit") {
    quit_ = true;
    return "ok";
  }
  if (cmd == "units") {
    std::string reply = "ok";
    for (const auto& [number, unit] : units_) reply += " " + std::to_string(number);
    return reply;
  }

  int number = 0;
  if (w.size() < 2 || !ParseWholeInt(w[1], &number)) return "err missing unit number";

  if (cmd == "unit") {
    UnitOption option{number, Family::Solvik, ""};
    if (w.size() != 4) return "err usage: unit N marvek|solvik VERSION";
    if (!ParseFamily(w[2], &option.family)) return "err unknown family " + w[2];
    option.version = w[3];
    std::string reply;
    if (!CreateUnit(option, &reply)) return "err " + reply;
    return "ok " + reply;
  }

  Unit* unit = FindUnit(number);
  if (!unit) return "err no unit " + w[1];
  UnitModel& model = *unit->model;
  int value = 0;
  auto needInt = [&](std::size_t index, int* out) {
    return w.size() > index && ParseWholeInt(w[index], out);
  };

  if (cmd == "mode") return std::string("ok ") + (unit->gone ? "off" : ModeName(model.mode()));
  if (cmd == "opened") return std::string("ok ") + (unit->held ? "yes" : "no");
  if (cmd == "record") {
    std::string reply = "ok";
    char entry[40];
    for (const auto& [us, byte] : unit->record) {
      std::snprintf(entry, sizeof entry, " %llu:%02x", static_cast<unsigned long long>(us), byte);
      reply += entry;
    }
    return reply;
  }
  if (cmd == "clearrecord") {
    unit->record.clear();
    model.ClearReceived();
    return "ok";
  }
  if (cmd == "lines") return "ok " + std::to_string(model.Lines().size());
  if (cmd == "line") {
    if (!needInt(2, &value) || value < 0 || static_cast<std::size_t>(value) >= model.Lines().size()) {
      return "err no such line";
    }
    return "ok " + EscapeText(model.Lines()[value]);
  }
  if (cmd == "param") {
    if (!needInt(2, &value) || !UnitModel::IsParameter(value)) return "err unknown parameter";
    return "ok " + std::to_string(model.Param(value));
  }
  if (cmd == "setparam") {
    int v = 0;
    if (!needInt(2, &value) || !UnitModel::IsParameter(value)) return "err unknown parameter";
    if (!needInt(3, &v)) return "err bad value";
    model.SetParam(value, v);
    return "ok";
  }
  if (cmd == "answerdelay" || cmd == "logindelay") {
    if (!needInt(2, &value) || value < 0) return "err bad delay";
    if (cmd == "answerdelay") model.SetAnswerDelay(value);
    else model.SetLoginDelay(value);
    return "ok";
  }
  if (cmd == "loginnumber") {
    if (!needInt(2, &value)) return "err bad number";
    model.SetLoginNumber(value);
    return "ok";
  }
  if (cmd == "fault") {
    FaultKind kind;
    if (w.size() < 4 || w.size() > 5) return "err usage: fault N KIND PREFIX [ARG]";
    if (!UnitModel::ParseFaultKind(w[2], &kind)) return "err unknown fault " + w[2];
    int arg = -1;
    if (w.size() == 5 && (!ParseWholeInt(w[4], &arg) || arg < 0)) return "err bad argument";
    model.SetFault(kind, w[3], arg);
    return "ok";
  }
  if (cmd == "clearfaults") {
    model.ClearFaults();
    return "ok";
  }

  // What follows needs the unit's port.
  if (unit->gone) return "err unit " + w[1] + " is gone";
  if (cmd == "autopoweron") {
    if (w.size() == 3 && w[2] == "off") {
      unit->autoPowerOnMs = -1;
      return "ok";
    }
    value = kDefaultHoldMs;
    if (w.size() > 2 && (!needInt(2, &value) || value < 0)) return "err bad hold time";
    unit->autoPowerOnMs = value;
    // A port already held counts from now.
    unit->heldSince = Clock::now();
    unit->poweredThisHold = false;
    return "ok";
  }
  if (cmd == "poweron") {
    PowerOn(*unit);
    return "ok";
  }
  if (cmd == "send") {
    std::string bytes;
    if (!UnescapeText(RestAfterWords(line, 2), &bytes)) return "err bad escape";
    WatchHold(*unit, Clock::now());
    if (!unit->held) return "err port not open";
    Schedule(*unit, {Burst{0, bytes, false}}, Clock::now());
    WriteDue(*unit, Clock::now());
    return "ok";
  }
  if (cmd == "lock") {
    // The port is there but cannot be opened, as one that another program
    // holds (Wine does not keep serial ports to one opener).
    if (w.size() != 3 || (w[2] != "on" && w[2] != "off")) return "err usage: lock N on|off";
    if (!unit->port.SetLocked(w[2] == "on")) return "err lock failed";
    return "ok";
  }
  if (cmd == "close") {
    Vanish(*unit, "closed by command");
    return "ok";
  }
  return "err unknown command " + cmd;
}

}  // namespace sim
