// The window skin: the engine image carried in the program, mapped from memory.
// Every call does nothing when the engine did not load.
#pragma once

#include <windows.h>

struct AppState;

// Process start: map the engine from its in-memory image into state.skinModule.
void loadSkinEngine(AppState& state);
// Start-up sequence steps 1-3 and 14, and the sliders.
void skinAttach(AppState& state);                                  // skin data, no password, 0, 0, 0
void skinSetTitleMenuBar(AppState& state, HWND window, int a, int b, int c, int d);
void skinAdjust(AppState& state, int hue, int saturation, int brightness);
void skinDetach(AppState& state, HWND control);
