// The unit's thirteen parameters as data: the commands, the phrases each
// answer must hold, how a value is taken from an answer and what is
// reported. The read and write jobs only walk this table.
#pragma once

#include <cstdint>

#include "protocol/settings.h"

using SettingsField = std::int32_t SDevSettings::*;

// Which steps run: some parameters exist only on SOLVIK units, and the
// voice-activation switch is written only for an ear-hook earbud.
enum class StepWhen { Always, SolvikUnit, EarPlugHeadset };

// One report: logged at level 1, then posted to the information box.
// The text is a printf format with at most one %d, the value shown.
struct ReportText {
  const char* text = nullptr;
  bool logWithoutLineEnd = false;  // the log line leaves out the closing "\r\n"
};

constexpr ReportText Line(const char* text) { return {text, false}; }
constexpr ReportText LineLoggedBare(const char* text) { return {text, true}; }

// A word of an answer and the code it stands for.
struct WordCode {
  const char* word = nullptr;
  std::int32_t code = 0;
  ReportText report;
};

enum { kMaxWords = 3, kMaxRequired = 3, kMaxConfirms = 2, kMaxValueReports = 3 };

struct ReadRule {
  const char* command = nullptr;
  const char* required = nullptr;     // the answer must hold it...
  const char* failureText = nullptr;  // ...or the job ends with this
  StepWhen when = StepWhen::Always;
  bool storesWhenSkipped = false;
  std::int32_t valueWhenSkipped = 0;
  const char* takenOnlyWhen = nullptr;  // no value and no report without it
  // Number rule: the value is the number right after this phrase.
  const char* numberAfter = nullptr;
  ReportText numberReport;
  // Word rule: tried in order, the first word found decides; when none is
  // found, `otherwise` decides if it is set, else the field keeps its value.
  WordCode words[kMaxWords] = {};
  int wordCount = 0;
  bool hasOtherwise = false;
  WordCode otherwise;

  constexpr ReadRule Only(StepWhen w) const { ReadRule r = *this; r.when = w; return r; }
  constexpr ReadRule StoresWhenSkipped(std::int32_t value) const {
    ReadRule r = *this;
    r.storesWhenSkipped = true;
    r.valueWhenSkipped = value;
    return r;
  }
  constexpr ReadRule TakenOnlyWhen(const char* phrase) const {
    ReadRule r = *this;
    r.takenOnlyWhen = phrase;
    return r;
  }
  constexpr ReadRule Number(const char* after, ReportText report) const {
    ReadRule r = *this;
    r.numberAfter = after;
    r.numberReport = report;
    return r;
  }
  constexpr ReadRule Word(const char* word, std::int32_t code, ReportText report) const {
    ReadRule r = *this;
    r.words[r.wordCount++] = {word, code, report};
    return r;
  }
  constexpr ReadRule Otherwise(std::int32_t code, ReportText report) const {
    ReadRule r = *this;
    r.hasOtherwise = true;
    r.otherwise = {nullptr, code, report};
    return r;
  }
};

constexpr ReadRule Get(const char* command, const char* required, const char* failureText) {
  ReadRule r;
  r.command = command;
  r.required = required;
  r.failureText = failureText;
  return r;
}

struct PhraseReport {
  const char* phrase = nullptr;
  ReportText report;
};

struct ValueReport {
  std::int32_t value = 0;
  ReportText report;
};

struct WriteRule {
  const char* command = nullptr;  // %d: the field's value
  const char* failureText = nullptr;
  const char* required[kMaxRequired] = {};  // any one of them; none: no check
  int requiredCount = 0;
  StepWhen when = StepWhen::Always;
  // Reported when its phrase is in the answer; each is tested on its own.
  PhraseReport confirms[kMaxConfirms] = {};
  int confirmCount = 0;
  // Reported whatever the answer, chosen by the field's value.
  ValueReport forValue[kMaxValueReports] = {};
  int forValueCount = 0;
  bool hasOtherValue = false;
  ReportText otherValue;

  constexpr WriteRule Only(StepWhen w) const { WriteRule r = *this; r.when = w; return r; }
  constexpr WriteRule Requires(const char* phrase) const {
    WriteRule r = *this;
    r.required[r.requiredCount++] = phrase;
    return r;
  }
  constexpr WriteRule Confirms(const char* phrase, ReportText report) const {
    WriteRule r = *this;
    r.confirms[r.confirmCount++] = {phrase, report};
    return r;
  }
  constexpr WriteRule ForValue(std::int32_t value, ReportText report) const {
    WriteRule r = *this;
    r.forValue[r.forValueCount++] = {value, report};
    return r;
  }
  constexpr WriteRule ForOtherValues(ReportText report) const {
    WriteRule r = *this;
    r.hasOtherValue = true;
    r.otherValue = report;
    return r;
  }
};

constexpr WriteRule Set(const char* command, const char* failureText) {
  WriteRule r;
  r.command = command;
  r.failureText = failureText;
  return r;
}

struct Parameter {
  int number;            // the unit's parameter number
  SettingsField field;   // null: the parameter has no field
  std::int32_t shownOffset;  // reports show the value plus this
  ReadRule read;
  WriteRule write;
};

enum { kParameterCount = 13 };

// In the order both jobs handle them.
extern const Parameter kParameters[kParameterCount];
// Sent first by the write job: back to the factory defaults.
extern const WriteRule kRestoreRule;

// The number written right after the first `phrase` in `answer`, converted
// as a decimal text (leading white space, optional sign, digits). 0 when
// the phrase is absent or no digit follows; beyond the int range, the
// nearest int.
int NumberAfter(const char* answer, const char* phrase);
