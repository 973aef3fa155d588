#include "protocol/parameter_table.h"

#include <cctype>
#include <climits>
#include <cstring>

#include "protocol/settings_texts.h"

// Phrases are matched case-sensitively as plain substrings, so "lock" is
// found inside "lock/unlock" and "enable" inside "enabled".
constexpr Parameter kParameters[kParameterCount] = {
    {100, &SDevSettings::nWorkMode, 0,
     Get("get 100\n", "Working mode", "Working mode Pattern not match.")
         .Word("slave", 0, LineLoggedBare(texts::kReadWorkModeSlave))
         .Word("master", 1, LineLoggedBare(texts::kReadWorkModeMaster))
         .Word("auto", 2, LineLoggedBare(texts::kReadWorkModeAuto)),
     Set("set 100 %d\n", "Working mode Pattern not match.\r\n")
         .Requires("slave").Requires("master").Requires("auto")
         .ForValue(0, Line(texts::kWriteWorkModeSlave))
         .ForValue(1, Line(texts::kWriteWorkModeMaster))
         .ForValue(2, Line(texts::kWriteWorkModeFree))},

    {4, &SDevSettings::nChannel, 0,
     Get("get 4\n", "channel", "Channel Pattern not match.\r\n")
         .Number("channel is ", Line(texts::kReadChannel)),
     Set("set 4 %d\n", "Channel Pattern not match.")
         .Requires("channel")
         .Confirms("channel to", Line(texts::kWriteChannel))},

    {3, &SDevSettings::nLocalId, 0,
     Get("get 3\n", "Local", "Local Id Pattern not match.\r\n")
         .Number("ID is ", Line(texts::kReadLocalId)),
     Set("set 3 %d\n", "Local Id Pattern not match.")
         .Requires("local")
         .Confirms("local ID", Line(texts::kWriteLocalId))},

    {5, &SDevSettings::nGroupId, 0,
     Get("get 5\n", "Group", "Group Id Pattern not match.\r\n")
         .Only(StepWhen::SolvikUnit).StoresWhenSkipped(1)
         .Number("ID is ", Line(texts::kReadGroupId)),
     Set("set 5 %d\n", "Group Id Pattern not match.")
         .Only(StepWhen::SolvikUnit)
         .Requires("group")
         .Confirms("group ID", Line(texts::kWriteGroupId))},

    {1, &SDevSettings::nPassword, 0,
     Get("get 1\n", "password", "Voice password Pattern not match.\r\n")
         .Number("password is ", Line(texts::kReadPassword)),
     Set("set 1 %d\n", "Voice password Pattern not match.")
         .Requires("password")
         .Confirms("password", Line(texts::kWritePassword))},

    {11, &SDevSettings::nHeadsetType, 0,
     Get("get 11\n", "Head phone type", "Headphone Type Pattern not match.")
         .Word("ear plug", 0, LineLoggedBare(texts::kReadHeadsetEarPlug))
         .Word("headphone", 1, LineLoggedBare(texts::kReadHeadsetHeadphone)),
     Set("set 11 %d\n", "Head phone type Pattern not match.")
         .Requires("head phone type")
         .Confirms("ear plug", LineLoggedBare(texts::kWriteHeadsetEarPlug))
         .Confirms("headphone", LineLoggedBare(texts::kWriteHeadsetHeadphone))},

    // The voice-activation slide switch: read only to report it; written
    // (always on) only for an ear-hook earbud.
    {25, nullptr, 0,
     Get("get 25\n", "VOX", "VOX Pattern not match.\r\n")
         .Word("enabled", 0, Line(texts::kReadVoxSwitchEnabled))
         .Word("disabled", 0, Line(texts::kReadVoxSwitchDisabled)),
     Set("set 25 1\n", "VOX Pattern not match..\r\n")
         .Only(StepWhen::EarPlugHeadset)
         .Requires("enabled")
         .Confirms("enabled", Line(texts::kWriteVoxSwitchEnabled))},

    {27, &SDevSettings::bNoiseSuppress, 0,
     Get("get 27\n", "suppress", "Background suppress Pattern not match.")
         .Word("enable", 1, Line(texts::kNoiseSuppressOn))
         .Word("always", 1, Line(texts::kNoiseSuppressOn))
         .Otherwise(0, Line(texts::kNoiseSuppressOff)),
     Set("set 27 %d\n", "Silence suppress Pattern not match.")
         .Requires("suppress")
         .ForValue(0, Line(texts::kNoiseSuppressOff))
         .ForOtherValues(Line(texts::kNoiseSuppressOn))},

    {23, &SDevSettings::nSuppressLevel, 0,
     Get("get 23\n", "is", "Background suppress Pattern not match.")
         .Number("is ", Line(texts::kSuppressLevel)),
     Set("set 23 %d\n", nullptr)
         .Confirms("to", Line(texts::kSuppressLevel))},

    {12, &SDevSettings::nSceneLevel, 0,
     Get("get 12\n", "is", "Background suppress Pattern not match.")
         .Number("is ", Line(texts::kSceneLevel)),
     Set("set 12 %d\n", "Background suppression Pattern not match.")
         .Requires("is")
         .Confirms("is", Line(texts::kSceneLevel))},

    {26, &SDevSettings::nVoxMode, 0,
     Get("get 26\n", "VOX mode", "VOX mode Pattern not match.")
         .Word("normal", 0, LineLoggedBare(texts::kReadVoxModeNormal))
         .Word("intelligent", 1, LineLoggedBare(texts::kReadVoxModeIntelligent))
         .Word("lock", 2, LineLoggedBare(texts::kReadVoxModeLock)),
     Set("set 26 %d\n", "VOX mode Pattern not match.")
         .Requires("VOX mode")
         .Confirms("VOX mode normal.", LineLoggedBare(texts::kWriteVoxModeNormal))
         .Confirms("ptt lock", LineLoggedBare(texts::kWriteVoxModeLock))},

    {13, &SDevSettings::nPttMode, 0,
     Get("get 13\n", "PTT", "PTT mode Pattern not match.")
         .Word("normal", 0, Line(texts::kReadPttNormal))
         .Word("lock/unlock", 1, Line(texts::kReadPttLockUnlock)),
     Set("set 13 %d\n", "PTT mode Pattern not match.")
         .Requires("PTT mode")
         .Confirms("normal", Line(texts::kWritePttNormal))
         .Confirms("lock/unlock", Line(texts::kWritePttLockUnlock))},

    // Shown to the operator as level 1 to 5.
    {110, &SDevSettings::nPowerLevel, 1,
     Get("get 110\n", "power", "Power Level Pattern not match.")
         .TakenOnlyWhen("is")
         .Number("is ", Line(texts::kReadPowerLevel)),
     Set("set 110 %d\n", "Power level Pattern not match.")
         .Requires("power level")
         .Confirms("level", Line(texts::kWritePowerLevel))},
};

constexpr WriteRule kRestoreRule =
    Set("restore\n", "Restore Pattern not match.\r\n")
        .Requires("default")
        .Confirms("default", Line(texts::kRestored));

int NumberAfter(const char* answer, const char* phrase) {
  const char* p = std::strstr(answer, phrase);
  if (!p) return 0;
  p += std::strlen(phrase);
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Gather the digits in the negative range, which holds INT_MIN.
  long long value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    value = value * 10 - (*p - '0');
    if (value < INT_MIN) value = INT_MIN - 1LL;  // past the range: stays there
  }
  if (negative) return value < INT_MIN ? INT_MIN : static_cast<int>(value);
  return -value > INT_MAX ? INT_MAX : static_cast<int>(-value);
}
