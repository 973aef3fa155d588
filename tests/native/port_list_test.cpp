// The port list's portable steps: name completion (double-byte aware), the
// presence pass, the duplicate rule of the registry walk, probing.
#include "serial/port_list.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

bool SingleByteCodePage(unsigned char) { return false; }

struct FindCase {
  const char* text;
  const char* needle;
  bool gbk;  // code page 936, or a single-byte code page
  long expected;
};

class FindInAnsiTextTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindInAnsiTextTest, FindsOnlyAtCharacterStarts) {
  const FindCase& c = GetParam();
  LeadByteTest isLead = c.gbk ? LeadByteTest(IsGbkLeadByte) : LeadByteTest(SingleByteCodePage);
  EXPECT_EQ(FindInAnsiText(c.text, c.needle, isLead), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindInAnsiTextTest,
    ::testing::Values(
        FindCase{"Communications Port (COM1)", " (", true, 19},
        FindCase{"Communications Port (COM1)", ")", true, 25},
        FindCase{"COM1", "COM", true, 0},
        FindCase{"Modem", "COM", true, -1},
        FindCase{"", ")", true, -1},
        FindCase{"com3", "COM", true, -1},                // case-sensitive
        // 0x81 'C' is one character: the first "COM" is the later one.
        FindCase{"X\x81" "COM1 (COM4)", "COM", true, 8},
        FindCase{"X\x81" "COM1 (COM4)", "COM", false, 2},
        // 0x81 '(' likewise: no " (" starts inside it.
        FindCase{"A\x81 (COM3)", " (", true, -1},
        FindCase{"A\x81 (COM3)", " (", false, 2},
        // Two double-byte characters, then the match.
        FindCase{"\xB4\xAE\xBF\xDA (COM3)", " (", true, 4},
        // A lead byte that ends the text stands alone.
        FindCase{"AB\x81", "\x81", true, 2}));

struct CompletionCase {
  const char* name;
  SSerInfo in;
  bool gbk;
  const char* portName;
  const char* friendlyName;
  const char* description;
};

SSerInfo Record(const char* port, const char* friendly, const char* description) {
  SSerInfo r;
  r.strPortName = port;
  r.strFriendlyName = friendly;
  r.strDescription = description;
  return r;
}

class CompletePortNamesTest : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(CompletePortNamesTest, FillsEmptyFields) {
  const CompletionCase& c = GetParam();
  SSerInfo port = c.in;
  port.strDevPath = "\\\\.\\whatever";
  port.bUsbDevice = 1;
  CompletePortNames(port, c.gbk ? LeadByteTest(IsGbkLeadByte) : LeadByteTest(SingleByteCodePage));
  EXPECT_EQ(port.strPortName, c.portName);
  EXPECT_EQ(port.strFriendlyName, c.friendlyName);
  EXPECT_EQ(port.strDescription, c.description);
  EXPECT_EQ(port.strDevPath, "\\\\.\\whatever");
  EXPECT_EQ(port.bUsbDevice, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompletePortNamesTest,
    ::testing::Values(
        // Probed: only the port name is known.
        CompletionCase{"Probed", Record("COM3", "", ""), true, "COM3", "COM3", "COM3"},
        // Registry: friendly name known, description cut from it.
        CompletionCase{"RegistryCommunicationsPort", Record("COM1", "Communications Port (COM1)", ""),
                       true, "COM1", "Communications Port (COM1)", "Communications Port"},
        // Device interface: port name from the friendly name, description kept.
        CompletionCase{"DeviceInterfaceUsbSerial", Record("", "USB Serial Port (COM7)", "USB Serial Device"),
                       true, "COM7", "USB Serial Port (COM7)", "USB Serial Device"},
        CompletionCase{"TwoDigitPort", Record("", "Prolific USB-to-Serial Comm Port (COM12)", "Prolific"),
                       true, "COM12", "Prolific USB-to-Serial Comm Port (COM12)", "Prolific"},
        // The first ")" is not the last character: the description stays whole;
        // the port name still comes from the closing "(COM5)".
        CompletionCase{"EarlierParentheses", Record("", "Adapter (rev B) (COM5)", ""), true, "COM5",
                       "Adapter (rev B) (COM5)", "Adapter (rev B) (COM5)"},
        // "COM" earlier in the name does not make the port name.
        CompletionCase{"ComInsideAWord", Record("", "USB COMPOSITE PORT (COM5)", ""), true, "COM5",
                       "USB COMPOSITE PORT (COM5)", "USB COMPOSITE PORT"},
        CompletionCase{"ComAtTheStart", Record("", "COM4 (COM4)", ""), true, "COM4", "COM4 (COM4)", "COM4"},
        CompletionCase{"OnlyParentheses", Record("", "(COM4)", ""), true, "COM4", "(COM4)", "(COM4)"},
        // No port name to be had: it stays empty, the record is kept.
        CompletionCase{"NoClosingParenthesisLast", Record("", "Serial (COM3) cable", ""), true, "",
                       "Serial (COM3) cable", "Serial (COM3) cable"},
        CompletionCase{"ComAloneWithoutParentheses", Record("", "COM3", ""), true, "", "COM3", "COM3"},
        CompletionCase{"NotAComPort", Record("", "Printer Port (LPT1)", ""), true, "", "Printer Port (LPT1)",
                       "Printer Port"},
        CompletionCase{"ComWithoutNumber", Record("", "Port (COM)", ""), true, "", "Port (COM)", "Port"},
        CompletionCase{"NestedParentheses", Record("", "Port (x (COM2))", ""), true, "", "Port (x (COM2))",
                       "Port (x (COM2))"},
        CompletionCase{"Lowercase", Record("", "Port (com2)", ""), true, "", "Port (com2)", "Port"},
        CompletionCase{"AllEmpty", Record("", "", ""), true, "", "", ""},
        // A Chinese friendly name in code page 936.
        CompletionCase{"GbkName", Record("", "串口 (COM3)", ""), true, "COM3", "串口 (COM3)", "串口"},
        // 0x81 '(' is one character: there is no "(" before COM3.
        CompletionCase{"TrailByteParenthesisGbk", Record("", "Port\x81(COM3)", ""), true, "",
                       "Port\x81(COM3)", "Port\x81(COM3)"},
        CompletionCase{"TrailByteParenthesisSingleByte", Record("", "Port\x81(COM3)", ""), false, "COM3",
                       "Port\x81(COM3)", "Port\x81(COM3)"},
        // 0x81 ' ' is one character: no " (" to cut at.
        CompletionCase{"TrailByteBlankGbk", Record("", "A\x81 (COM3)", ""), true, "COM3", "A\x81 (COM3)",
                       "A\x81 (COM3)"},
        CompletionCase{"TrailByteBlankSingleByte", Record("", "A\x81 (COM3)", ""), false, "COM3",
                       "A\x81 (COM3)", "A\x81"},
        // 0x81 ')' is one character: the name does not end in ")".
        CompletionCase{"TrailByteClosingGbk", Record("", "Port (COM3\x81)", ""), true, "",
                       "Port (COM3\x81)", "Port (COM3\x81)"},
        CompletionCase{"TrailByteClosingSingleByte", Record("", "Port (COM3\x81)", ""), false, "COM3\x81",
                       "Port (COM3\x81)", "Port"},
        // A lead byte that ends the name.
        CompletionCase{"LeadByteLast", Record("", "Port (COM3)\x81", ""), true, "", "Port (COM3)\x81",
                       "Port (COM3)\x81"}),
    [](const ::testing::TestParamInfo<CompletionCase>& info) { return std::string(info.param.name); });

TEST(KeepPresentPortsTest, DropsAbsentPortsInPlaceAndCompletesTheRest) {
  std::vector<SSerInfo> ports;
  ListPortsProbe(ports);
  ASSERT_EQ(ports.size(), 16u);
  EXPECT_EQ(ports.front().strDevPath, "\\\\.\\COM1");
  EXPECT_EQ(ports.back().strPortName, "COM16");

  // Neighbours removed one after the other, and the last record.
  const std::set<std::string> present = {"\\\\.\\COM3", "\\\\.\\COM4", "\\\\.\\COM12"};
  std::vector<std::string> tried;
  KeepPresentPorts(
      ports,
      [&](const std::string& path) {
        tried.push_back(path);
        return present.count(path) > 0;
      },
      IsGbkLeadByte);

  EXPECT_EQ(tried.size(), 16u);  // each record tried once
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].strPortName, "COM3");
  EXPECT_EQ(ports[1].strPortName, "COM4");
  EXPECT_EQ(ports[2].strPortName, "COM12");
  for (const SSerInfo& p : ports) {
    EXPECT_EQ(p.strFriendlyName, p.strPortName);
    EXPECT_EQ(p.strDescription, p.strPortName);
    EXPECT_EQ(p.bUsbDevice, 0);
  }
}

TEST(KeepPresentPortsTest, NothingPresentLeavesAnEmptyList) {
  std::vector<SSerInfo> ports;
  ListPortsProbe(ports, 256);
  ASSERT_EQ(ports.size(), 256u);
  EXPECT_EQ(ports.back().strDevPath, "\\\\.\\COM256");
  KeepPresentPorts(ports, [](const std::string&) { return false; }, IsGbkLeadByte);
  EXPECT_TRUE(ports.empty());
}

TEST(AddOrReplacePortTest, LaterDuplicateTakesTheEarlierPlace) {
  std::vector<SSerInfo> ports;
  SSerInfo first = PortRecordForName("COM1");
  first.strFriendlyName = "Old (COM1)";
  AddOrReplacePort(ports, first);
  AddOrReplacePort(ports, PortRecordForName("COM2"));
  AddOrReplacePort(ports, PortRecordForName("com2"));  // another name: compared exactly
  SSerInfo again = PortRecordForName("COM1");
  again.bUsbDevice = 1;
  AddOrReplacePort(ports, again);

  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].strPortName, "COM1");
  EXPECT_EQ(ports[0].strFriendlyName, "");  // the later record's data, whole
  EXPECT_EQ(ports[0].bUsbDevice, 1);
  EXPECT_EQ(ports[1].strPortName, "COM2");
  EXPECT_EQ(ports[2].strPortName, "com2");
  EXPECT_EQ(ports[2].strDevPath, "\\\\.\\com2");
}

}  // namespace
