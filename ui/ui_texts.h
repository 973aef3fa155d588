// Texts of the main window and the pages (GBK in the binary).
#pragma once

namespace ui_texts {

// Main window.
inline constexpr char kTabSettings[] = "常规设置";
inline constexpr char kTabImport[] = "导入配置";

// Settings page: port panel and results.
inline constexpr char kOpenPort[] = "打开端口";
inline constexpr char kClosePort[] = "关闭端口";
inline constexpr char kOpenPortFailed[] = "打开端口失败";
inline constexpr char kReadSucceeded[] = "获取配置成功！\r\n";
inline constexpr char kReadFailed[] = "获取配置失败！\r\n";
inline constexpr char kWriteSucceeded[] = "配置成功！\r\n";
inline constexpr char kWriteFailed[] = "配置失败！\r\n";

// Settings form: the unit's role, by nWorkMode.
inline constexpr const char* kRoles[] = {"分机", "主机", "自动"};

// Value lists; entry index = value.
inline constexpr const char* kSceneLevels[] = {
    "0----相对安静场合，说话声音比较小",
    "1----适合绝大多数场所，说话声音响亮",
    "2----非常嘈杂场所，需大嗓门声音洪亮",
    "3----噪声震耳欲聋，需大声吼才能听见",
    "4----噪声震耳欲聋，需更大声吼才能听见",
};
inline constexpr const char* kNoiseLevels[] = {
    "0----不使用背景声抑制功能", "1----背景声抑制程度1%", "2----背景声抑制程度2%",
    "3----背景声抑制程度3%",     "4----背景声抑制程度4%", "5----背景声抑制程度5%",
};
inline constexpr const char* kPowerLevels[] = {"等级一", "等级二", "等级三", "等级四", "等级五"};

// Set: range checks, in the order they run.
inline constexpr char kChannelRange[] = "频道必须在2-90之间的整数。";
inline constexpr char kExtensionRange[] = "分机编号必须在1-12之间，包括1和12。";
inline constexpr char kPasswordRange[] = "通信密码必须在1-999999999之间的整数。";
inline constexpr char kGroupRange[] = "分组编号必须在0-12之间的整数。";
// Set: a radio group or value list without a selection.
inline constexpr char kSelectHeadsetType[] = "请选择耳机类型。";
inline constexpr char kSelectVoxMode[] = "请选择声控选项。";
inline constexpr char kSelectSceneLevel[] = "请选择场景声等级。";
inline constexpr char kSelectPttMode[] = "请选择PTT模式。";
inline constexpr char kSelectNoiseLevel[] = "请选择背景声抑制等级。";
inline constexpr char kSelectPowerLevel[] = "请选择功率。";

// Import page: the open-file dialog's filter, entries separated by '|'.
inline constexpr char kScriptFilter[] = "对讲机配置文件 (*.txt）|*.txt|所有文件 (*.*)|*.*||";

}  // namespace ui_texts
