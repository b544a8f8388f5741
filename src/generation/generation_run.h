// A generation run: five workers turn the item list into the data package.
// The controller lives on the window thread and owns the run's threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class MainWindow;
struct AppState;
struct GenerationRun;

// The workers' only way to the window: tasks posted to it, and the save path
// as the box showed it last. Cut off when the window goes.
class WindowLink {
 public:
  explicit WindowLink(MainWindow* window) : window_(window) {}
  void post(std::function<void()> task);
  void detach();
  void setSavePath(std::string path);
  std::string savePath() const;

 private:
  mutable std::mutex mutex_;
  MainWindow* window_;
  std::string savePath_;
};

class GenerationController {
 public:
  explicit GenerationController(MainWindow& window);
  // Stops a run still going and waits for its workers.
  ~GenerationController();
  GenerationController(const GenerationController&) = delete;
  GenerationController& operator=(const GenerationController&) = delete;

  void startGeneration();  // 开始
  void stopGeneration();   // 停止按钮
  void togglePause();      // 暂停按钮
  void openCompletionWindow();  // pms
  void savePathChanged();  // 编辑框3 changed

 private:
  void joinWorkers();
  void setIdleButtons();

  MainWindow& window_;
  AppState& state_;
  std::shared_ptr<WindowLink> link_;
  std::shared_ptr<GenerationRun> run_;
};

// The body of worker `workerNumber` (1 to 5) of `run`.
void GenerationWorker(std::shared_ptr<GenerationRun> run, int32_t workerNumber);
