#include <windows.h>

#include "app/app_state.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  AppState state;
  MessageBoxW(nullptr, L"Quorvane", L"Quorvane", MB_OK);
  return state.exitCode;
}
