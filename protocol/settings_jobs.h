// The read and write jobs: the unit's settings into the record, and the
// record back to the unit after a factory reset.
#pragma once

#include "protocol/settings.h"

// Job functions for StartJob; `record` is the page's SDevSettings.
// Read: fills the record step by step, then posts WM_CFG_READ_RESULT and,
// after a success, WM_CFG_SHOW_SETTINGS.
void ReadAllSettings(void* record);
// Write: "restore", then every setting from the record; posts
// WM_CFG_WRITE_RESULT and, after a success, WM_CFG_SHOW_SETTINGS.
void WriteAllSettings(void* record);

// Starts WriteAllSettings(record) as a background job. False when it did
// not start (another job talks to the unit, or no memory).
bool StartWriteJob(SDevSettings* record);
