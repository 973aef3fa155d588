// Message boxes captioned with the application's name.
#pragma once

#include <windows.h>

#include <string>

// The executable's file name without its extension.
const std::wstring& AppName();

// Shows a GBK text; returns the button pressed.
int ShowMessage(HWND owner, const char* gbk, UINT type = MB_OK);
