// Texts that the read and write jobs show to the operator (GBK in the
// binary). A report whose log line goes without the line end says so in
// the parameter table.
#pragma once

namespace texts {

// Reading.
inline constexpr char kReadWorkModeSlave[] = "主机类型----分机.\r\n";
inline constexpr char kReadWorkModeMaster[] = "主机类型----主机.\r\n";
inline constexpr char kReadWorkModeAuto[] = "主机类型----自动.\r\n";
inline constexpr char kReadChannel[] = "频道是----%d\r\n";
inline constexpr char kReadLocalId[] = "分机号是----%d\r\n";
inline constexpr char kReadGroupId[] = "组号是----%d\r\n";
inline constexpr char kReadPassword[] = "通信密码----%d\r\n";
inline constexpr char kReadHeadsetEarPlug[] = "耳机类型----耳挂式耳塞\r\n";
inline constexpr char kReadHeadsetHeadphone[] = "耳机类型----头戴式耳机\r\n";
inline constexpr char kReadVoxSwitchEnabled[] = "VOX拨动开关----使能\r\n";
inline constexpr char kReadVoxSwitchDisabled[] = "VOX拨动开关----禁用\r\n";
inline constexpr char kNoiseSuppressOn[] = "背景声抑制打开.\r\n";
inline constexpr char kNoiseSuppressOff[] = "背景声抑制关闭.\r\n";
inline constexpr char kSuppressLevel[] = "背景声抑制等级----%d.\r\n";
inline constexpr char kSceneLevel[] = "场景声等级----%d.\r\n";
inline constexpr char kReadVoxModeNormal[] = "VOX触发模式----声控.\r\n";
inline constexpr char kReadVoxModeIntelligent[] = "VOX触发模式----智能声控.\r\n";
inline constexpr char kReadVoxModeLock[] = "VOX触发模式----持续通话.\r\n";
inline constexpr char kReadPttNormal[] = "PTT按键使用模式----按下说话\r\n";
inline constexpr char kReadPttLockUnlock[] = "PTT按键使用模式----按下锁定持续通话\r\n";
inline constexpr char kReadPowerLevel[] = "发射功率等级----%d.\r\n";

// Writing.
inline constexpr char kRestored[] = "重置成功\r\n";
inline constexpr char kWriteWorkModeSlave[] = "主机类型----分机\r\n";
inline constexpr char kWriteWorkModeMaster[] = "主机类型----主机\r\n";
inline constexpr char kWriteWorkModeFree[] = "主机类型----自由\r\n";
inline constexpr char kWriteChannel[] = "设置频道----%d\r\n";
inline constexpr char kWriteLocalId[] = "设置分机号----%d\r\n";
inline constexpr char kWriteGroupId[] = "设置组号----%d\r\n";
inline constexpr char kWritePassword[] = "设置通信密码----%d\r\n";
inline constexpr char kWriteHeadsetEarPlug[] = "设置耳机类型----耳挂式耳塞.\r\n";
inline constexpr char kWriteHeadsetHeadphone[] = "设置耳机类型----头戴式耳机.\r\n";
inline constexpr char kWriteVoxSwitchEnabled[] = "VOX拨动开关模式----使能.\r\n";
inline constexpr char kWriteVoxModeNormal[] = "设置VOX触发----声控.\r\n";
inline constexpr char kWriteVoxModeLock[] = "设置VOX触发----持续通话.\r\n";
inline constexpr char kWritePttNormal[] = "设置PPT按键使用模式----按下说话.\r\n";
inline constexpr char kWritePttLockUnlock[] = "设置PPT按键使用模式----按下锁定持续通话.\r\n";
inline constexpr char kWritePowerLevel[] = "设置发射功率等级----%d.\r\n";

}  // namespace texts
