// The discovery methods behind ListSerialPorts. Each appends what it finds
// to the list, leaves names it does not know empty, and throws a std::string
// when the device database cannot be read (after releasing what it held).
#pragma once

#include <windows.h>

#include <vector>

#include "serial/port_list.h"

// Windows 2000 and later: the present devices with the COM-port interface.
void ListPortsSetupApi(std::vector<SSerInfo>& ports);

// Windows 95, 98 and Me: the port instances under HKLM\Enum.
void ListPortsRegistry(std::vector<SSerInfo>& ports);

// The instances of one open HKLM\Enum\<bus>\<device> key.
void ReadRegistryPortInstances(HKEY deviceKey, int usbBus, std::vector<SSerInfo>& ports);

// Opens `devPath` for exclusive reading and writing and closes it again.
bool CanOpenPortExclusively(const std::string& devPath);

// The code page's own lead-byte test (IsDBCSLeadByte).
bool IsAnsiLeadByte(unsigned char byte);
