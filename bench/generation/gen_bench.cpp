// Generation run figures, through the real window and its five workers, with
// the loopback server as the API gateway:
//   gen_wall_vs_bound    1,000 items, 20 ms added to every answer; wall time of
//                        the run over the five-worker bound 1,000 x 20 ms / 5
//   gen_cpu_ms_per_item  processor time of the five worker threads per item in
//                        that run: signing, answer parsing, mapping, rows and
//                        log lines; waits excluded, and so is the request thread
//                        each fetch runs on (the whole process's time, the
//                        in-process server's included, is printed beside it)
//   gen_peak_vs_package  10,000 items with 20 KB descriptions; peak working set
//                        of the process over the package file's size
#include <windows.h>
#include <ole2.h>
#include <psapi.h>
#include <pthread.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "generation/completion_window.h"
#include "support/fake_ui.h"
#include "support/loopback_server.h"
#include "util/file_io.h"
#include "util/text.h"

namespace {

double processCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME f) { return double((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0; };
  return ms(kernel) + ms(user);
}

std::string answerFor(const std::string& id, const std::string& desc) {
  return "<?xml version=\"1.0\" encoding=\"gb2312\"?><item_get_response><item><title>宝贝 " + id +
         "</title><cid>50010850</cid><price>99.00</price><num>30</num><freight_payer>buyer</freight_payer>"
         "<approve_status>onsale</approve_status><props>20000:3275069;1627207:28341</props><skus>"
         "<sku><outer_id>S1</outer_id><price>99.00</price><properties>1627207:28341</properties>"
         "<quantity>10</quantity></sku><sku><outer_id>S2</outer_id><price>109.00</price>"
         "<properties>1627207:28338</properties><quantity>20</quantity></sku></skus><desc>" +
         desc + "</desc></item></item_get_response>";
}

// About `size` bytes of description HTML with the references and commas a
// real one carries.
std::string description(size_t size) {
  const std::string piece =
      "&lt;p style=&quot;margin:0&quot;&gt;优质面料,舒适透气&amp;nbsp;&lt;img src=&quot;"
      "http://img.example/bao/uploaded/i1/x.jpg&quot;&gt;&lt;/p&gt;\r\n";
  std::string d;
  while (d.size() < size) d += piece;
  return d;
}

double threadCpuMs(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
  auto ms = [](FILETIME f) { return double((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0; };
  return ms(kernel) + ms(user);
}

HWND ownCompletionWindow() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM p) -> BOOL {
        wchar_t name[64] = {};
        GetClassNameW(h, name, 64);
        if (lstrcmpW(name, kCompletionWindowClass) != 0) return TRUE;
        *reinterpret_cast<HWND*>(p) = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

struct RunResult {
  double wallMs = 0, cpuMs = 0, workerCpuMs = 0;
  bool finished = false;
};

RunResult run(int items, unsigned delayMs, size_t descSize, const std::string& folder, uint64_t* packageSize) {
  loopback::LoopbackServer server;
  const std::string desc = description(descSize);
  server.setHandler([&](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
    loopback::Reply reply = loopback::Reply::text(answerFor(r.queryParam("num_iid").value_or(""), desc), "text/xml");
    reply.delayMs = delayMs;
    return reply;
  });
  FakeUiServices ui;
  AppState state;
  state.ui = &ui;
  state.endpoints.apiHost = server.hostPort();
  state.credentials = {{"key1", "secret1"}, {"key2", "secret2"}, {"key3", "secret3"}};
  state.packageLayoutVersion = 4;
  state.outputDirectory = folder + "\\";
  state.outputFileStem = "bench";
  state.runDirectoryOverride = folder;
  for (int n = 1; n <= items; ++n) state.itemList.addItemRow("宝贝", "", "", std::to_string(100000 + n));
  const std::string path = folder + "\\bench.csv";
  RunResult result;
  {
    MainWindow window(state);
    if (!window.create(false)) return result;
    window.setControlText(kPathBox, path);
    const double cpu0 = processCpuMs();
    const ULONGLONG t0 = GetTickCount64();
    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(kStartButton, BN_CLICKED), LPARAM(window.control(kStartButton)));
    // Own handles of the workers, so their times can be read after they end.
    std::vector<HANDLE> workers;
    for (auto& t : state.workerThreads) {
      HANDLE h = nullptr;
      DuplicateHandle(GetCurrentProcess(), HANDLE(pthread_gethandle(t.native_handle())), GetCurrentProcess(), &h,
                      THREAD_QUERY_INFORMATION, FALSE, 0);
      if (h) workers.push_back(h);
    }
    // Thread times are read while the threads live: not every platform keeps
    // them for a thread that has ended.
    std::vector<double> workerMs(workers.size(), 0.0);
    auto sample = [&] {
      for (size_t i = 0; i < workers.size(); ++i) {
        DWORD code = 0;
        if (GetExitCodeThread(workers[i], &code) && code == STILL_ACTIVE) workerMs[i] = threadCpuMs(workers[i]);
      }
    };
    while (!ownCompletionWindow()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      MainWindow::pumpPending();
      sample();
    }
    result.wallMs = double(GetTickCount64() - t0);
    result.cpuMs = processCpuMs() - cpu0;
    for (size_t i = 0; i < workers.size(); ++i) {
      const double last = threadCpuMs(workers[i]);
      result.workerCpuMs += last > workerMs[i] ? last : workerMs[i];
      CloseHandle(workers[i]);
    }
    result.finished = state.succeededItems.load() == items;
  }
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(text::toWide(path).c_str(), GetFileExInfoStandard, &data);
  *packageSize = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  DeleteFileW(text::toWide(path).c_str());
  return result;
}

}  // namespace

int main() {
  OleInitialize(nullptr);
  const std::string folder = fileio::runDirectory() + "\\gen_bench_" + std::to_string(GetCurrentProcessId());
  fileio::createFolder(folder);

  uint64_t size = 0;
  const RunResult timed = run(1000, 20, 2000, folder, &size);
  if (!timed.finished) std::printf("# the 1,000-item run did not finish every item\n");
  std::printf("BENCH gen_wall_vs_bound %.3f ratio\n", timed.wallMs / (1000.0 * 20.0 / 5.0));
  std::printf("# process processor time per item %.3f ms (HTTP client and loopback server included)\n",
              timed.cpuMs / 1000.0);
  std::printf("BENCH gen_cpu_ms_per_item %.3f ms\n", timed.workerCpuMs / 1000.0);
  std::fflush(stdout);

  const RunResult big = run(10000, 0, 20 * 1024, folder, &size);
  if (!big.finished) std::printf("# the 10,000-item run did not finish every item\n");
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  std::printf("# package %llu bytes, peak working set %llu bytes, %.0f ms\n", (unsigned long long)size,
              (unsigned long long)counters.PeakWorkingSetSize, big.wallMs);
  std::printf("BENCH gen_peak_vs_package %.3f ratio\n", size ? double(counters.PeakWorkingSetSize) / double(size) : 0.0);
  RemoveDirectoryW(text::toWide(folder + "\\bench").c_str());
  RemoveDirectoryW(text::toWide(folder).c_str());
  return 0;
}
