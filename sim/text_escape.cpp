#include "sim/text_escape.h"

#include <cstdio>

namespace sim {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string EscapeText(const std::string& bytes) {
  std::string out;
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c >= 0x20 && c < 0x7f) {
          out.push_back(ch);
        } else {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02x", c);
          out += hex;
        }
    }
  }
  return out;
}

bool UnescapeText(const std::string& text, std::string* bytes) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case 'r': out.push_back('\r'); break;
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      case '\\': out.push_back('\\'); break;
      case 'x': {
        int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) return false;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        break;
      }
      default: return false;
    }
  }
  *bytes = std::move(out);
  return true;
}

}  // namespace sim
