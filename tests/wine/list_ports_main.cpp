// list_ports.exe: prints what ListSerialPorts finds, for the port list's
// Wine test. The test sets the Windows version this program sees (per
// program, under HKCU\Software\Wine\AppDefaults\list_ports.exe) and reads
// the lines:
//   version <major> <platform id>
//   port <path> TAB <port name> TAB <friendly name> TAB <usb> TAB <description>
//   error <message>      (after the ports found before the failure)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "serial/port_list.h"

int main() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  std::printf("version %lu %lu\n", version.dwMajorVersion, version.dwPlatformId);

  std::vector<SSerInfo> ports;
  std::string error;
  try {
    ListSerialPorts(ports);
  } catch (const std::string& message) {
    error = message;
  }
  for (const SSerInfo& p : ports)
    std::printf("port %s\t%s\t%s\t%d\t%s\n", p.strDevPath.c_str(), p.strPortName.c_str(),
                p.strFriendlyName.c_str(), p.bUsbDevice, p.strDescription.c_str());
  if (!error.empty()) std::printf("error %s\n", error.c_str());
  return 0;
}
