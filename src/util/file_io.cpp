#include "util/file_io.h"

#include <windows.h>

#include <algorithm>

#include "util/text.h"

namespace fileio {

std::string runDirectory() {
  wchar_t buf[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, buf, DWORD(sizeof buf / sizeof buf[0]));
  std::wstring path(buf, n);
  size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) path.resize(slash);
  return text::fromWide(path);
}

bool folderExists(const std::string& path) {
  DWORD a = GetFileAttributesW(text::toWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool fileExists(const std::string& path) {
  DWORD a = GetFileAttributesW(text::toWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool createFolder(const std::string& path) {
  std::wstring w = text::toWide(path);
  while (!w.empty() && (w.back() == L'\\' || w.back() == L'/')) w.pop_back();
  if (w.empty()) return false;
  if (CreateDirectoryW(w.c_str(), nullptr)) return true;
  return folderExists(path);
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileW(text::toWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 24)), wrote = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
      ok = false;
      break;
    }
    done += wrote;
  }
  if (!CloseHandle(h)) ok = false;
  return ok;
}

std::optional<std::string> readWholeFile(const std::string& path) {
  HANDLE h = CreateFileW(text::toWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string out;
  char buf[65536];
  DWORD got = 0;
  bool ok = true;
  while (true) {
    if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    out.append(buf, got);
  }
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return out;
}

bool deleteFile(const std::string& path) { return DeleteFileW(text::toWide(path).c_str()) != 0; }

}  // namespace fileio
