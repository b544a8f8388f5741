// The small "复制完成！" window with the counts of the last run, opened without
// waiting for it and placed at the bottom right of the screen.
#pragma once

#include <windows.h>

#include <cstdint>

HWND showCompletionWindow(HWND owner, int32_t total, int32_t succeeded, int32_t failed);

// Window class of the completion window, for tests that look for it.
extern const wchar_t kCompletionWindowClass[];
