// The list of serial ports the operator can choose from: every COM port
// that exists and can be opened exclusively right now.
#pragma once

#include <functional>
#include <string>
#include <vector>

// One serial port of the list. Texts are 8-bit, in the system's ANSI code page.
struct SSerInfo {
  std::string strDevPath;       // the path the presence test opens
  std::string strPortName;      // "COM3": the channel opens the port by this name
  std::string strFriendlyName;  // shown in the port box
  int bUsbDevice = 0;           // 1: reached through USB
  std::string strDescription;   // the device's description, or the friendly name without " (COMn)"
};

// Empties `ports` and fills it with the ports present now, in discovery
// order. Throws a std::string with the reason when the system's device
// database cannot be read; `ports` then holds what was found before.
// Windows only.
void ListSerialPorts(std::vector<SSerInfo>& ports);

// The steps below are the same on every system; the Windows list is built
// from them.

// Tells whether a byte starts a double-byte character of the ANSI code page.
using LeadByteTest = std::function<bool(unsigned char byte)>;
// Code page 936 (GBK): lead bytes 0x81 to 0xFE.
bool IsGbkLeadByte(unsigned char byte);

// Byte position of the first `needle` in `text`, or -1. A match never starts
// on the second byte of a double-byte character.
long FindInAnsiText(const std::string& text, const std::string& needle,
                    const LeadByteTest& isLeadByte);

// Fills the fields a discovery method left empty: the friendly name from the
// port name, the description from the friendly name without its trailing
// " (...)", the port name from the "(COMn)" that ends the friendly name.
void CompletePortNames(SSerInfo& port, const LeadByteTest& isLeadByte);

// Opens a device path exclusively and closes it again: true when that worked.
using PortPresenceTest = std::function<bool(const std::string& devPath)>;

// Drops every port that cannot be opened (the others keep their order) and
// completes the names of those that stay.
void KeepPresentPorts(std::vector<SSerInfo>& ports, const PortPresenceTest& canOpen,
                      const LeadByteTest& isLeadByte);

// "\\.\COMn" records for COM1 .. COM<highestPort>, names not yet completed.
inline constexpr int kProbeHighestPort = 16;
void ListPortsProbe(std::vector<SSerInfo>& ports, int highestPort = kProbeHighestPort);

// A record for a port known by name: "\\.\" + name as its device path.
SSerInfo PortRecordForName(const std::string& portName);

// Overwrites the first record with the same port name (exact, case-sensitive)
// or appends the record.
void AddOrReplacePort(std::vector<SSerInfo>& ports, const SSerInfo& port);
