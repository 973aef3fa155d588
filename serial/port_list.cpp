#include "serial/port_list.h"

#include <algorithm>

namespace {

// Byte positions at which the characters of `text` start. A lead byte and
// the byte after it are one character; a lead byte that ends the text is a
// character of its own.
std::vector<std::size_t> CharacterStarts(const std::string& text, const LeadByteTest& isLeadByte) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size();) {
    starts.push_back(i);
    bool doubleByte = isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
    i += doubleByte ? 2 : 1;
  }
  return starts;
}

// The port name in the "(COMn)" that ends a friendly name, or "".
// Only the last parenthesised part counts: "USB COMPOSITE PORT (COM5)" and
// "Adapter (rev B) (COM5)" both name COM5.
std::string PortNameFromFriendlyName(const std::string& friendly, const LeadByteTest& isLeadByte) {
  std::vector<std::size_t> starts = CharacterStarts(friendly, isLeadByte);
  if (starts.empty() || friendly[starts.back()] != ')') return "";
  std::size_t close = starts.back();
  auto open = std::find_if(starts.rbegin() + 1, starts.rend(),
                           [&](std::size_t i) { return friendly[i] == '(' || friendly[i] == ')'; });
  if (open == starts.rend() || friendly[*open] != '(') return "";
  std::string inner = friendly.substr(*open + 1, close - *open - 1);
  if (inner.size() <= 3 || inner.compare(0, 3, "COM") != 0) return "";
  return inner;
}

}  // namespace

bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

long FindInAnsiText(const std::string& text, const std::string& needle,
                    const LeadByteTest& isLeadByte) {
  for (std::size_t i : CharacterStarts(text, isLeadByte))
    if (text.compare(i, needle.size(), needle) == 0) return static_cast<long>(i);
  return -1;
}

void CompletePortNames(SSerInfo& port, const LeadByteTest& isLeadByte) {
  if (port.strFriendlyName.empty()) port.strFriendlyName = port.strPortName;

  if (port.strDescription.empty()) {
    port.strDescription = port.strFriendlyName;
    long open = FindInAnsiText(port.strDescription, " (", isLeadByte);
    long close = FindInAnsiText(port.strDescription, ")", isLeadByte);
    long last = static_cast<long>(port.strDescription.size()) - 1;
    if (open > 0 && close == last) port.strDescription.resize(static_cast<std::size_t>(open));
  }

  if (port.strPortName.empty())
    port.strPortName = PortNameFromFriendlyName(port.strFriendlyName, isLeadByte);
}

void KeepPresentPorts(std::vector<SSerInfo>& ports, const PortPresenceTest& canOpen,
                      const LeadByteTest& isLeadByte) {
  for (std::size_t i = 0; i < ports.size();) {
    if (!canOpen(ports[i].strDevPath)) {
      ports.erase(ports.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    CompletePortNames(ports[i], isLeadByte);
    ++i;
  }
}

void ListPortsProbe(std::vector<SSerInfo>& ports, int highestPort) {
  for (int n = 1; n <= highestPort; ++n) ports.push_back(PortRecordForName("COM" + std::to_string(n)));
}

SSerInfo PortRecordForName(const std::string& portName) {
  SSerInfo port;
  // "\\.\" reaches every COM port, also COM10 and higher.
  port.strDevPath = "\\\\.\\" + portName;
  port.strPortName = portName;
  return port;
}

void AddOrReplacePort(std::vector<SSerInfo>& ports, const SSerInfo& port) {
  auto same = std::find_if(ports.begin(), ports.end(), [&](const SSerInfo& p) {
    return p.strPortName == port.strPortName;
  });
  if (same != ports.end())
    *same = port;
  else
    ports.push_back(port);
}
