// The exit confirmation window "退出程序？".
#pragma once

#include <windows.h>

// Window class of the confirmation (tests find the open window by it).
inline constexpr const wchar_t* kExitConfirmationClass = L"QuorvaneExitConfirmation";

// Shows the window modal to `owner` and returns once it is closed: true for
// "确 定", false for "取 消" or the close box. A quit message that arrives
// meanwhile closes it too (false) and is passed on to the outer loop.
bool runExitConfirmation(HWND owner, HFONT font);
// Brings an open confirmation to the front.
void bringExitConfirmationToFront();
