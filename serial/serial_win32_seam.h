// Test seam of the Win32 serial channel. Under Wine an overlapped write to a
// pseudo-terminal completes at once, so a byte write that outlasts its
// 100 ms wait can only be produced by replacing that wait.
#pragma once

#include <windows.h>

// Waits for one written byte's completion event; returns what
// WaitForSingleObject would return.
using SerialWriteWait = DWORD(WINAPI*)(HANDLE writeEvent, DWORD milliseconds);

// Replaces the wait (null: WaitForSingleObject again).
void SerialSetWriteWait(SerialWriteWait wait);
