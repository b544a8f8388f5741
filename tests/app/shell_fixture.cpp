#include "shell_fixture.h"

#include <objbase.h>
#include <ole2.h>

#include <algorithm>
#include <map>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "util/file_io.h"
#include "util/text.h"
#include "util/time_stamps.h"

namespace shelltest {
namespace {

void removeTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = dir + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(full);
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

void startProcessEnvironment() {
  static bool started = false;
  if (started) return;
  started = true;
  OleInitialize(nullptr);  // held for the test program's life, as the process entry does
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

std::map<UINT_PTR, std::pair<std::function<bool()>, std::function<void()>>>& pending() {
  static std::map<UINT_PTR, std::pair<std::function<bool()>, std::function<void()>>> map;
  return map;
}
std::map<UINT_PTR, bool>& firedTimers() {
  static std::map<UINT_PTR, bool> map;
  return map;
}

void CALLBACK whenReadyTick(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = pending().find(id);
  if (it == pending().end() || firedTimers()[id]) return;
  if (!it->second.first()) return;
  firedTimers()[id] = true;
  auto action = it->second.second;
  action();
}

}  // namespace

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  std::wstring base = std::wstring(temp) + L"quorvane_app_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                      std::to_wstring(++counter);
  CreateDirectoryW(base.c_str(), nullptr);
  path_ = text::fromWide(base);
}

ScratchFolder::~ScratchFolder() { removeTree(text::toWide(path_)); }

bool pumpUntil(const std::function<bool()>& done, unsigned timeoutMs) {
  ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(int(msg.wParam));
        return done();
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
  return true;
}

HWND findOwnWindow(const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    HWND found = nullptr;
  } search{className};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        wchar_t name[64] = {};
        GetClassNameW(h, name, 64);
        if (lstrcmpiW(name, s->className) != 0) return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool takeQuitMessage() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

WhenReady::WhenReady(std::function<bool()> ready, std::function<void()> action) {
  timer_ = SetTimer(nullptr, 0, 30, whenReadyTick);
  pending()[timer_] = {std::move(ready), std::move(action)};
  firedTimers()[timer_] = false;
}

WhenReady::~WhenReady() {
  KillTimer(nullptr, timer_);
  pending().erase(timer_);
  firedTimers().erase(timer_);
}

bool WhenReady::fired() const {
  auto it = firedTimers().find(timer_);
  return it != firedTimers().end() && it->second;
}

std::string readFile(const std::string& path) { return fileio::readWholeFile(path).value_or(std::string()); }

void writeFile(const std::string& path, const std::string& bytes) { fileio::writeWholeFile(path, bytes); }

void ShellTest::SetUp() {
  startProcessEnvironment();
  state = std::make_unique<AppState>();
  state->ui = &ui;
  state->runDirectoryOverride = runDir.path();
  state->endpoints.serviceBase = "http://127.0.0.1:1/";  // nothing listens there
}

void ShellTest::TearDown() {
  window.reset();
  state.reset();
  takeQuitMessage();
  timestamps::setClockSource({});
}

MainWindow& ShellTest::makeWindow(bool runStartup) {
  window = std::make_unique<MainWindow>(*state);
  EXPECT_TRUE(window->create(runStartup));
  return *window;
}

}  // namespace shelltest
