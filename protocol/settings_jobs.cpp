#include "protocol/settings_jobs.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "log/log.h"
#include "protocol/jobs.h"
#include "protocol/notify.h"
#include "protocol/parameter_table.h"
#include "protocol/startup_detector.h"
#include "serial/serial.h"

namespace {

constexpr std::size_t kCommandSize = 128;
constexpr std::size_t kReportSize = 128;
constexpr std::size_t kAnswerSize = 2048;
constexpr auto kWriteSettleTime = std::chrono::milliseconds(100);

const char kSerialReadFailed[] = "SerialRead failed.";

// One job's conversation with the unit. Each job has its own answer.
class UnitExchange {
 public:
  // Sends the command (formatted with `value`), logs it and takes the
  // answer. False when nothing arrived in time.
  bool Exchange(const char* commandFormat, int value) {
    char command[kCommandSize];
    std::snprintf(command, sizeof command, commandFormat, value);
    SerialWrite(command);
    LogWrite(LOG_INFOR, "%s", command);
    return SerialRead(kAnswerSize - 1, answer_) == 0;
  }

  bool Has(const char* phrase) const { return std::strstr(answer_, phrase) != nullptr; }
  const char* answer() const { return answer_; }

 private:
  char answer_[kAnswerSize] = {};
};

bool StepRuns(StepWhen when, const SDevSettings& record) {
  switch (when) {
    case StepWhen::Always: return true;
    case StepWhen::SolvikUnit: return nDevFamily.load() == DEV_FAMILY_SOLVIK;
    case StepWhen::EarPlugHeadset: return record.nHeadsetType == 0;
  }
  return false;
}

void Report(const ReportText& report, int shownValue) {
  char text[kReportSize];
  std::snprintf(text, sizeof text, report.text, shownValue);
  int logLength = static_cast<int>(std::strlen(text));
  if (report.logWithoutLineEnd && logLength >= 2 && std::strcmp(text + logLength - 2, "\r\n") == 0)
    logLength -= 2;
  LogWrite(LOG_INFOR, "%.*s", logLength, text);
  ReportInfo(text);
}

// Each step returns null when it passed, or the text the job ends with.
const char* ReadStep(const Parameter& param, SDevSettings& record, UnitExchange& unit) {
  const ReadRule& rule = param.read;
  if (!StepRuns(rule.when, record)) {
    if (rule.storesWhenSkipped) record.*param.field = rule.valueWhenSkipped;
    return nullptr;
  }
  if (!unit.Exchange(rule.command, 0)) return kSerialReadFailed;
  if (!unit.Has(rule.required)) return rule.failureText;
  if (rule.takenOnlyWhen && !unit.Has(rule.takenOnlyWhen)) return nullptr;

  if (rule.numberAfter) {
    int value = NumberAfter(unit.answer(), rule.numberAfter);
    record.*param.field = value;
    Report(rule.numberReport, value + param.shownOffset);
    return nullptr;
  }
  const WordCode* found = rule.hasOtherwise ? &rule.otherwise : nullptr;
  for (int i = 0; i < rule.wordCount; ++i) {
    if (unit.Has(rule.words[i].word)) {
      found = &rule.words[i];
      break;
    }
  }
  if (!found) return nullptr;  // the field keeps its value
  if (param.field) record.*param.field = found->code;
  Report(found->report, found->code + param.shownOffset);
  return nullptr;
}

const char* WriteStep(const WriteRule& rule, SettingsField field, int shownOffset,
                      const SDevSettings& record, UnitExchange& unit) {
  if (!StepRuns(rule.when, record)) return nullptr;
  int value = field ? record.*field : 0;
  if (!unit.Exchange(rule.command, value)) return kSerialReadFailed;

  bool required = rule.requiredCount == 0;
  for (int i = 0; i < rule.requiredCount && !required; ++i) required = unit.Has(rule.required[i]);
  if (!required) return rule.failureText;

  int shown = value + shownOffset;
  const ReportText* byValue = rule.hasOtherValue ? &rule.otherValue : nullptr;
  for (int i = 0; i < rule.forValueCount; ++i) {
    if (rule.forValue[i].value == value) {
      byValue = &rule.forValue[i].report;
      break;
    }
  }
  if (byValue) Report(*byValue, shown);
  for (int i = 0; i < rule.confirmCount; ++i)
    if (unit.Has(rule.confirms[i].phrase)) Report(rule.confirms[i].report, shown);
  return nullptr;
}

void EndWithFailure(const char* failureText, void (*postResult)(int)) {
  LogWrite(LOG_DEBUG, "%s", failureText);
  postResult(0);
}

}  // namespace

void ReadAllSettings(void* param) {
  auto& record = *static_cast<SDevSettings*>(param);
  if (!bDevSeen.load()) {
    PostCfgReadResult(0);
    return;
  }
  UnitExchange unit;
  for (const Parameter& p : kParameters) {
    if (const char* failure = ReadStep(p, record, unit)) {
      EndWithFailure(failure, PostCfgReadResult);
      return;
    }
  }
  PostCfgReadResult(1);
  PostCfgShowSettings();
}

void WriteAllSettings(void* param) {
  const auto& record = *static_cast<const SDevSettings*>(param);
  if (!bDevSeen.load()) {
    PostCfgWriteResult(0);
    return;
  }
  UnitExchange unit;
  if (const char* failure = WriteStep(kRestoreRule, nullptr, 0, record, unit)) {
    EndWithFailure(failure, PostCfgWriteResult);
    return;
  }
  for (const Parameter& p : kParameters) {
    if (const char* failure = WriteStep(p.write, p.field, p.shownOffset, record, unit)) {
      EndWithFailure(failure, PostCfgWriteResult);
      return;
    }
  }
  std::this_thread::sleep_for(kWriteSettleTime);
  PostCfgWriteResult(1);
  PostCfgShowSettings();
}

bool StartWriteJob(SDevSettings* record) { return StartJob(WriteAllSettings, record); }
