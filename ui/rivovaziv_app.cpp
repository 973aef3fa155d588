#include "ui/rivovaziv_app.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "log/log.h"
#include "protocol/jobs.h"
#include "protocol/startup_detector.h"
#include "serial/serial.h"
#include "ui/rivovaziv_dlg.h"
#include "ui/window_notify_sink.h"

CRivovaZivApp theApp;

namespace {

// How long shut-down waits for a job that is still talking to the unit.
// The port is closed by then, so its reads and writes fail at once.
constexpr unsigned kJobShutdownWaitMs = 5000;

void DetectStartupHook(char* chunk) { DetectStartup(chunk); }

}  // namespace

int CRivovaZivApp::Run() {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = 8;
  icc.dwICC = 0xFF;  // the Windows 95 classes
  InitCommonControlsEx(&icc);

  LogOpen("RivovaZiv");
  SerialSetChunkHook(DetectStartupHook);
  CWindowNotifySink sink;
  SetNotifySink(&sink);

  auto dlg = std::make_unique<CRivovaZivDlg>();
  dlg->DoModal(nullptr);

  // The main window has closed the port. Notifications from here on are
  // dropped, and a job still running must end before the pages and the
  // settings record it works on go away.
  SetNotifySink(nullptr);
  if (!WaitJobsIdle(kJobShutdownWaitMs)) {
    LogWrite(LOG_DEBUG, "A job did not end within %u ms; leaving it to the process end.", kJobShutdownWaitMs);
    dlg.release();  // never destroyed: the job may still use the record
  }
  dlg.reset();
  LogClose();
  return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return theApp.Run(); }
