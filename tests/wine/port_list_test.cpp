// ListSerialPorts under Wine, one discovery method per Windows version:
// list_ports.exe is made to see Windows 7, NT 4 or 98 and prints its list.
// The COM ports are simulated units on pseudo-terminals (with-sim.sh); the
// device interfaces and the HKLM\Enum tree are written here, and the links
// that let Wine open the interfaces' paths are made by
// with-dosdevice-links.sh (see CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/sim_control.h"

namespace {

// The units of this test (COM ports of the run's prefix it owns).
constexpr int kFreePort = 15;
constexpr int kLockedPort = 16;   // exists, but cannot be opened: held by another program
constexpr int kHighPorts[] = {150, 151, 152, 153};

const char kComPortInterface[] = "{86E0D1E0-8089-11D0-9CE4-08003E301F73}";
const char kPortsClass[] = "{4D36E978-E325-11CE-BFC1-08002BE10318}";
const char kDeviceClassesKey[] = "System\\CurrentControlSet\\Control\\DeviceClasses";
const char kDeviceEnumKey[] = "System\\CurrentControlSet\\Enum";
const char kTestBus[] = "RVZTEST";  // instances RVZTEST\PORTS\000n; see CMakeLists.txt

struct ListedPort {
  std::string path, name, friendly;
  int usb;
  std::string description;
  bool operator==(const ListedPort& o) const {
    return path == o.path && name == o.name && friendly == o.friendly && usb == o.usb &&
           description == o.description;
  }
};

void PrintTo(const ListedPort& p, std::ostream* out) {
  *out << "{" << p.path << " | " << p.name << " | " << p.friendly << " | " << p.usb << " | "
       << p.description << "}";
}

// A port as the probing method lists it: every name is the port name.
ListedPort Probed(int number) {
  std::string name = "COM" + std::to_string(number);
  return {"\\\\.\\" + name, name, name, 0, name};
}

struct Listing {
  unsigned long major = 0, platform = 0;
  std::vector<ListedPort> ports;
  std::string error;
  std::string output;  // for failure messages

  bool Has(const std::string& name) const {
    return std::any_of(ports.begin(), ports.end(), [&](const ListedPort& p) { return p.name == name; });
  }
};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  return fields;
}

std::string ProgramDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of('\\'));
}

// Runs list_ports.exe beside this program and reads its lines.
Listing RunListPorts() {
  Listing listing;
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
    ADD_FAILURE() << "CreatePipe " << GetLastError();
    return listing;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + ProgramDir() + "\\list_ports.exe\"";
  BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    ADD_FAILURE() << "CreateProcess " << GetLastError();
    CloseHandle(readEnd);
    return listing;
  }
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
    listing.output.append(buffer, got);
  CloseHandle(readEnd);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  std::stringstream lines(listing.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 8, "version ") == 0) {
      std::stringstream(line.substr(8)) >> listing.major >> listing.platform;
    } else if (line.compare(0, 5, "port ") == 0) {
      std::vector<std::string> f = SplitTabs(line.substr(5));
      f.resize(5);
      listing.ports.push_back({f[0], f[1], f[2], std::atoi(f[3].c_str()), f[4]});
    } else if (line.compare(0, 6, "error ") == 0) {
      listing.error = line.substr(6);
    }
  }
  return listing;
}

void SetText(HKEY root, const std::string& path, const char* name, const std::string& value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS) << path;
  if (name)
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

void SetNumber(HKEY root, const std::string& path, const char* name, DWORD value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS) << path;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

// The Windows version that list_ports.exe sees, for that program alone:
// the rest of the prefix, and the tests running beside this one, keep theirs.
class ReportedVersion {
 public:
  explicit ReportedVersion(const char* version) { SetText(HKEY_CURRENT_USER, kKey, "Version", version); }
  ~ReportedVersion() { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

 private:
  static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\list_ports.exe";
};

// The units on the pseudo-terminals of the daemon that with-sim.sh started,
// for the whole run of this program.
class SimUnits : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(control_.ConnectFromEnv()) << "run through ctest (with-sim.sh)";
    ASSERT_TRUE(control_.CreateUnit(kFreePort, "solvik", "1234"));
    ASSERT_TRUE(control_.CreateUnit(kLockedPort, "solvik", "1234"));
    ASSERT_TRUE(control_.Lock(kLockedPort, true));
    for (int port : kHighPorts) ASSERT_TRUE(control_.CreateUnit(port, "marvek", "1234"));
  }
  void TearDown() override {
    control_.Close(kFreePort);
    control_.Close(kLockedPort);
    for (int port : kHighPorts) control_.Close(port);
    control_.Disconnect();
  }

 private:
  SimControl control_;
};

const ::testing::Environment* const kSimUnits = ::testing::AddGlobalTestEnvironment(new SimUnits);

// Names COMn with n rising, each once.
void ExpectAscendingComNames(const Listing& listing, int highest) {
  int previous = 0;
  for (const ListedPort& p : listing.ports) {
    ASSERT_EQ(p.name.compare(0, 3, "COM"), 0) << p.name;
    int number = std::atoi(p.name.c_str() + 3);
    EXPECT_GT(number, previous) << p.name;
    EXPECT_LE(number, highest) << p.name;
    EXPECT_EQ(p, Probed(number));
    previous = number;
  }
}

// Windows 7 whose device list holds no COM port (Wine's), and Windows NT 4.
struct ProbeCase {
  const char* version;
  unsigned long major;
  int highestPort;
  std::vector<std::string> listed, notListed;
};

void PrintTo(const ProbeCase& c, std::ostream* out) { *out << c.version; }

class ProbingTest : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(ProbingTest, ListsTheComPortsThatOpen) {
  const ProbeCase& c = GetParam();
  ReportedVersion version(c.version);
  Listing listing = RunListPorts();
  EXPECT_EQ(listing.major, c.major);
  EXPECT_EQ(listing.platform, static_cast<unsigned long>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(listing.error, "");
  ExpectAscendingComNames(listing, c.highestPort);
  for (const std::string& name : c.listed) EXPECT_TRUE(listing.Has(name)) << name << "\n" << listing.output;
  for (const std::string& name : c.notListed) EXPECT_FALSE(listing.Has(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ProbingTest,
    ::testing::Values(
        // A port held elsewhere (COM16) is never listed.
        ProbeCase{"win7", 6, 256, {"COM15", "COM150", "COM151", "COM152", "COM153"}, {"COM16"}},
        ProbeCase{"nt40", 4, 16, {"COM15"}, {"COM16", "COM150"}}),
    [](const ::testing::TestParamInfo<ProbeCase>& info) { return std::string(info.param.version); });

// One COM-port device interface, and the device behind it.
struct DeviceInterface {
  const char* number;  // the instance RVZTEST\PORTS\<number>
  bool present;
  const char* friendlyName;  // null: no such property
  std::string description;   // empty: no such property
  const char* location;
};

std::string InstanceId(const char* number) { return std::string(kTestBus) + "\\PORTS\\" + number; }

std::string InterfaceKey(const char* number) {
  std::string reference = InstanceId(number);
  std::replace(reference.begin(), reference.end(), '\\', '#');
  return std::string(kDeviceClassesKey) + "\\" + kComPortInterface + "\\##?#" + reference + "#" +
         kComPortInterface;
}

// The path the system gives the interface: its key name, lowercase.
std::string InterfacePath(const char* number) {
  std::string name = InstanceId(number) + "#" + kComPortInterface;
  std::replace(name.begin(), name.end(), '\\', '#');
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return "\\\\?\\" + name;
}

// Device interfaces as the system's device database keeps them, removed
// again when the test ends. The paths are opened through the links that
// with-dosdevice-links.sh made: 0002 leads to the locked COM16, the others
// to COM15.
class DeviceInterfaces {
 public:
  explicit DeviceInterfaces(const std::vector<DeviceInterface>& interfaces) : interfaces_(interfaces) {
    for (const DeviceInterface& d : interfaces_) {
      SetText(HKEY_LOCAL_MACHINE, InterfaceKey(d.number), "DeviceInstance", InstanceId(d.number));
      SetNumber(HKEY_LOCAL_MACHINE, InterfaceKey(d.number) + "\\#\\Control", "Linked", d.present ? 1 : 0);
      std::string device = std::string(kDeviceEnumKey) + "\\" + InstanceId(d.number);
      SetText(HKEY_LOCAL_MACHINE, device, "ClassGUID", kPortsClass);
      if (d.friendlyName) SetText(HKEY_LOCAL_MACHINE, device, "FriendlyName", d.friendlyName);
      if (!d.description.empty()) SetText(HKEY_LOCAL_MACHINE, device, "DeviceDesc", d.description);
      if (d.location) SetText(HKEY_LOCAL_MACHINE, device, "LocationInformation", d.location);
    }
  }
  ~DeviceInterfaces() {
    for (const DeviceInterface& d : interfaces_) RegDeleteTreeA(HKEY_LOCAL_MACHINE, InterfaceKey(d.number).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kDeviceEnumKey) + "\\" + kTestBus).c_str());
    // The class key goes only when nothing else lives in it.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kDeviceClassesKey) + "\\" + kComPortInterface).c_str());
  }

 private:
  std::vector<DeviceInterface> interfaces_;
};

TEST(PortListTest, Windows7ListsTheComPortDeviceInterfaces) {
  ReportedVersion version("win7");
  DeviceInterfaces interfaces({
      {"0001", true, "USB Serial Port (COM15)", "USB Serial Device", "USB2.0 port 3"},
      {"0002", true, "Communications Port (COM16)", "Communications Port", "PCI bus 0"},  // held
      {"0003", true, nullptr, "No Friendly Name", "USB"},                                   // skipped
      {"0004", true, "No Description (COM15)", "", "USB"},                                  // skipped
      {"0005", true, "USB COMPOSITE PORT (COM15)", "Composite Device", "usb hub"},
      {"0006", false, "Unplugged (COM15)", "Unplugged", "USB"},                             // not present
      {"0007", true, "Too Long (COM15)", std::string(300, 'D'), "USB"},                     // skipped
      {"0008", true, "Serial Adapter", "Serial Adapter", nullptr},
  });
  Listing listing = RunListPorts();
  EXPECT_EQ(listing.major, 6u);
  EXPECT_EQ(listing.error, "");
  // Only the device list: no probing while it holds ports.
  std::vector<ListedPort> expected = {
      {InterfacePath("0001"), "COM15", "USB Serial Port (COM15)", 1, "USB Serial Device"},
      {InterfacePath("0005"), "COM15", "USB COMPOSITE PORT (COM15)", 0, "Composite Device"},
      {InterfacePath("0008"), "", "Serial Adapter", 0, "Serial Adapter"},
  };
  EXPECT_EQ(listing.ports, expected) << listing.output;
}

// Keys under HKLM\Enum as Windows 98 keeps them, removed when the test ends.
class EnumTree {
 public:
  EnumTree() = default;
  ~EnumTree() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum"); }
  void Instance(const std::string& path, const char* portName, const std::string& friendlyName) {
    SetText(HKEY_LOCAL_MACHINE, "Enum\\" + path, nullptr, "");
    if (portName) SetText(HKEY_LOCAL_MACHINE, "Enum\\" + path, "PORTNAME", portName);
    if (!friendlyName.empty()) SetText(HKEY_LOCAL_MACHINE, "Enum\\" + path, "FRIENDLYNAME", friendlyName);
  }
};

TEST(PortListTest, Windows98ReadsThePortsUnderHklmEnum) {
  ReportedVersion version("win98");
  EnumTree tree;
  tree.Instance("ACPI\\*PNP0500\\0000", "COM15", "Old Name (COM15)");
  tree.Instance("ACPI\\*PNP0501\\0000", "COM150", std::string(128, 'F'));  // 129 bytes: absent
  tree.Instance("ACPI\\*PNP0501\\0001", "COM15", "");   // the same port again: replaces the first
  tree.Instance("ACPI\\*PNP0501\\0002", nullptr, "No Port Name (COM151)");
  tree.Instance("ACPI\\PNP0C0F\\0000", "COM151", "");   // not a serial port device
  tree.Instance("BIOS\\*pnp0501\\0000", "COM151", "");  // names compare case-sensitively
  // A 128-character device name ends the walk of its bus.
  tree.Instance("ISAPNP\\*PNP0500" + std::string(120, 'A') + "\\0000", "COM152", "");
  tree.Instance("ISAPNP\\*PNP0501\\0000", "COM152", "");
  // Under USBPORTS every device counts.
  tree.Instance("USBPORTS\\VID_067B&PID_2303\\0000", "COM153", "USB-to-Serial Comm Port (COM153)");
  tree.Instance("USBPORTS\\VID_067B&PID_2303\\0001", "COM16", "Held (COM16)");
  tree.Instance("USBPORTS\\VID_0403&PID_6001\\0000", "COM154", "No Unit (COM154)");

  Listing listing = RunListPorts();
  EXPECT_EQ(listing.major, 4u);
  EXPECT_EQ(listing.platform, static_cast<unsigned long>(VER_PLATFORM_WIN32_WINDOWS));
  EXPECT_EQ(listing.error, "");
  std::vector<ListedPort> expected = {
      Probed(15),
      Probed(150),
      {"\\\\.\\COM153", "COM153", "USB-to-Serial Comm Port (COM153)", 1, "USB-to-Serial Comm Port"},
  };
  EXPECT_EQ(listing.ports, expected) << listing.output;
}

TEST(PortListTest, Windows98WithoutHklmEnumReportsIt) {
  ReportedVersion version("win98");
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum");
  Listing listing = RunListPorts();
  EXPECT_EQ(listing.error, "Could not read from HKLM\\Enum");
  EXPECT_TRUE(listing.ports.empty()) << listing.output;
}

}  // namespace
