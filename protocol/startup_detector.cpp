#include "protocol/startup_detector.h"

#include <cstdio>
#include <cstring>

#include "protocol/notify.h"
#include "protocol/texts.h"
#include "serial/serial.h"

std::atomic<int> nDevFamily{0};
std::atomic<int> bDevSeen{0};

namespace {

// Searched in this order; the index is the family.
const char* const kBanners[] = {"MARVEK startup version ", "SOLVIK startup version "};
const char kSystemMode[] = "Enter system mode";
constexpr int kVersionChars = 4;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void PostToBoth(const char* text) {
  ReportInfo(text);
  PostImportInfo(text);
}

}  // namespace

int HexToBytes(const char* text, unsigned char* out) {
  for (int pair = 0; pair < 4; ++pair) {
    int hi = HexDigit(text[2 * pair]);
    if (hi < 0) return -1;
    int lo = HexDigit(text[2 * pair + 1]);
    if (lo < 0) return -1;
    out[pair] = static_cast<unsigned char>(hi * 16 + lo);
  }
  return 0;
}

int DetectStartup(char* chunk) {
  for (int family = 0; family < 2; ++family) {
    char* phrase = std::strstr(chunk, kBanners[family]);
    if (!phrase) continue;

    nDevFamily = family;
    bDevSeen = 1;

    // Keep the phrase and its four version characters; drop the rest.
    char* version = phrase + std::strlen(kBanners[family]);
    if (std::strlen(version) > static_cast<std::size_t>(kVersionChars)) version[kVersionChars] = '\0';

    unsigned char bytes[4] = {0, 0, 0, 0};
    HexToBytes(version, bytes);
    unsigned value = bytes[0] * 256u + bytes[1];

    char login[32];
    std::snprintf(login, sizeof login, "   %c%c%c admin %06u\n", 27, 27, 27, value);
    SerialWrite(login);

    char report[128];
    std::snprintf(report, sizeof report, texts::kDetected, (value >> 12) & 0xF, value & 0xFFF);
    PostToBoth(report);
    break;
  }

  if (std::strstr(chunk, kSystemMode)) {
    PostToBoth(texts::kConnected);
    PostToPage(Page::Config, WM_CFG_START_READ);
  }
  return 0;
}
