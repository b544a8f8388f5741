// The window skin: the engine image carried in the program, mapped from memory.
// Every call does nothing when the engine did not load.
#pragma once

#include <windows.h>

#include <cstddef>

struct AppState;
struct MappedModule;

// Process start: map the engine from its in-memory image into state.skinModule.
void loadSkinEngine(AppState& state);
// The start-up sequence and the colour sliders.
void skinAttach(AppState& state);  // the carried skin data, no password, shifts 0, 0, 0
// Title bar on/off, its height, caption alignment (0 left, 1 centred) and how
// much darker its lower edge is, in percent.
void skinSetTitleMenuBar(AppState& state, HWND window, int a = 1, int b = 22, int c = 0, int d = 0);
void skinAdjust(AppState& state, int hue, int saturation, int brightness);
void skinDetach(AppState& state, HWND control);

// The same calls on a module of one's own; a null module skips them.
void skinAttach(const MappedModule* module, const void* skinData, size_t size, const char* password, int hue,
                int saturation, int brightness);
void skinSetTitleMenuBar(const MappedModule* module, HWND window, int a = 1, int b = 22, int c = 0, int d = 0);
void skinAdjust(const MappedModule* module, int hue, int saturation, int brightness);
void skinDetach(const MappedModule* module, HWND control);

// What the program carries: the engine's DLL image and the skin data for it.
struct CarriedBytes {
  const unsigned char* data;
  size_t size;
};
CarriedBytes skinEngineImage();
CarriedBytes skinDataBytes();
