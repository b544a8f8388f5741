// Five workers each store the six main pictures of their share of 200 items,
// every picture answer held back 10 ms by the server; the wall time is compared
// with the five-worker bound (200 x 6 x 10 ms / 5).
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "generation/pictures.h"
#include "generation/worker_context.h"
#include "support/loopback_server.h"
#include "util/file_io.h"
#include "util/text.h"
#include "util/xml_document.h"

int main() {
  const int kItems = 200, kPictures = 6, kWorkers = 5, kDelayMs = 10;
  loopback::LoopbackServer server;
  server.setHandler([&](const loopback::RecordedRequest&) -> std::optional<loopback::Reply> {
    loopback::Reply r = loopback::Reply::text(std::string("\xFF\xD8\xFF\xE0", 4) + std::string(20000, 'j'));
    r.delayMs = kDelayMs;
    return r;
  });
  std::string answer = "<item_get_response><item><title>t</title><item_imgs>";
  for (int i = 0; i < kPictures; ++i)
    answer += "<item_img><url>" + server.url("/p" + std::to_string(i) + ".jpg") + "</url></item_img>";
  answer += "</item_imgs></item></item_get_response>";

  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  AppState state;
  state.outputDirectory = text::fromWide(tmp) + "qv_pictures_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
  state.outputFileStem = "pkg";
  fileio::createFolder(state.outputDirectory);
  fileio::createFolder(state.outputDirectory + state.outputFileStem);
  state.packageLayoutVersion = 5;
  RunControl control;
  std::atomic<int> next{0};

  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  std::vector<std::thread> workers;
  for (int w = 1; w <= kWorkers; ++w)
    workers.emplace_back([&, w] {
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      {
        WorkerContext c(state, control, w);
        c.document->loadBytes(answer, false, false);
        c.runTotal = kItems;
        for (int n; (n = ++next) <= kItems;) {
          c.lastItemNumber = n;
          c.item.title = "宝贝" + std::to_string(n);
          c.item.itemId = std::to_string(10000 + n);
          downloadMainPictures(c);
        }
      }
      CoUninitialize();
    });
  for (auto& t : workers) t.join();
  QueryPerformanceCounter(&t1);
  double wall = double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart);
  double bound = kItems * kPictures * (kDelayMs / 1000.0) / kWorkers;
  std::printf("BENCH pictures_wall_s %.3f s\n", wall);
  std::printf("BENCH pictures_wall_vs_bound %.3f ratio\n", wall / bound);
  return 0;
}
