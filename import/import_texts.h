// Texts that the script run shows on the import page (GBK in the binary).
#pragma once

namespace texts {
inline constexpr char kScriptCannotOpen[] = "文件无法打开\r\n";
inline constexpr char kScriptFileError[] = "文件错误，重新选择\r\n";
// %s: the write line as read, its line feed included.
inline constexpr char kScriptPairSucceeded[] = "配置成功----%s\r\n";
inline constexpr char kScriptPairFailed[] = "配置失败----%s\r\n";
}  // namespace texts
