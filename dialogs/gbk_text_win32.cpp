#include "dialogs/gbk_text.h"

#include <windows.h>

namespace {

constexpr UINT kGbkCodePage = 936;

std::wstring ToWide(UINT codePage, const char* text) {
  if (!text || !*text) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text, -1, &wide[0], n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

std::string FromWide(UINT codePage, const wchar_t* wide) {
  if (!wide || !*wide) return std::string();
  int n = WideCharToMultiByte(codePage, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide, -1, &text[0], n, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(n - 1));
  return text;
}

}  // namespace

std::wstring GbkToWide(const char* gbk) { return ToWide(kGbkCodePage, gbk); }
std::string WideToGbk(const wchar_t* wide) { return FromWide(kGbkCodePage, wide); }
std::wstring AnsiToWide(const char* ansi) { return ToWide(CP_ACP, ansi); }
std::string WideToAnsi(const wchar_t* wide) { return FromWide(CP_ACP, wide); }
