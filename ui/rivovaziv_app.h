// The application: opens the log, runs the main window, shuts down.
#pragma once

class CRivovaZivApp {
 public:
  // Start-up to shut-down; returns the process's exit code.
  int Run();
};

extern CRivovaZivApp theApp;
