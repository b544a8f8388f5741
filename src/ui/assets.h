// The pictures compiled into the program: banners, navigation button pictures,
// the start-up picture and the program icon. Nothing is read from files.
#pragma once

#include <windows.h>

#include <string_view>

namespace assets {

// Bytes of an RCDATA resource of the running program; empty when absent.
std::string_view resourceBytes(int id);

// Banner kinds 0 to 5: start, single item, category list, whole shop,
// configuration, help. A 695x38 JPEG; empty for an unknown kind.
std::string_view bannerJpeg(int kind);
std::string_view navigationPng(int button);   // button 1 to 7; empty otherwise
std::string_view splashPicture();             // 460x280

// A GDI bitmap decoded from picture bytes (GDI+ must be started); the caller
// owns it. Null when the bytes do not decode.
HBITMAP decodeBitmap(std::string_view bytes);
inline HBITMAP loadBannerBitmap(int kind) { return decodeBitmap(bannerJpeg(kind)); }
inline HBITMAP loadSplashBitmap() { return decodeBitmap(splashPicture()); }

// The program icon at the given size (the caller destroys it); null when absent.
HICON loadProgramIcon(int size);

}  // namespace assets
