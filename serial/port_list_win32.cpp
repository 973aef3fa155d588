#include "serial/port_list_win32.h"

#include <setupapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

// {86E0D1E0-8089-11D0-9CE4-08003E301F73}: the COM-port device interface.
const GUID kComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0,
                                {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

// The detail structure's fixed part (5 bytes in the 32-bit layout) and room
// for a device path of 256 bytes: 261 in all.
constexpr DWORD kDetailSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) + 256;
constexpr DWORD kPropertySize = 256;
constexpr DWORD kRegistryNameSize = 128;   // key names and values, zero included

// Windows ends the device list well before COM256; Wine lists no device at all.
constexpr int kFallbackHighestPort = 256;

std::string WithErrorCode(const char* text, DWORD code) {
  char message[128];
  std::snprintf(message, sizeof message, "%s (err=%lx)", text, static_cast<unsigned long>(code));
  return message;
}

// Destroys the device set when the method ends, also by a throw.
struct DeviceSet {
  HDEVINFO handle;
  ~DeviceSet() { SetupDiDestroyDeviceInfoList(handle); }
};

// Closes a registry key when its scope ends, also by a throw.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  bool Open(HKEY parent, const char* name) {
    return RegOpenKeyExA(parent, name, 0, KEY_READ, &key_) == ERROR_SUCCESS;
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The name of sub-key `index`; false past the last one, on any error, and
// for a name of kRegistryNameSize characters or more.
bool EnumSubKey(HKEY key, DWORD index, char (&name)[kRegistryNameSize]) {
  DWORD length = kRegistryNameSize;
  return RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// A value as text. False when absent or longer than kRegistryNameSize bytes
// with its terminating zero. The type is not checked.
bool ReadRegistryText(HKEY key, const char* valueName, std::string* text) {
  char value[kRegistryNameSize + 1] = {};  // the extra zero ends a value stored without one
  DWORD size = kRegistryNameSize;
  if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
      ERROR_SUCCESS)
    return false;
  *text = value;
  return true;
}

// One device property as text; false when absent or longer than 255 bytes.
bool ReadDeviceProperty(HDEVINFO devices, SP_DEVINFO_DATA* device, DWORD property,
                        std::string* text) {
  char value[kPropertySize + 1] = {};
  if (!SetupDiGetDeviceRegistryPropertyA(devices, device, property, nullptr,
                                         reinterpret_cast<BYTE*>(value), kPropertySize, nullptr))
    return false;
  *text = value;
  return true;
}

}  // namespace

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

bool CanOpenPortExclusively(const std::string& devPath) {
  HANDLE port = CreateFileA(devPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  CloseHandle(port);
  return true;
}

void ListPortsSetupApi(std::vector<SSerInfo>& ports) {
  HDEVINFO handle = SetupDiGetClassDevsA(&kComPortInterface, nullptr, nullptr,
                                         DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (handle == INVALID_HANDLE_VALUE) throw WithErrorCode("SetupDiGetClassDevs failed.", GetLastError());
  DeviceSet devices{handle};

  // One buffer for every interface; a zero byte beyond the size given to
  // the system keeps the path terminated.
  std::unique_ptr<DWORD[]> buffer(new DWORD[(kDetailSize + 1 + sizeof(DWORD) - 1) / sizeof(DWORD)]());
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.get());

  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA iface = {};
    iface.cbSize = sizeof iface;
    if (!SetupDiEnumDeviceInterfaces(devices.handle, nullptr, &kComPortInterface, index, &iface)) {
      DWORD error = GetLastError();
      if (error == ERROR_NO_MORE_ITEMS) break;
      throw WithErrorCode("SetupDiEnumDeviceInterfaces failed.", error);
    }

    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!SetupDiGetDeviceInterfaceDetailA(devices.handle, &iface, detail, kDetailSize, nullptr, &device))
      throw WithErrorCode("SetupDiGetDeviceInterfaceDetail failed.", GetLastError());

    std::string friendlyName, description, location;
    bool named = ReadDeviceProperty(devices.handle, &device, SPDRP_FRIENDLYNAME, &friendlyName) &&
                 ReadDeviceProperty(devices.handle, &device, SPDRP_DEVICEDESC, &description);
    bool located = ReadDeviceProperty(devices.handle, &device, SPDRP_LOCATION_INFORMATION, &location);
    if (!named) continue;

    SSerInfo port;
    port.strDevPath = detail->DevicePath;
    port.strFriendlyName = friendlyName;
    port.bUsbDevice = located && location.compare(0, 3, "USB") == 0;
    port.strDescription = description;
    ports.push_back(port);
  }
}

void ReadRegistryPortInstances(HKEY deviceKey, int usbBus, std::vector<SSerInfo>& ports) {
  char instanceName[kRegistryNameSize];
  for (DWORD index = 0; EnumSubKey(deviceKey, index, instanceName); ++index) {
    RegistryKey instance;
    if (!instance.Open(deviceKey, instanceName))
      throw std::string("Could not read from HKLM\\Enum\\...\\") + instanceName;

    std::string portName;
    if (!ReadRegistryText(instance.get(), "PORTNAME", &portName)) continue;
    SSerInfo port = PortRecordForName(portName);
    ReadRegistryText(instance.get(), "FRIENDLYNAME", &port.strFriendlyName);
    port.bUsbDevice = usbBus;
    AddOrReplacePort(ports, port);
  }
}

void ListPortsRegistry(std::vector<SSerInfo>& ports) {
  RegistryKey enumKey;
  if (!enumKey.Open(HKEY_LOCAL_MACHINE, "Enum")) throw std::string("Could not read from HKLM\\Enum");

  char busName[kRegistryNameSize];
  for (DWORD busIndex = 0; EnumSubKey(enumKey.get(), busIndex, busName); ++busIndex) {
    RegistryKey bus;
    if (!bus.Open(enumKey.get(), busName))
      throw std::string("Could not read from HKLM\\Enum\\") + busName;
    int usbBus = std::strcmp(busName, "USBPORTS") == 0;

    char deviceName[kRegistryNameSize];
    for (DWORD deviceIndex = 0; EnumSubKey(bus.get(), deviceIndex, deviceName); ++deviceIndex) {
      bool serialPort = std::strcmp(deviceName, "*PNP0500") == 0 || std::strcmp(deviceName, "*PNP0501") == 0;
      if (!serialPort && !usbBus) continue;
      RegistryKey device;
      if (!device.Open(bus.get(), deviceName))
        throw std::string("Could not read from HKLM\\Enum\\") + busName + "\\" + deviceName;
      ReadRegistryPortInstances(device.get(), usbBus, ports);
    }
  }
}

void ListSerialPorts(std::vector<SSerInfo>& ports) {
  std::vector<SSerInfo>().swap(ports);

  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) throw WithErrorCode("Could not get OS version.", GetLastError());

  if (version.dwMajorVersion >= 5) {
    ListPortsSetupApi(ports);
    // A device list without any COM port (Wine keeps none): try the names instead.
    if (ports.empty()) ListPortsProbe(ports, kFallbackHighestPort);
  } else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    ListPortsProbe(ports);
  } else {
    ListPortsRegistry(ports);
  }

  KeepPresentPorts(ports, CanOpenPortExclusively, IsAnsiLeadByte);
}
