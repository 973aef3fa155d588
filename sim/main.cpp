// rvz-sim: simulated MARVEK/SOLVIK units on pseudo-terminals.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/sim_daemon.h"

namespace {

const char kUsage[] =
    "usage: rvz-sim [options]\n"
    "  --dosdevices DIR        link DIR/comN to each unit's terminal (a Wine prefix's\n"
    "                          dosdevices folder makes it \\\\.\\COMn)\n"
    "  --control-port-file F   write the control port number to F\n"
    "  --unit N:FAMILY:VERSION a unit on COMn; FAMILY marvek or solvik (repeatable)\n"
    "  --auto-power-on MS|off  units of --unit switch on once their port has been\n"
    "                          held open MS ms (default 500)\n"
    "  --answer-delay MS       answer time of the units of --unit (default 30)\n"
    "  --quiet                 no report on stderr\n"
    "Runs until SIGTERM, SIGINT or the control command \"quit\".\n";

void OnStopSignal(int) { sim::SimDaemon::RequestStop(); }

bool ParseMs(const char* text, int* ms) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 3600000) return false;
  *ms = static_cast<int>(v);
  return true;
}

bool ParseUnit(const std::string& text, sim::UnitOption* option) {
  std::size_t a = text.find(':');
  std::size_t b = a == std::string::npos ? a : text.find(':', a + 1);
  if (b == std::string::npos) return false;
  char* end = nullptr;
  long number = std::strtol(text.substr(0, a).c_str(), &end, 10);
  if (*end != '\0' || a == 0) return false;
  option->number = static_cast<int>(number);
  option->version = text.substr(b + 1);
  return !option->version.empty() && option->version.find(' ') == std::string::npos &&
         sim::ParseFamily(text.substr(a + 1, b - a - 1), &option->family);
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "rvz-sim: %s\n", problem);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  sim::DaemonOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (!hasValue) {
      return Usage(("missing value after " + arg).c_str());
    } else if (arg == "--dosdevices") {
      options.dosdevices = argv[++i];
    } else if (arg == "--control-port-file") {
      options.portFile = argv[++i];
    } else if (arg == "--unit") {
      sim::UnitOption option;
      if (!ParseUnit(argv[++i], &option)) return Usage(("bad --unit " + std::string(argv[i])).c_str());
      options.units.push_back(option);
    } else if (arg == "--auto-power-on") {
      ++i;
      if (std::strcmp(argv[i], "off") == 0) options.autoPowerOnMs = -1;
      else if (!ParseMs(argv[i], &options.autoPowerOnMs)) return Usage("bad --auto-power-on");
    } else if (arg == "--answer-delay") {
      if (!ParseMs(argv[++i], &options.answerDelayMs)) return Usage("bad --answer-delay");
    } else {
      return Usage(("unknown option " + arg).c_str());
    }
  }

  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  sim::SimDaemon daemon(std::move(options));
  return daemon.Run();
}
