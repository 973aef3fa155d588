// The program's texts are GBK (code page 936) bytes. The window layer
// converts them explicitly, so they read right whatever code page the
// running Windows uses for its ANSI calls.
#pragma once

#include <string>

std::wstring GbkToWide(const char* gbk);
inline std::wstring GbkToWide(const std::string& gbk) { return GbkToWide(gbk.c_str()); }

// Characters that GBK cannot hold become '?'.
std::string WideToGbk(const wchar_t* wide);
inline std::string WideToGbk(const std::wstring& wide) { return WideToGbk(wide.c_str()); }

// The same for texts in the system's ANSI code page: names the system
// gives through its narrow calls (port names), paths for narrow file calls.
std::wstring AnsiToWide(const char* ansi);
std::string WideToAnsi(const wchar_t* wide);
