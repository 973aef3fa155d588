// A simulated MARVEK or SOLVIK base unit: boot banner, system-mode login,
// the get/set/restore commands with their English answers, and faults that
// tests switch on per command. No clock inside: every answer is a list of
// bursts, each with the delay after which it goes out, so the same model
// runs instantly in-process and in real time on a pseudo-terminal.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace sim {

enum class Family { Marvek, Solvik };

// One piece of output. `delayMs` counts from the arrival of the byte that
// caused it (first burst) or from the previous burst (later bursts).
struct Burst {
  std::uint32_t delayMs = 0;
  std::string text;      // may hold any byte, NUL included
  bool close = false;    // the unit disappears once the text is out
};

enum class UnitMode { Off, Boot, System };

enum class FaultKind {
  Silent,    // no answer at all
  Split,     // answer in two bursts, arg ms apart (default 700)
  Delay,     // answer arg ms later than usual
  NoPhrase,  // an answer without any of the phrases the command has
  Garbage,   // arg bytes of noise (default 256) before the answer
  Banner,    // once: the unit restarts instead of answering
  Nul,       // a NUL byte in the middle of the answer
  Vanish,    // once: the unit disappears after answering
};

// Parameter numbers the unit knows, in the order of its table.
extern const int kUnitParameters[13];

class UnitModel {
 public:
  UnitModel(Family family, std::string version);

  Family family() const { return family_; }
  const std::string& version() const { return version_; }
  UnitMode mode() const { return mode_; }

  // Switches the unit on (or restarts it): the boot text and the banner.
  std::vector<Burst> PowerOn();
  // One byte from the serial line; a full line is answered.
  std::vector<Burst> Receive(char byte);
  std::vector<Burst> Receive(const std::string& bytes);

  // The login number the unit expects after "admin ": by default its
  // version read as hex digit pairs up to the first pair that is not one.
  int LoginNumber() const { return loginNumber_; }
  void SetLoginNumber(int number) { loginNumber_ = number; }
  // The whole 20-character line the unit accepts.
  std::string LoginLine() const;

  // Parameter values. Unknown numbers read as 0 and are not stored.
  static bool IsParameter(int number);
  int Param(int number) const;
  void SetParam(int number, int value);
  void RestoreDefaults();
  static int DefaultParam(int number);

  // `prefix` names commands as they are typed, up to the value: "get 4",
  // "set 4", "restore", "get" for every get, "*" for any command. A blank
  // may be written as '_'. arg < 0 takes the kind's default.
  void SetFault(FaultKind kind, const std::string& prefix, int arg = -1);
  // Faults and scripted answers alike.
  void ClearFaults();
  // From now on the unit answers `text` to the commands `prefix` names (as
  // for faults) instead of its own answer, and the command changes nothing.
  // Faults still apply to the text.
  void ScriptAnswer(const std::string& prefix, const std::string& text);
  static bool ParseFaultKind(const std::string& name, FaultKind* kind);

  void SetAnswerDelay(std::uint32_t ms) { answerDelayMs_ = ms; }
  void SetLoginDelay(std::uint32_t ms) { loginDelayMs_ = ms; }
  std::uint32_t answerDelay() const { return answerDelayMs_; }

  // Everything received, and every complete line (without its "\n").
  const std::string& Received() const { return received_; }
  const std::vector<std::string>& Lines() const { return lines_; }
  void ClearReceived();

  // The unit's standard answer to a command line in system mode, without
  // faults; also changes the parameter a set command names.
  std::string Answer(const std::string& line);

 private:
  struct Fault {
    FaultKind kind;
    std::string prefix;
    int arg;
  };

  std::vector<Burst> OnLine(const std::string& line);
  std::vector<Burst> OnCommand(const std::string& line);
  std::string GetAnswer(int number) const;
  std::string SetAnswer(int number, int value);
  std::string NoPhraseAnswer() const;
  std::string Garbage(int count);
  const Fault* FindFault(FaultKind kind, const std::string& key) const;
  void ForgetOneShotFault(FaultKind kind, const std::string& key);

  Family family_;
  std::string version_;
  int loginNumber_;
  UnitMode mode_ = UnitMode::Off;
  std::map<int, int> params_;
  std::vector<Fault> faults_;
  std::vector<std::pair<std::string, std::string>> scripted_;  // prefix, answer
  std::uint32_t answerDelayMs_ = 30;
  std::uint32_t loginDelayMs_ = 300;
  std::string line_;
  std::string received_;
  std::vector<std::string> lines_;
  std::mt19937 noise_{20240517u};
};

const char* FamilyName(Family family);        // "MARVEK" / "SOLVIK"
bool ParseFamily(const std::string& name, Family* family);  // marvek|solvik, any case
const char* ModeName(UnitMode mode);          // "off" / "boot" / "system"

}  // namespace sim
