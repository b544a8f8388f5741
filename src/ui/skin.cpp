#include "ui/skin.h"

#include "app/app_state.h"
#include "ui/mapped_module.h"

// Both images are linked in as data (skin/CMakeLists.txt), between a start and
// an end label each.
extern "C" const unsigned char quorvaneSkinEngine[];
extern "C" const unsigned char quorvaneSkinEngineEnd[];
extern "C" const unsigned char quorvaneSkinData[];
extern "C" const unsigned char quorvaneSkinDataEnd[];

CarriedBytes skinEngineImage() {
  return {quorvaneSkinEngine, size_t(quorvaneSkinEngineEnd - quorvaneSkinEngine)};
}

CarriedBytes skinDataBytes() { return {quorvaneSkinData, size_t(quorvaneSkinDataEnd - quorvaneSkinData)}; }

namespace {

template <typename... Values>
void callWith(const MappedModule* module, const char* name, Values... values) {
  if (!module) return;
  if (FARPROC f = findExport(module, name)) callExportWith(reinterpret_cast<const void*>(f), values...);
}

// The engine's windows keep calling into it until the process ends, so it stays
// mapped for the life of the process.
void keepMapped(MappedModule*) {}

}  // namespace

void loadSkinEngine(AppState& state) {
  CarriedBytes image = skinEngineImage();
  state.skinModule = Owned<MappedModule>(loadImage(image.data, image.size), keepMapped);
}

void skinAttach(const MappedModule* module, const void* skinData, size_t size, const char* password, int hue,
                int saturation, int brightness) {
  callWith(module, "SkinH_AttachRes", skinData, int(size), password, hue, saturation, brightness);
}

void skinSetTitleMenuBar(const MappedModule* module, HWND window, int a, int b, int c, int d) {
  callWith(module, "SkinH_SetTitleMenuBar", window, a, b, c, d);
}

void skinAdjust(const MappedModule* module, int hue, int saturation, int brightness) {
  callWith(module, "SkinH_AdjustHSV", hue, saturation, brightness);
}

void skinDetach(const MappedModule* module, HWND control) { callWith(module, "SkinH_DetachEx", control); }

void skinAttach(AppState& state) {
  CarriedBytes data = skinDataBytes();
  skinAttach(state.skinModule.get(), data.data, data.size, nullptr, 0, 0, 0);
}

void skinSetTitleMenuBar(AppState& state, HWND window, int a, int b, int c, int d) {
  skinSetTitleMenuBar(state.skinModule.get(), window, a, b, c, d);
}

void skinAdjust(AppState& state, int hue, int saturation, int brightness) {
  skinAdjust(state.skinModule.get(), hue, saturation, brightness);
}

void skinDetach(AppState& state, HWND control) { skinDetach(state.skinModule.get(), control); }
