// Background jobs that talk to the unit. Only one runs at a time.
#pragma once

#include <cstdint>

#include "protocol/notify.h"

using JobFn = void (*)(void* param);

struct SJobInfo {
  std::uint32_t nDelay;  // ms to sleep before the call; 0: none
  JobFn pfnJob;          // null: nothing is called
  void* pParam;
};

// Starts pfnJob(pParam) on a detached thread. While another job runs the
// new one is refused: `busyPage` gets the busy line, the log a DEBUG line,
// and false is returned.
bool StartJob(JobFn fn, void* param, Page busyPage = Page::Config);

// True while a job started by StartJob has not ended.
bool JobRunning();

// When a job runs: reports the unit busy as a refused StartJob does, and
// returns true.
bool RefuseWhileJobRuns(Page busyPage);

// Waits until no job runs, at most `timeoutMs`. True when idle.
bool WaitJobsIdle(unsigned timeoutMs);
