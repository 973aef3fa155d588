// A full read and a full write of a simulated unit in real time, each
// against the protocol's floor for the same run: per command 50 ms for
// every character sent, the unit's answer time, and the 500 ms the reader
// waits after the unit's last byte before it hands the answer over.
// The pause after the last character already runs while the unit answers,
// so the reachable floor is 50 ms a command lower; it is printed too.
//   settings_bench [solvik|marvek]   (beside rvz-sim: see bench/run.sh)
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "protocol/jobs.h"
#include "protocol/settings_jobs.h"
#include "tests/support/logged_in_unit.h"

namespace {

constexpr int kPort = 31;
constexpr int kAnswerDelayMs = 30;
constexpr double kPerCharacterMs = 50;
constexpr double kChunkEndMs = 500;
constexpr unsigned kJobTimeoutMs = 120000;

struct Run {
  double wallMs = 0;
  double floorMs = 0;
  std::size_t commands = 0;
  double ReachableFloorMs() const { return floorMs - kPerCharacterMs * commands; }
};

// Runs one job and measures it from its start to its result message.
bool Measure(SimControl& sim, WaitingSink& sink, bool (*start)(SDevSettings*), unsigned resultMsg,
             SDevSettings* record, Run* run) {
  const std::size_t linesBefore = sim.Lines(kPort).size();
  sink.Forget();
  auto t0 = WaitingSink::Clock::now();
  if (!start(record)) return false;
  std::uintptr_t ok = 0;
  if (!sink.WaitFor(resultMsg, kJobTimeoutMs, &ok) || ok != 1) return false;
  run->wallMs = std::chrono::duration<double, std::milli>(sink.TimeOf(resultMsg) - t0).count();
  WaitJobsIdle(kJobTimeoutMs);

  const std::vector<std::string> lines = sim.Lines(kPort);
  for (std::size_t i = linesBefore; i < lines.size(); ++i) {
    const double sent = static_cast<double>(lines[i].size() + 1);  // and its line feed
    run->floorMs += sent * kPerCharacterMs + kAnswerDelayMs + kChunkEndMs;
    ++run->commands;
  }
  return true;
}

bool StartRead(SDevSettings* record) { return StartJob(ReadAllSettings, record); }

void Print(const char* what, const std::string& family, const Run& run) {
  const double ratio = run.wallMs / run.floorMs;
  const double reachable = run.ReachableFloorMs();
  std::printf("%-10s %-6s %2zu commands  wall %7.3f s  floor %7.3f s  ratio %.4f  %s"
              "  | reachable floor %7.3f s  ratio %.4f\n",
              what, family.c_str(), run.commands, run.wallMs / 1000, run.floorMs / 1000, ratio,
              ratio <= 1.03 ? "(target 1.03 met)" : "(target 1.03 missed)", reachable / 1000,
              run.wallMs / reachable);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string family = argc > 1 ? argv[1] : "solvik";
  SimControl sim;
  if (!sim.ConnectFromEnv()) {
    std::fprintf(stderr, "settings_bench: no simulator (RVZ_SIM_CONTROL); use bench/run.sh\n");
    return 2;
  }
  WaitingSink sink;
  const auto& values = family == "marvek" ? transcripts::kMarvekUnit : transcripts::kSolvikUnit;
  std::string problem = StartLoggedInUnit(sim, sink, kPort, family, values);
  if (problem.empty() && !sim.AnswerDelay(kPort, kAnswerDelayMs)) problem = "cannot set the answer time";
  if (!problem.empty()) {
    std::fprintf(stderr, "settings_bench: %s\n", problem.c_str());
    return 1;
  }

  SDevSettings record;
  Run read, write;
  if (!Measure(sim, sink, StartRead, WM_CFG_READ_RESULT, &record, &read)) {
    std::fprintf(stderr, "settings_bench: the read failed\n");
    return 1;
  }
  Print("full read", family, read);
  record = family == "marvek" ? transcripts::HeadphoneRecord() : transcripts::EarPlugRecord();
  if (!Measure(sim, sink, StartWriteJob, WM_CFG_WRITE_RESULT, &record, &write)) {
    std::fprintf(stderr, "settings_bench: the write failed\n");
    return 1;
  }
  Print("full write", family, write);
  SerialClose();
  return 0;
}
