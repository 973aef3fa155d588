// The unit's settings as the settings page shows and edits them.
#pragma once

#include <cstdint>

// Values read from the unit are stored as the unit gives them. Before the
// first read each field holds the lowest value the settings form accepts.
struct SDevSettings {
  std::int32_t nWorkMode = 0;       // 0 extension unit, 1 main unit, 2 automatic
  std::int32_t nHeadsetType = 0;    // 0 ear-hook earbud, 1 head-band headphone
  std::int32_t nVoxMode = 0;        // 0 voice-activated, 1 smart, 2 continuous talk
  std::int32_t nPttMode = 0;        // 0 talk while pressed, 1 a press latches talk
  std::int32_t nChannel = 2;        // 2..90
  std::int32_t nSceneLevel = 0;     // 0..4
  std::int32_t nLocalId = 1;        // 1..12
  std::int32_t nGroupId = 1;        // 0..12, SOLVIK units only
  std::int32_t bNoiseSuppress = 0;  // background-noise suppression on
  std::int32_t nSuppressLevel = 0;  // 1..5 when on, 0 when off
  std::int32_t nPassword = 1;       // 1..999999999
  std::int32_t nPowerLevel = 0;     // 0..4, shown as 1..5
};
