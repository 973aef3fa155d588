// A simulated unit of the rvz-sim daemon on COM<number>, reached through
// the real serial channel and logged in by the start-up detector, as the
// settings page does it.
#pragma once

#include <string>

#include "protocol/notify.h"
#include "protocol/startup_detector.h"
#include "serial/serial.h"
#include "sim/sim_control.h"
#include "tests/support/settings_transcripts.h"
#include "tests/support/waiting_sink.h"

inline void DetectStartupHook(char* chunk) { DetectStartup(chunk); }

// Makes the unit with these values, opens its port, switches it on and
// waits until it has entered system mode. The sink is empty afterwards.
// Returns the empty text, or what went wrong.
inline std::string StartLoggedInUnit(SimControl& sim, WaitingSink& sink, int number,
                                     const std::string& family,
                                     const transcripts::UnitValues& values) {
  if (!sim.CreateUnit(number, family, "1234")) return "the simulator made no unit " + std::to_string(number);
  for (auto [param, value] : values)
    if (!sim.SetParam(number, param, value)) return "the unit refused parameter " + std::to_string(param);
  SerialSetChunkHook(DetectStartupHook);
  const std::string port = "COM" + std::to_string(number);
  if (SerialOpen(port.c_str()) != SERIAL_OK) return "cannot open " + port;
  sink.Forget();
  if (!sim.PowerOn(number)) return "the unit did not switch on";
  if (!sink.WaitFor(WM_CFG_START_READ, 10000)) return "the unit never entered system mode";
  sink.Forget();
  return "";
}
