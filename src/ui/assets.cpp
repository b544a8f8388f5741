#include "ui/assets.h"

#include "ui/graphics.h"
#include "ui/resource_ids.h"

namespace assets {

namespace {

std::string_view rcdata(const wchar_t* name) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(self, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!info) return {};
  HGLOBAL data = LoadResource(self, info);  // module memory: never freed, lives with the program
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) return {};
  return {static_cast<const char*>(bytes), size_t(SizeofResource(self, info))};
}

}  // namespace

std::string_view resourceBytes(int id) { return rcdata(MAKEINTRESOURCEW(id)); }

std::string_view bannerJpeg(int kind) {
  if (kind < 0 || kind > IDR_BANNER_HELP - IDR_BANNER_START) return {};
  return resourceBytes(IDR_BANNER_START + kind);
}

std::string_view navigationPng(int button) {
  if (button < 1 || button > 7) return {};
  return resourceBytes(IDR_NAV_1 + button - 1);
}

std::string_view splashPicture() { return rcdata(L"" IDR_STARTUP_NAME); }

HBITMAP decodeBitmap(std::string_view bytes) {
  gfx::Bitmap picture = gfx::Bitmap::decode(bytes);
  return picture.valid() ? picture.toHbitmap(gfx::argb(255, 255, 255, 255)) : nullptr;
}

HICON loadProgramIcon(int size) {
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUORVANE), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace assets
