// What a full read and a full write look like: the unit's values, the
// record, and per command the report's log text and information text.
// Shared by the native tests on the fake channel and the Wine tests on a
// real pseudo-terminal.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "protocol/settings.h"

namespace transcripts {

struct Step {
  const char* command;
  const char* logText;   // null: no report
  const char* infoText;  // null: the log text
};

struct LogLine {
  int level;  // 0 DEBUG, 1 INFOR
  std::string text;
  bool operator==(const LogLine& o) const { return level == o.level && text == o.text; }
};

// The unit's parameter numbers with the record field each one fills, in
// the order of the jobs; null field: the voice-activation switch.
struct ParamField {
  int param;
  std::int32_t SDevSettings::*field;
};
inline const ParamField kParamFields[] = {
    {100, &SDevSettings::nWorkMode},    {4, &SDevSettings::nChannel},
    {3, &SDevSettings::nLocalId},       {5, &SDevSettings::nGroupId},
    {1, &SDevSettings::nPassword},      {11, &SDevSettings::nHeadsetType},
    {25, nullptr},                      {27, &SDevSettings::bNoiseSuppress},
    {23, &SDevSettings::nSuppressLevel}, {12, &SDevSettings::nSceneLevel},
    {26, &SDevSettings::nVoxMode},      {13, &SDevSettings::nPttMode},
    {110, &SDevSettings::nPowerLevel},
};

using UnitValues = std::vector<std::pair<int, int>>;  // parameter, value

inline const UnitValues kSolvikUnit = {{100, 1}, {4, 37}, {3, 7},  {5, 9},  {1, 123456}, {11, 1}, {25, 1},
                                       {27, 1},  {23, 3}, {12, 2}, {26, 1}, {13, 1},     {110, 3}};
inline const std::vector<Step> kSolvikRead = {
    {"get 100\n", "主机类型----主机.", "主机类型----主机.\r\n"},
    {"get 4\n", "频道是----37\r\n", nullptr},
    {"get 3\n", "分机号是----7\r\n", nullptr},
    {"get 5\n", "组号是----9\r\n", nullptr},
    {"get 1\n", "通信密码----123456\r\n", nullptr},
    {"get 11\n", "耳机类型----头戴式耳机", "耳机类型----头戴式耳机\r\n"},
    {"get 25\n", "VOX拨动开关----使能\r\n", nullptr},
    {"get 27\n", "背景声抑制打开.\r\n", nullptr},
    {"get 23\n", "背景声抑制等级----3.\r\n", nullptr},
    {"get 12\n", "场景声等级----2.\r\n", nullptr},
    {"get 26\n", "VOX触发模式----智能声控.", "VOX触发模式----智能声控.\r\n"},
    {"get 13\n", "PTT按键使用模式----按下锁定持续通话\r\n", nullptr},
    {"get 110\n", "发射功率等级----4.\r\n", nullptr},
};

// No group parameter: the read asks twelve questions.
inline const UnitValues kMarvekUnit = {{100, 0}, {4, 90}, {3, 12}, {1, 1},  {11, 0}, {25, 0},
                                       {27, 0},  {23, 0}, {12, 0}, {26, 2}, {13, 0}, {110, 0}};
inline const std::vector<Step> kMarvekRead = {
    {"get 100\n", "主机类型----分机.", "主机类型----分机.\r\n"},
    {"get 4\n", "频道是----90\r\n", nullptr},
    {"get 3\n", "分机号是----12\r\n", nullptr},
    {"get 1\n", "通信密码----1\r\n", nullptr},
    {"get 11\n", "耳机类型----耳挂式耳塞", "耳机类型----耳挂式耳塞\r\n"},
    {"get 25\n", "VOX拨动开关----禁用\r\n", nullptr},
    {"get 27\n", "背景声抑制关闭.\r\n", nullptr},
    {"get 23\n", "背景声抑制等级----0.\r\n", nullptr},
    {"get 12\n", "场景声等级----0.\r\n", nullptr},
    {"get 26\n", "VOX触发模式----持续通话.", "VOX触发模式----持续通话.\r\n"},
    {"get 13\n", "PTT按键使用模式----按下说话\r\n", nullptr},
    {"get 110\n", "发射功率等级----1.\r\n", nullptr},
};

inline SDevSettings EarPlugRecord() {
  SDevSettings r;
  r.nWorkMode = 2;
  r.nHeadsetType = 0;
  r.nVoxMode = 2;
  r.nPttMode = 0;
  r.nChannel = 55;
  r.nSceneLevel = 4;
  r.nLocalId = 12;
  r.nGroupId = 3;
  r.bNoiseSuppress = 1;
  r.nSuppressLevel = 5;
  r.nPassword = 999999999;
  r.nPowerLevel = 4;
  return r;
}

// EarPlugRecord written to a SOLVIK unit: restore and thirteen set commands.
inline const std::vector<Step> kSolvikEarPlugWrite = {
    {"restore\n", "重置成功\r\n", nullptr},
    {"set 100 2\n", "主机类型----自由\r\n", nullptr},
    {"set 4 55\n", "设置频道----55\r\n", nullptr},
    {"set 3 12\n", "设置分机号----12\r\n", nullptr},
    {"set 5 3\n", "设置组号----3\r\n", nullptr},
    {"set 1 999999999\n", "设置通信密码----999999999\r\n", nullptr},
    {"set 11 0\n", "设置耳机类型----耳挂式耳塞.", "设置耳机类型----耳挂式耳塞.\r\n"},
    {"set 25 1\n", "VOX拨动开关模式----使能.\r\n", nullptr},
    {"set 27 1\n", "背景声抑制打开.\r\n", nullptr},
    {"set 23 5\n", "背景声抑制等级----5.\r\n", nullptr},
    {"set 12 4\n", "场景声等级----4.\r\n", nullptr},
    {"set 26 2\n", "设置VOX触发----持续通话.", "设置VOX触发----持续通话.\r\n"},
    {"set 13 0\n", "设置PPT按键使用模式----按下说话.\r\n", nullptr},
    {"set 110 4\n", "设置发射功率等级----5.\r\n", nullptr},
};

inline SDevSettings HeadphoneRecord() {
  SDevSettings r = EarPlugRecord();
  r.nHeadsetType = 1;
  r.nWorkMode = 0;
  r.nVoxMode = 0;
  r.nPttMode = 1;
  r.bNoiseSuppress = 0;
  return r;
}

// HeadphoneRecord written to a MARVEK unit: no group, no switch.
inline const std::vector<Step> kMarvekHeadphoneWrite = {
    {"restore\n", "重置成功\r\n", nullptr},
    {"set 100 0\n", "主机类型----分机\r\n", nullptr},
    {"set 4 55\n", "设置频道----55\r\n", nullptr},
    {"set 3 12\n", "设置分机号----12\r\n", nullptr},
    {"set 1 999999999\n", "设置通信密码----999999999\r\n", nullptr},
    {"set 11 1\n", "设置耳机类型----头戴式耳机.", "设置耳机类型----头戴式耳机.\r\n"},
    {"set 27 0\n", "背景声抑制关闭.\r\n", nullptr},
    {"set 23 5\n", "背景声抑制等级----5.\r\n", nullptr},
    {"set 12 4\n", "场景声等级----4.\r\n", nullptr},
    {"set 26 0\n", "设置VOX触发----声控.", "设置VOX触发----声控.\r\n"},
    {"set 13 1\n", "设置PPT按键使用模式----按下锁定持续通话.\r\n", nullptr},
    {"set 110 4\n", "设置发射功率等级----5.\r\n", nullptr},
};

inline std::vector<std::string> Commands(const std::vector<Step>& steps) {
  std::vector<std::string> out;
  for (const Step& s : steps) out.push_back(s.command);
  return out;
}

inline std::vector<std::string> InfoTexts(const std::vector<Step>& steps) {
  std::vector<std::string> out;
  for (const Step& s : steps)
    if (s.logText) out.push_back(s.infoText ? s.infoText : s.logText);
  return out;
}

// Every command, then its report, at level 1.
inline std::vector<LogLine> LogLines(const std::vector<Step>& steps) {
  std::vector<LogLine> out;
  for (const Step& s : steps) {
    out.push_back({1, s.command});
    if (s.logText) out.push_back({1, s.logText});
  }
  return out;
}

}  // namespace transcripts
