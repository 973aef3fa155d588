#include "protocol/jobs.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "log/log.h"
#include "protocol/texts.h"

namespace {

// One job talks to the unit at a time: two would interleave their bytes
// and split each other's answers.
std::mutex g_gateLock;
std::condition_variable g_gateIdle;
bool g_jobRunning = false;

void ReleaseGate() {
  std::lock_guard<std::mutex> guard(g_gateLock);
  g_jobRunning = false;
  g_gateIdle.notify_all();
}

void JobThreadProc(SJobInfo* info) {
  if (info->nDelay) std::this_thread::sleep_for(std::chrono::milliseconds(info->nDelay));
  if (info->pfnJob) info->pfnJob(info->pParam);
  delete info;
  ReleaseGate();
}

void ReportBusy(Page page) {
  LogWrite(LOG_DEBUG, "Job refused: another job is talking to the unit.");
  PostTextToPage(page, page == Page::Config ? WM_CFG_INFO : WM_IMPORT_INFO, texts::kUnitBusy);
}

}  // namespace

bool StartJob(JobFn fn, void* param, Page busyPage) {
  {
    std::lock_guard<std::mutex> guard(g_gateLock);
    if (g_jobRunning) {
      ReportBusy(busyPage);
      return false;
    }
    g_jobRunning = true;
  }

  SJobInfo* info = new (std::nothrow) SJobInfo{0, fn, param};
  if (!info) {
    ReleaseGate();
    return false;
  }
  try {
    std::thread(JobThreadProc, info).detach();
  } catch (...) {
    delete info;
    ReleaseGate();
    return false;
  }
  return true;
}

bool JobRunning() {
  std::lock_guard<std::mutex> guard(g_gateLock);
  return g_jobRunning;
}

bool RefuseWhileJobRuns(Page busyPage) {
  if (!JobRunning()) return false;
  ReportBusy(busyPage);
  return true;
}

bool WaitJobsIdle(unsigned timeoutMs) {
  std::unique_lock<std::mutex> guard(g_gateLock);
  return g_gateIdle.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [] { return !g_jobRunning; });
}
