#include "sim/unit_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "sim/text_words.h"

namespace sim {

const int kUnitParameters[13] = {100, 4, 3, 5, 1, 11, 25, 27, 23, 12, 26, 13, 110};

namespace {

const char kBootText[] =
    "\r\nBootloader 2.03 (flash 512K)\r\n"
    "CRC check passed\r\n"
    "RF module ready\r\n";
const char kLoginRefused[] = "Login incorrect\r\n";
const char kSystemMode[] = "Enter system mode\r\n";
const char kInvalidCommand[] = "Invalid command\r\n";
const char kInvalidValue[] = "Invalid value\r\n";
const char kCommandFailed[] = "Command failed\r\n";
const char kRestored[] = "Restore factory default settings done\r\n";

const std::uint32_t kDefaultSplitMs = 700;
const int kDefaultGarbageBytes = 256;

// Words of the parameters whose values are codes.
const char* const kWorkModeWords[] = {"slave", "master", "auto"};
const char* const kHeadsetWords[] = {"ear plug", "headphone"};
const char* const kVoxModeWords[] = {"normal", "intelligent", "lock"};
const char* const kSetVoxModeWords[] = {"normal", "intelligent", "ptt lock"};
const char* const kPttModeWords[] = {"normal", "lock/unlock"};

template <std::size_t N>
const char* WordOf(const char* const (&words)[N], int value) {
  return value >= 0 && static_cast<std::size_t>(value) < N ? words[value] : nullptr;
}

// Largest value a coded parameter accepts; -1 for plain numbers.
int HighestCode(int number) {
  switch (number) {
    case 100: return 2;
    case 11: return 1;
    case 25: return 1;
    case 27: return 1;
    case 26: return 2;
    case 13: return 1;
    default: return -1;
  }
}



int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The version as the unit's own number: pairs of hex digits, high byte
// first, up to the first pair that is not one (that and later pairs: 0).
int VersionNumber(const std::string& version) {
  int bytes[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    if (version.size() < static_cast<std::size_t>(2 * i + 2)) break;
    int high = HexDigit(version[2 * i]);
    int low = HexDigit(version[2 * i + 1]);
    if (high < 0 || low < 0) break;
    bytes[i] = high * 16 + low;
  }
  return bytes[0] * 256 + bytes[1];
}

std::string Normalised(std::string prefix) {
  std::replace(prefix.begin(), prefix.end(), '_', ' ');
  return prefix;
}

// What a fault prefix is matched against: "get 4", "set 4", "restore",
// or the whole line for anything else.
std::string CommandKey(const std::string& line) {
  std::vector<std::string> w = SplitWords(line);
  if (w.size() >= 2 && (w[0] == "get" || w[0] == "set")) return w[0] + " " + w[1];
  std::string key;
  for (const std::string& word : w) key += (key.empty() ? "" : " ") + word;
  return key;
}

bool PrefixMatches(const std::string& prefix, const std::string& key) {
  if (prefix == "*") return key != "login";
  if (key == prefix) return true;
  return key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
         key[prefix.size()] == ' ';
}

// Re-expresses bursts given as absolute times (ms from now) as the
// relative delays of Burst.
std::vector<Burst> ToRelative(std::vector<std::pair<std::uint64_t, Burst>> timed) {
  std::stable_sort(timed.begin(), timed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Burst> out;
  std::uint64_t last = 0;
  for (auto& [at, burst] : timed) {
    burst.delayMs = static_cast<std::uint32_t>(at - last);
    last = at;
    out.push_back(std::move(burst));
  }
  return out;
}

}  // namespace

const char* FamilyName(Family family) {
  return family == Family::Marvek ? "MARVEK" : "SOLVIK";
}

bool ParseFamily(const std::string& name, Family* family) {
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "marvek") { *family = Family::Marvek; return true; }
  if (lower == "solvik") { *family = Family::Solvik; return true; }
  return false;
}

const char* ModeName(UnitMode mode) {
  switch (mode) {
    case UnitMode::Off: return "off";
    case UnitMode::Boot: return "boot";
    case UnitMode::System: return "system";
  }
  return "off";
}

UnitModel::UnitModel(Family family, std::string version)
    : family_(family), version_(std::move(version)), loginNumber_(VersionNumber(version_)) {
  RestoreDefaults();
}

std::string UnitModel::LoginLine() const {
  char number[16];
  std::snprintf(number, sizeof number, "%06d", loginNumber_);
  return std::string("   \x1b\x1b\x1b admin ") + number + "\n";
}

std::vector<Burst> UnitModel::PowerOn() {
  mode_ = UnitMode::Boot;
  line_.clear();
  Burst banner;
  banner.text = std::string(kBootText) + FamilyName(family_) + " startup version " + version_ + "\r\n";
  return {banner};
}

std::vector<Burst> UnitModel::Receive(char byte) {
  received_.push_back(byte);
  if (mode_ == UnitMode::Off) return {};
  if (byte != '\n') {
    line_.push_back(byte);
    return {};
  }
  std::string line;
  line.swap(line_);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  lines_.push_back(line);
  return OnLine(line);
}

std::vector<Burst> UnitModel::Receive(const std::string& bytes) {
  std::vector<std::pair<std::uint64_t, Burst>> timed;
  for (char byte : bytes) {
    std::uint64_t at = 0;
    for (Burst& b : Receive(byte)) {
      at += b.delayMs;
      timed.emplace_back(at, std::move(b));
    }
  }
  return ToRelative(std::move(timed));
}

void UnitModel::ClearReceived() {
  received_.clear();
  lines_.clear();
}

bool UnitModel::IsParameter(int number) {
  return std::find(std::begin(kUnitParameters), std::end(kUnitParameters), number) !=
         std::end(kUnitParameters);
}

int UnitModel::DefaultParam(int number) {
  switch (number) {
    case 100: return 1;       // master
    case 4: return 10;        // channel
    case 3: return 1;         // local ID
    case 5: return 0;         // group ID
    case 1: return 123456;    // password
    case 11: return 0;        // ear plug
    case 25: return 1;        // VOX slide switch enabled
    case 27: return 1;        // background suppress on
    case 23: return 3;        // suppress level
    case 12: return 2;        // scene level
    case 26: return 0;        // VOX mode normal
    case 13: return 0;        // PTT mode normal
    case 110: return 2;       // power level
    default: return 0;
  }
}

void UnitModel::RestoreDefaults() {
  for (int number : kUnitParameters) params_[number] = DefaultParam(number);
}

int UnitModel::Param(int number) const {
  auto it = params_.find(number);
  return it == params_.end() ? 0 : it->second;
}

void UnitModel::SetParam(int number, int value) {
  if (IsParameter(number)) params_[number] = value;
}

bool UnitModel::ParseFaultKind(const std::string& name, FaultKind* kind) {
  static const std::pair<const char*, FaultKind> kNames[] = {
      {"silent", FaultKind::Silent},   {"split", FaultKind::Split},
      {"delay", FaultKind::Delay},     {"nophrase", FaultKind::NoPhrase},
      {"garbage", FaultKind::Garbage}, {"banner", FaultKind::Banner},
      {"nul", FaultKind::Nul},         {"vanish", FaultKind::Vanish},
  };
  for (const auto& [n, k] : kNames) {
    if (name == n) {
      *kind = k;
      return true;
    }
  }
  return false;
}

void UnitModel::SetFault(FaultKind kind, const std::string& prefix, int arg) {
  std::string p = Normalised(prefix);
  for (Fault& f : faults_) {
    if (f.kind == kind && f.prefix == p) {
      f.arg = arg;
      return;
    }
  }
  faults_.push_back({kind, p, arg});
}

void UnitModel::ClearFaults() {
  faults_.clear();
  scripted_.clear();
}

void UnitModel::ScriptAnswer(const std::string& prefix, const std::string& text) {
  scripted_.emplace_back(prefix, text);
}

const UnitModel::Fault* UnitModel::FindFault(FaultKind kind, const std::string& key) const {
  for (const Fault& f : faults_) {
    if (f.kind == kind && PrefixMatches(f.prefix, key)) return &f;
  }
  return nullptr;
}

void UnitModel::ForgetOneShotFault(FaultKind kind, const std::string& key) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->kind == kind && PrefixMatches(it->prefix, key)) {
      faults_.erase(it);
      return;
    }
  }
}

std::string UnitModel::Garbage(int count) {
  // Noise never holds a letter, so it cannot complete a phrase by chance.
  std::string out;
  std::uniform_int_distribution<int> byte(1, 255);
  while (static_cast<int>(out.size()) < count) {
    int b = byte(noise_);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) continue;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

std::string UnitModel::NoPhraseAnswer() const { return kCommandFailed; }

std::vector<Burst> UnitModel::OnLine(const std::string& line) {
  if (mode_ == UnitMode::System) {
    if (SplitWords(line).empty()) return {};
    return OnCommand(line);
  }
  // Boot: only the login line counts.
  if (line.empty()) return {};
  const std::string expected = LoginLine();
  if (line + "\n" != expected) return {Burst{answerDelayMs_, kLoginRefused, false}};
  return OnCommand(line);
}

std::vector<Burst> UnitModel::OnCommand(const std::string& line) {
  const bool login = mode_ != UnitMode::System;
  const std::string key = login ? "login" : CommandKey(line);

  std::uint32_t delay = login ? loginDelayMs_ : answerDelayMs_;
  if (const Fault* f = FindFault(FaultKind::Delay, key)) delay += f->arg < 0 ? 0 : f->arg;

  if (FindFault(FaultKind::Banner, key)) {
    ForgetOneShotFault(FaultKind::Banner, key);
    std::vector<Burst> restart = PowerOn();
    restart.front().delayMs = delay;
    return restart;
  }

  std::string text;
  if (!FindFault(FaultKind::Silent, key)) {
    if (login) {
      mode_ = UnitMode::System;
      text = kSystemMode;
    } else {
      auto scripted = std::find_if(scripted_.begin(), scripted_.end(),
                                   [&](const auto& s) { return PrefixMatches(s.first, key); });
      text = scripted != scripted_.end() ? scripted->second : Answer(line);
    }
    if (FindFault(FaultKind::NoPhrase, key)) text = NoPhraseAnswer();
    if (FindFault(FaultKind::Nul, key) && !text.empty()) text.insert(text.size() / 2, 1, '\0');
    if (const Fault* f = FindFault(FaultKind::Garbage, key)) {
      text.insert(0, Garbage(f->arg < 0 ? kDefaultGarbageBytes : f->arg));
    }
  }

  std::vector<Burst> out;
  const Fault* split = FindFault(FaultKind::Split, key);
  if (split && text.size() >= 2) {
    std::size_t half = text.size() / 2;
    out.push_back({delay, text.substr(0, half), false});
    out.push_back({split->arg < 0 ? kDefaultSplitMs : static_cast<std::uint32_t>(split->arg),
                   text.substr(half), false});
  } else if (!text.empty()) {
    out.push_back({delay, text, false});
  }

  if (FindFault(FaultKind::Vanish, key)) {
    ForgetOneShotFault(FaultKind::Vanish, key);
    mode_ = UnitMode::Off;
    if (out.empty()) out.push_back({delay, "", true});
    else out.back().close = true;
  }
  return out;
}

std::string UnitModel::Answer(const std::string& line) {
  std::vector<std::string> w = SplitWords(line);
  int number = 0;
  if (w.size() == 1 && w[0] == "restore") {
    RestoreDefaults();
    return kRestored;
  }
  if (w.size() < 2 || !ParseWholeInt(w[1], &number) || !IsParameter(number)) return kInvalidCommand;
  if (number == 5 && family_ == Family::Marvek) return kInvalidCommand;
  if (w[0] == "get" && w.size() == 2) return GetAnswer(number);
  if (w[0] == "set" && w.size() == 3) {
    int value = 0;
    if (!ParseWholeInt(w[2], &value)) return kInvalidValue;
    int highest = HighestCode(number);
    if (highest >= 0 && (value < 0 || value > highest)) return kInvalidValue;
    return SetAnswer(number, value);
  }
  return kInvalidCommand;
}

std::string UnitModel::GetAnswer(int number) const {
  const int v = Param(number);
  auto word = [](const char* w) { return std::string(w ? w : "unknown"); };
  std::string n = std::to_string(v);
  std::string text;
  switch (number) {
    case 100: text = "Working mode is " + word(WordOf(kWorkModeWords, v)); break;
    case 4: text = "Current channel is " + n; break;
    case 3: text = "Local ID is " + n; break;
    case 5: text = "Group ID is " + n; break;
    case 1: text = "Communication password is " + n; break;
    case 11: text = "Head phone type: " + word(WordOf(kHeadsetWords, v)); break;
    case 25: text = std::string("VOX slide switch ") + (v ? "enabled" : "disabled"); break;
    case 27: text = std::string("Background suppress ") + (v ? "enable" : "disable"); break;
    case 23: text = "Suppress level is " + n; break;
    case 12: text = "Scene level is " + n; break;
    case 26: text = "VOX mode " + word(WordOf(kVoxModeWords, v)); break;
    case 13: text = "PTT mode " + word(WordOf(kPttModeWords, v)); break;
    case 110: text = "Transmit power level is " + n; break;
  }
  return text + "\r\n";
}

std::string UnitModel::SetAnswer(int number, int value) {
  params_[number] = value;
  std::string n = std::to_string(value);
  std::string text;
  switch (number) {
    case 100: text = std::string("Working mode set to ") + WordOf(kWorkModeWords, value); break;
    case 4: text = "Set channel to " + n; break;
    case 3: text = "Set local ID to " + n; break;
    case 5: text = "Set group ID to " + n; break;
    case 1: text = "Set password to " + n; break;
    case 11: text = std::string("Set head phone type to ") + WordOf(kHeadsetWords, value); break;
    case 25: text = std::string("VOX switch ") + (value ? "enabled" : "disabled"); break;
    case 27: text = std::string("Set background suppress ") + (value ? "on" : "off"); break;
    case 23: text = "Set suppress level to " + n; break;
    case 12: text = "Scene level is " + n; break;
    case 26: text = std::string("Set VOX mode ") + WordOf(kSetVoxModeWords, value) + "."; break;
    case 13: text = std::string("Set PTT mode ") + WordOf(kPttModeWords, value); break;
    case 110: text = "Set power level to " + n; break;
  }
  return text + "\r\n";
}

}  // namespace sim
