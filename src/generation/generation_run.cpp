#include "generation/generation_run.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <thread>
#include <utility>

#include "api/signing.h"
#include "app/app_state.h"
#include "app/main_window.h"
#include "generation/completion_window.h"
#include "generation/data_package.h"
#include "generation/item_mapping.h"
#include "generation/pictures.h"
#include "generation/worker_context.h"
#include "util/file_io.h"
#include "util/http.h"
#include "util/text.h"
#include "util/time_stamps.h"
#include "util/xml_document.h"

namespace {

constexpr int32_t kWorkerCount = 5;

class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT result_;
};

class OwnedEvent {
 public:
  OwnedEvent() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~OwnedEvent() {
    if (handle_) CloseHandle(handle_);
  }
  OwnedEvent(const OwnedEvent&) = delete;
  OwnedEvent& operator=(const OwnedEvent&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

struct GenerationRun {
  GenerationRun(AppState& s, std::shared_ptr<WindowLink> l) : state(s), link(std::move(l)) {}
  AppState& state;
  std::shared_ptr<WindowLink> link;
  RunControl control;
  std::atomic<int32_t> liveWorkers{kWorkerCount};
  OwnedEvent ended;  // set when the last worker thread has left its body
  std::function<void()> finished;  // window-thread task of a run that ran to its end
};

void WindowLink::post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (window_) window_->postTask(std::move(task));
}

void WindowLink::detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = nullptr;
}

void WindowLink::setSavePath(std::string path) {
  std::lock_guard<std::mutex> lock(mutex_);
  savePath_ = std::move(path);
}

std::string WindowLink::savePath() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return savePath_;
}

namespace {

std::string progress(const WorkerContext& c) {
  return text::decimal(c.lastItemNumber) + "/" + text::decimal(c.runTotal);
}

// One atomic test-and-take: 1-based number of the row taken, 0 when none is left.
int32_t takeRow(AppState& s) {
  const int32_t total = s.runTotal.load();
  int32_t taken = s.nextItem.load();
  do {
    if (taken >= total) return 0;
  } while (!s.nextItem.compare_exchange_weak(taken, taken + 1));
  return taken + 1;
}

void advanceCursor(WorkerContext& c) {
  if (c.credentialCursor == int32_t(c.state.credentials.size())) c.credentialCursor = 0;
  ++c.credentialCursor;
}

bool requestItem(WorkerContext& c) {
  if (!c.control.checkpoint()) return false;
  ApiCredential credential;
  const auto& list = c.state.credentials;
  if (c.credentialCursor >= 1 && c.credentialCursor <= int32_t(list.size())) credential = list[c.credentialCursor - 1];
  const std::string address =
      itemDetailAddress(c.state.endpoints.apiHost, c.item.itemId, credential.appKey, credential.appSecret);
  const std::string answer = fetchPage(address);
  c.document->loadBytes(std::string_view(answer.c_str()), false, false);
  return !c.control.stopped();
}

// False when the run was stopped; true when no row is left.
bool workLoop(WorkerContext& c) {
  AppState& s = c.state;
  const std::string w = text::decimal(c.workerNumber);
  while (true) {
    if (!c.control.checkpoint()) return false;
    const int32_t n = takeRow(s);
    if (n == 0) return true;
    c.lastItemNumber = n;
    advanceCursor(c);
    c.item.itemId = s.itemList.cellText(n - 1, 3);
    const std::string name = s.itemList.cellText(n - 1, 0);
    c.attemptCount = 0;
    if (!c.log(timestamps::logTime() + "线程：" + w + "  开始下载 第：" + progress(c) + " 个宝贝:" + name + "\r\n"))
      return false;
    if (!requestItem(c)) return false;

    // Each credential is tried once more at most; with k credentials the item
    // is asked for k + 1 times.
    while (!c.document->nodeText("@1/msg").empty()) {
      advanceCursor(c);
      ++c.attemptCount;
      if (!requestItem(c)) return false;
      if (!c.log(timestamps::logTime() + "线程：" + w + "  通过当前App参数调用'淘宝官方接口'失败！正在尝试下一组App\r\n"))
        return false;
      if (c.attemptCount >= int32_t(s.credentials.size())) {
        c.credentialCursor = 0;
        if (!c.log(timestamps::logTime() + "线程：" + w +
                   " ####################淘宝接口忙,请点'暂停'按钮，停五分钟后点'继续'按钮接着处理\r\n"))
          return false;
        break;
      }
    }

    if (!c.log(timestamps::logTime() + "线程：" + w + "  开始获取 第：" + progress(c) + " 个宝贝   基本信息！\r\n"))
      return false;
    mapItem(c);
    if (c.control.stopped()) return false;
    if (s.options.get().downloadDescriptionPictures) {
      localizeDescriptionPictures(c);
      if (c.control.stopped()) return false;
    }
    downloadMainPictures(c);
    if (c.control.stopped()) return false;
    downloadPropertyPictures(c);
    if (!c.item.title.empty()) {
      if (!c.control.checkpoint()) return false;
      appendRow(s, c.item);
    }
    if (!c.log(timestamps::logTime() + " 线程：" + w + " 第：" + progress(c) + " 个宝贝 下载完成！\r\n")) return false;
  }
}

void finishRun(WorkerContext& c, GenerationRun& run) {
  AppState& s = c.state;
  s.failedItems = s.runTotal.load() - s.succeededItems.load();
  if (!c.log(timestamps::logTime() + " 线程：" + text::decimal(c.workerNumber) + " 第：" +
             text::decimal(c.lastItemNumber) + "/" + text::decimal(c.runTotal) + " 个宝贝 下载完成！成功： " +
             text::decimal(s.succeededItems.load()) + " 失败：" + text::decimal(s.failedItems.load()) +
             " 正在写文件...\r\n"))
    return;
  const std::string path = run.link->savePath();
  const bool layout4 = s.options.get().layout4Radio;
  if (!c.control.checkpoint()) return;
  if (writePackage(s, path, layout4)) {
    if (!c.log(timestamps::logTime() + " 文件写成功！\r\n")) return;
  } else {
    // The counts stay as they are; the user learns that the file is missing.
    if (!c.log(timestamps::logTime() + " 文件写失败！数据包没有写入：" + path + "\r\n")) return;
  }
  if (!c.control.checkpoint()) return;
  run.link->post(run.finished);
}

// Runs the window's pending events until `event` is set, so the window stays
// responsive while workers finish a request already under way.
void waitPumping(HANDLE event) {
  while (true) {
    const DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) return;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Leave the quit for the main loop; the workers end on their own.
        PostQuitMessage(int(msg.wParam));
        WaitForSingleObject(event, INFINITE);
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

void GenerationWorker(std::shared_ptr<GenerationRun> run, int32_t workerNumber) {
  {
    ComApartment com;  // the matchers are COM objects; released before COM goes
    WorkerContext context(run->state, run->control, workerNumber);
    context.runTotal = run->state.runTotal.load();
    if (workLoop(context) && ++run->state.finishedWorkers == kWorkerCount) finishRun(context, *run);
  }
  if (--run->liveWorkers == 0) SetEvent(run->ended.get());
}

GenerationController::GenerationController(MainWindow& window)
    : window_(window), state_(window.state()), link_(std::make_shared<WindowLink>(&window)) {}

GenerationController::~GenerationController() {
  link_->detach();
  if (run_) {
    run_->control.stop();
    WaitForSingleObject(run_->ended.get(), INFINITE);
  }
  joinWorkers();
}

void GenerationController::joinWorkers() {
  for (auto& t : state_.workerThreads)
    if (t.joinable()) t.join();
  state_.workerThreads.clear();
}

void GenerationController::setIdleButtons() {
  EnableWindow(window_.control(kStartButton), TRUE);
  EnableWindow(window_.control(kPauseButton), FALSE);
  EnableWindow(window_.control(kStopButton), FALSE);
}

void GenerationController::savePathChanged() { link_->setSavePath(window_.controlText(kPathBox)); }

void GenerationController::startGeneration() {
  const int32_t rows = state_.itemList.rowCount();
  if (rows == 0) return;
  const std::string path = window_.controlText(kPathBox);
  if (path.empty()) {
    state_.ui->messageBox(window_.hwnd(), "请检查保存的文件名是否正确！", "提示", MB_OK);
    return;
  }
  if (run_) return;  // a run is still going
  joinWorkers();
  link_->setSavePath(path);

  state_.runTotal = rows;
  state_.finishedWorkers = 0;
  state_.nextItem = 0;
  {
    std::lock_guard<std::mutex> lock(state_.packageMutex);
    state_.succeededItems = 0;
    std::string().swap(state_.packageRows);  // the last run's memory goes too
  }
  state_.failedItems = 0;
  fileio::createFolder(state_.outputDirectory + state_.outputFileStem);

  auto run = std::make_shared<GenerationRun>(state_, link_);
  std::weak_ptr<GenerationRun> weakRun = run;
  run->finished = [this, weakRun] {
    auto done = weakRun.lock();
    if (!done || done != run_ || done->control.stopped()) return;
    // Posted by the last worker just before it ends.
    WaitForSingleObject(done->ended.get(), INFINITE);
    joinWorkers();
    run_.reset();
    HWND pms = window_.control(kCompletionButton);
    if (pms)
      SendMessageW(GetParent(pms), WM_COMMAND, MAKEWPARAM(kCompletionButton, BN_CLICKED), LPARAM(pms));
    else
      openCompletionWindow();
    setIdleButtons();
  };
  run_ = run;
  for (int32_t k = 1; k <= kWorkerCount; ++k) state_.workerThreads.emplace_back(GenerationWorker, run, k);

  EnableWindow(window_.control(kStartButton), FALSE);
  window_.setControlText(kPauseButton, "暂停");
  EnableWindow(window_.control(kPauseButton), TRUE);
  EnableWindow(window_.control(kStopButton), TRUE);
}

void GenerationController::stopGeneration() {
  if (run_) {
    auto run = run_;
    run->control.stop();
    EnableWindow(window_.control(kPauseButton), FALSE);
    EnableWindow(window_.control(kStopButton), FALSE);
    waitPumping(run->ended.get());
    joinWorkers();
    run_.reset();
  }
  setIdleButtons();
}

void GenerationController::togglePause() {
  if (window_.controlText(kPauseButton) == "暂停") {
    if (run_) run_->control.pause();
    window_.setControlText(kPauseButton, "继续");
  } else {
    if (run_) run_->control.resume();
    window_.setControlText(kPauseButton, "暂停");
  }
}

void GenerationController::openCompletionWindow() {
  showCompletionWindow(window_.hwnd(), state_.runTotal.load(), state_.succeededItems.load(),
                       state_.failedItems.load());
}
