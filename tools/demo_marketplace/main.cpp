// demo_marketplace [site folder]: serves the demo site on the fixed loopback
// ports of the program's endpoints until it is stopped (Ctrl+C or killed).
#include <windows.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "site_rules.h"
#include "support/loopback_server.h"
#include "util/file_io.h"
#include "util/text.h"

namespace {

HANDLE gStop = nullptr;

BOOL WINAPI onConsoleEvent(DWORD) {
  SetEvent(gStop);
  return TRUE;
}

// The test bench passes its folder as a Unix path; under Wine it has a DOS name.
std::string windowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  using ToDos = WCHAR* (*)(const char*);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto toDos = kernel ? reinterpret_cast<ToDos>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")))
                      : nullptr;
  if (!toDos) return path;
  WCHAR* dos = toDos(path.c_str());
  if (!dos) return path;
  std::string out = text::fromWide(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return out;
}

std::mutex gPrint;

loopback::Reply answer(const std::string& folder, const demo::SitePort& site, const loopback::RecordedRequest& r) {
  std::string served;
  loopback::Reply reply = loopback::Reply::withStatus(404, "Not Found", "not found");
  for (const std::string& file : demo::candidateFiles(r.target)) {
    std::string windowsName = text::replaceAll(file, "/", "\\");
    if (std::optional<std::string> bytes = fileio::readWholeFile(folder + "\\" + windowsName)) {
      reply = loopback::Reply::text(std::move(*bytes), demo::contentTypeFor(file));
      served = file;
      break;
    }
  }
  std::lock_guard<std::mutex> hold(gPrint);
  std::printf("%u %s %s -> %s\n", unsigned(site.port), r.method.c_str(), r.target.c_str(),
              served.empty() ? "404" : served.c_str());
  std::fflush(stdout);
  return reply;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = windowsPath(argc > 1 ? argv[1] : QUORVANE_DEMO_SITE);
  while (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.pop_back();
  if (!fileio::folderExists(root)) {
    std::fprintf(stderr, "demo_marketplace: no site folder %s\n", root.c_str());
    return 1;
  }
  gStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);

  std::vector<std::unique_ptr<loopback::LoopbackServer>> servers;
  for (const demo::SitePort& site : demo::kSitePorts) {
    std::string folder = root + "\\" + site.folder;
    try {
      servers.push_back(std::make_unique<loopback::LoopbackServer>(site.port));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "demo_marketplace: %s (is another one running?)\n", e.what());
      return 1;
    }
    servers.back()->setHandler(
        [folder, &site](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
          return answer(folder, site, r);
        });
    std::printf("demo_marketplace: http://127.0.0.1:%u/ %s <- %s\n", unsigned(site.port), site.role, folder.c_str());
  }
  std::fflush(stdout);
  WaitForSingleObject(gStop, INFINITE);
  servers.clear();
  CloseHandle(gStop);
  return 0;
}
