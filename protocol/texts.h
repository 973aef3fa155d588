// Texts that the device protocol shows to the operator (GBK in the binary).
#pragma once

namespace texts {
// Start-up detection.
inline constexpr char kDetected[] = "检测到设备开机，版本%x.%03x，尝试连接...\r\n";
inline constexpr char kConnected[] = "连接成功！\r\n";
// A job asked for while another one talks to the unit.
inline constexpr char kUnitBusy[] = "设备忙，请稍后再试\r\n";
}  // namespace texts
