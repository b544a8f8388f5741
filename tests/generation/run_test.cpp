#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>

#include "generation/expected_headers.h"
#include "generation/generation_fixture.h"
#include "util/text.h"

namespace gentest {
namespace {

using ::testing::UnorderedElementsAre;

loopback::Reply titled(const std::string& id, unsigned delayMs = 0) {
  loopback::Reply r = loopback::Reply::text(itemAnswer("<title>标题" + id + "</title><num>1</num>"), "text/xml");
  r.delayMs = delayMs;
  return r;
}

int countLines(const std::string& log, const std::string& part) {
  int n = 0;
  for (auto& line : text::split(log, "\r\n"))
    if (text::find(line, part) > 0) ++n;
  return n;
}

std::vector<std::string> dataRows(const std::string& package, int headerLines) {
  std::vector<std::string> rows = text::split(package, "\r\n");
  rows.erase(rows.begin(), rows.begin() + std::min<size_t>(rows.size(), size_t(headerLines)));
  return rows;
}

class RunTest : public GenerationWindowTest {};

TEST_F(RunTest, ThreeRowsGoToAtMostThreeWorkersAndTheFifthToLeaveWritesTheFile) {
  addItems(3);
  answer([](const std::string& id) { return titled(id); });
  HWND completion = runToCompletion();
  ASSERT_NE(completion, nullptr);

  for (const char* id : {"1001", "1002", "1003"}) EXPECT_EQ(keysFor(id).size(), 1u) << id;
  EXPECT_EQ(server.requestCount(), 3u);
  const std::string log = state->log.allText();
  const auto started = startedItems(log);
  ASSERT_EQ(started.size(), 3u);
  std::set<int> numbers;
  std::map<int, int> lastOf;
  for (auto s : started) {
    numbers.insert(s.number);
    lastOf[s.worker] = s.number;
  }
  EXPECT_EQ(numbers, (std::set<int>{1, 2, 3}));

  // The run-done line names the last row of the worker that wrote it (0 when it took none).
  const std::vector<std::string> lines = workerLines(log);
  ASSERT_FALSE(lines.empty());
  const std::string done = lines.back();
  const std::string label = kTime + " 线程：";
  ASSERT_EQ(done.substr(0, label.size()), label);
  const int fifth = text::leadingInt(done.substr(label.size()));
  EXPECT_EQ(done, label + std::to_string(fifth) + " 第：" + std::to_string(lastOf[fifth]) +
                      "/3 个宝贝 下载完成！成功： 3 失败：0 正在写文件...");
  EXPECT_EQ(countLines(log, "正在写文件..."), 1);
  EXPECT_TRUE(log.size() >= 2 && log.substr(log.size() - (kTime.size() + 15)) == kTime + " 文件写成功！\r\n");
  EXPECT_EQ(state->finishedWorkers.load(), 5);

  const std::string package = packageText();
  EXPECT_EQ(package.substr(0, kHeader5.size()), kHeader5);
  EXPECT_EQ(dataRows(package, 3).size(), 3u);

  EXPECT_THAT(completionLabels(completion),
              UnorderedElementsAre("复制已经完成：", "下载总数： 3", "成功下载： 3", "下载失败： 0"));
  wchar_t caption[64] = {};
  GetWindowTextW(completion, caption, 64);
  EXPECT_EQ(text::fromWide(caption), "复制完成！");
  RECT r;
  GetWindowRect(completion, &r);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left) - 10);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top) - 30);

  EXPECT_TRUE(enabled(kStartButton));
  EXPECT_FALSE(enabled(kPauseButton));
  EXPECT_FALSE(enabled(kStopButton));

  // The hidden button shows the last run's counts again.
  DestroyWindow(completion);
  click(kCompletionButton);
  ASSERT_NE(completionWindow(), nullptr);
  EXPECT_THAT(completionLabels(completionWindow()),
              UnorderedElementsAre("复制已经完成：", "下载总数： 3", "成功下载： 3", "下载失败： 0"));
}

TEST_F(RunTest, TwoRefusingCredentialsAskThreeTimesThenReportTheBusyApi) {
  addItems(1);
  answer([](const std::string&) { return loopback::Reply::text(errorAnswer(), "text/xml"); });
  HWND completion = runToCompletion();
  ASSERT_NE(completion, nullptr);

  EXPECT_EQ(keysFor("1001"), (std::vector<std::string>{"key1", "key2", "key1"}));
  const std::vector<std::string> lines = workerLines(state->log.allText());
  ASSERT_EQ(lines.size(), 10u);
  const int w = startedItems(state->log.allText()).at(0).worker;
  const std::string t = kTime + "线程：" + std::to_string(w);
  const std::string last = lines[9];
  const std::string doneLabel = kTime + " 线程：";
  const int fifth = text::leadingInt(last.substr(doneLabel.size()));
  const std::vector<std::string> expected = {
      t + "  开始下载 第：1/1 个宝贝:宝贝1",
      t + "  通过当前App参数调用'淘宝官方接口'失败！正在尝试下一组App",
      t + "  通过当前App参数调用'淘宝官方接口'失败！正在尝试下一组App",
      t + " ####################淘宝接口忙,请点'暂停'按钮，停五分钟后点'继续'按钮接着处理",
      t + "  开始获取 第：1/1 个宝贝   基本信息！",
      t + "  获取成功 第：1/1 个宝贝   基本信息！",
      t + "  开始获取 第：1/1  个宝贝   描述信息！",
      t + "  成功获取 第：1/1  个宝贝   描述信息！",
      kTime + " 线程：" + std::to_string(w) + " 第：1/1 个宝贝 下载完成！",
      doneLabel + std::to_string(fifth) + " 第：" + (fifth == w ? "1" : "0") +
          "/1 个宝贝 下载完成！成功： 0 失败：1 正在写文件...",
  };
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(packageText(), kHeader5);  // no title, no row
  EXPECT_THAT(completionLabels(completion),
              UnorderedElementsAre("复制已经完成：", "下载总数： 1", "成功下载： 0", "下载失败： 1"));
}

TEST_F(RunTest, AfterGivingUpAWorkersNextItemStartsWithTheFirstCredential) {
  addItems(8);
  answer([](const std::string&) { return loopback::Reply::text(errorAnswer(), "text/xml"); });
  ASSERT_NE(runToCompletion(), nullptr);
  for (int n = 1; n <= 8; ++n)
    EXPECT_EQ(keysFor("100" + std::to_string(n)), (std::vector<std::string>{"key1", "key2", "key1"})) << n;
  std::map<int, int> itemsPerWorker;
  for (auto s : startedItems(state->log.allText())) ++itemsPerWorker[s.worker];
  EXPECT_LT(itemsPerWorker.size(), 8u);  // some worker took a second item
  EXPECT_EQ(state->failedItems.load(), 8);
}

TEST_F(RunTest, EachWorkerTakesTheCredentialsInTurnIndependentlyOfTheOthers) {
  state->credentials = {{"key1", "s1"}, {"key2", "s2"}, {"key3", "s3"}};
  addItems(9);
  for (int n = 10; n <= 20; ++n) state->itemList.addItemRow("宝贝", "", "", std::to_string(1000 + n));
  answer([](const std::string& id) { return titled(id, 5); });
  ASSERT_NE(runToCompletion(), nullptr);
  std::map<int, int> taken;
  for (auto s : startedItems(state->log.allText())) {
    const std::string id = state->itemList.cellText(s.number - 1, 3);
    const int position = taken[s.worker]++;
    EXPECT_EQ(keysFor(id), std::vector<std::string>{"key" + std::to_string(position % 3 + 1)})
        << "worker " << s.worker << " item " << s.number;
  }
  int total = 0;
  for (auto& [w, count] : taken) total += count;
  EXPECT_EQ(total, 20);
  EXPECT_EQ(state->succeededItems.load(), 20);
}

// One fixed answer, written out by hand as the seller program reads it.
const std::string kFixedAnswer = itemAnswer(
    "<approve_status>onsale</approve_status><cid>50010850</cid>"
    "<desc>&lt;p&gt;好货,速来&quot;抢&quot;&lt;/p&gt;</desc><ems_fee>20.00</ems_fee><express_fee>10.00</express_fee>"
    "<freight_payer>buyer</freight_payer><has_warranty>true</has_warranty><input_pids>20000</input_pids>"
    "<input_str>自有品牌</input_str><list_time>2013-07-01 09:00:00</list_time>"
    "<location><city>杭州</city><state>浙江</state></location><modified>2013-07-02 10:30:00</modified>"
    "<num>30</num><outer_id>A-1</outer_id><post_fee>5.00</post_fee><price>99.00</price>"
    "<property_alias>1627207:28341:黑</property_alias><props>20000:3275069;1627207:28341</props>"
    "<seller_cids>,12,</seller_cids><skus>"
    "<sku><outer_id>S1</outer_id><price>99.00</price><properties>1627207:28341</properties><quantity>10</quantity></sku>"
    "<sku><outer_id>S2</outer_id><price>109.00</price><properties>1627207:28338</properties><quantity>20</quantity></sku>"
    "</skus><title>T恤 &amp; 衬衫.新款</title><valid_thru>14</valid_thru>");

const std::string kFixedRow4 =
    "\"T恤   衬衫 新款\",50010850,\",12,\",0,\"浙江\",\"杭州\",\"1\",49.5,0,30,14,1,5.00,20.00,10.00,,,0,1,1,0,1,"
    "\"2013-07-01 09:00:00\",,\"<p>好货，速来\"\"抢\"\"</p>\",,\"20000:3275069;1627207:28341;\",,,0,0,"
    "\"2013-07-02 10:30:00\",200,,0,\"\",\"\",\"49.5:10:S1:1627207:28341;54.5:20:S2:1627207:28338;;\",\"20000\","
    "\"自有品牌\",\"A-1\",\"1627207:28341:黑;;\",0,\"35201234567\",35201234567,"
    "\"http://detail.example/item.htm?id=35201234567&\"\r\n";

std::string fixedRow5(const std::string& freight) {
  return "\"T恤   衬衫 新款\",50010850,\",12,\",1,\"浙江\",\"杭州\",1,49.5,0,30,14," + freight +
         ",5.00,20.00,10.00,0,1,1,0,\"2013-07-01 09:00:00\",\"<p>好货，速来\"\"抢\"\"</p>\","
         "\"20000:3275069;1627207:28341;\",0,0,\"2013-07-02 10:30:00\",200,,0,\"\",\"\","
         "\"49.5:10:S1:1627207:28341;54.5:20:S2:1627207:28338;;\",\"20000\",\"自有品牌\",\"A-1\","
         "\"1627207:28341:黑;\",0,35201234567,0,2,,1,0,0,\r\n";
}

TEST_F(RunTest, PackageOfAFixedAnswerInBothLayoutsAndWithAnUnsavedRadioButton) {
  state->itemList.addItemRow("一件T恤", "99.00", "http://item.example/item.htm?id=35201234567", "35201234567");
  answer([](const std::string&) { return loopback::Reply::text(kFixedAnswer, "text/xml"); });
  tick(kAdjustPrice);
  window->setControlText(kPricePercent, "50");
  ASSERT_TRUE(state->options.get().adjustPrice);
  ASSERT_EQ(state->options.get().pricePercent, "50");

  struct Case {
    const char* what;
    int32_t stored;
    ControlId radio;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"4.x saved", 4, kLayout4, kHeader4 + kFixedRow4},
      {"5.x saved", 5, kLayout5, kHeader5 + fixedRow5("2")},
      // 4.x chosen but the configuration still says 5: header and freight code
      // follow the button, the row follows the stored layout.
      {"4.x chosen, 5.x stored", 5, kLayout4, kHeader4 + fixedRow5("1")},
  };
  for (const auto& c : cases) {
    state->packageLayoutVersion = c.stored;
    tick(c.radio);
    if (HWND old = completionWindow()) DestroyWindow(old);
    ASSERT_NE(runToCompletion(), nullptr) << c.what;
    EXPECT_EQ(packageText(), c.expected) << c.what;
  }
}

TEST_F(RunTest, StopEndsEveryWorkerAndANewStartResetsTheCounters) {
  addItems(30);
  // Long enough that all five workers are inside a request when stop is pressed.
  answer([](const std::string& id) { return titled(id, 1500); });
  click(kStartButton);
  ASSERT_TRUE(pumpUntil([this] { return server.requestCount() >= 5; }));

  // A task that the window runs while the stop waits for the requests under way.
  std::atomic<bool> ranWhileStopping{false};
  window->postTask([this, &ranWhileStopping] { ranWhileStopping = !enabled(kStartButton); });
  click(kStopButton);
  EXPECT_TRUE(ranWhileStopping);
  EXPECT_TRUE(enabled(kStartButton));
  EXPECT_FALSE(enabled(kPauseButton));
  EXPECT_FALSE(enabled(kStopButton));

  const size_t requests = server.requestCount();
  const std::string log = state->log.allText();
  pumpFor(900);
  EXPECT_EQ(server.requestCount(), requests);
  EXPECT_EQ(state->log.allText(), log);
  EXPECT_EQ(completionWindow(), nullptr);
  EXPECT_EQ(packageText(), "<no file>");
  EXPECT_EQ(countLines(log, "正在写文件"), 0);
  EXPECT_TRUE(state->workerThreads.empty());
  EXPECT_LT(state->nextItem.load(), 30);

  answer([](const std::string& id) { return titled(id); });
  server.clearRequests();
  ASSERT_NE(runToCompletion(), nullptr);
  EXPECT_EQ(state->runTotal.load(), 30);
  EXPECT_EQ(state->nextItem.load(), 30);
  EXPECT_EQ(state->succeededItems.load(), 30);
  EXPECT_EQ(state->failedItems.load(), 0);
  EXPECT_EQ(server.requestCount(), 30u);
  EXPECT_EQ(dataRows(packageText(), 3).size(), 30u);
}

TEST_F(RunTest, PauseHoldsEveryWorkerUntilContinue) {
  addItems(12);
  answer([](const std::string& id) { return titled(id, 150); });
  click(kStartButton);
  ASSERT_TRUE(pumpUntil([this] { return server.requestCount() >= 3; }));
  click(kPauseButton);
  EXPECT_EQ(window->controlText(kPauseButton), "继续");
  // Requests already under way come back; then nothing new goes out.
  size_t requests = server.requestCount();
  for (int settle = 0; settle < 20; ++settle) {
    pumpFor(500);
    if (server.requestCount() == requests) break;
    requests = server.requestCount();
  }
  const std::string log = state->log.allText();
  pumpFor(700);
  EXPECT_EQ(server.requestCount(), requests);
  EXPECT_EQ(state->log.allText(), log);
  EXPECT_TRUE(enabled(kStopButton));
  EXPECT_FALSE(enabled(kStartButton));

  click(kPauseButton);
  EXPECT_EQ(window->controlText(kPauseButton), "暂停");
  ASSERT_TRUE(pumpUntil([this] { return completionWindow() != nullptr && enabled(kStartButton); }));
  EXPECT_EQ(state->succeededItems.load(), 12);
  EXPECT_EQ(server.requestCount(), 12u);
}

TEST_F(RunTest, APausedRunCanBeStopped) {
  addItems(10);
  answer([](const std::string& id) { return titled(id, 100); });
  click(kStartButton);
  ASSERT_TRUE(pumpUntil([this] { return server.requestCount() >= 1; }));
  click(kPauseButton);
  click(kStopButton);
  EXPECT_TRUE(enabled(kStartButton));
  EXPECT_TRUE(state->workerThreads.empty());
  pumpFor(300);
  EXPECT_EQ(completionWindow(), nullptr);
  EXPECT_EQ(packageText(), "<no file>");
}

TEST_F(RunTest, AnEmptyPathOrAnEmptyListStartsNothing) {
  click(kStartButton);  // empty list: nothing at all
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_TRUE(enabled(kStartButton));
  EXPECT_FALSE(enabled(kPauseButton));

  addItems(2);
  window->setControlText(kPathBox, "");
  click(kStartButton);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "请检查保存的文件名是否正确！");
  EXPECT_EQ(ui.boxes[0].title, "提示");
  EXPECT_TRUE(enabled(kStartButton));
  EXPECT_FALSE(enabled(kStopButton));
  pumpFor(200);
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_EQ(state->log.allText(), "");
}

TEST_F(RunTest, AFileThatCannotBeWrittenIsReportedAndTheCountsStay) {
  addItems(2);
  answer([](const std::string& id) { return titled(id); });
  const std::string path = folder + "\\no folder\\pkg.csv";
  window->setControlText(kPathBox, path);
  HWND completion = runToCompletion();
  ASSERT_NE(completion, nullptr);
  const std::string log = state->log.allText();
  EXPECT_EQ(countLines(log, "文件写成功！"), 0);
  EXPECT_EQ(countLines(log, " 文件写失败！数据包没有写入：" + path), 1);
  EXPECT_THAT(completionLabels(completion),
              UnorderedElementsAre("复制已经完成：", "下载总数： 2", "成功下载： 2", "下载失败： 0"));
}

TEST_F(RunTest, ThePictureFolderIsCreatedAtTheStart) {
  addItems(1);
  state->outputFileStem = "shop";
  ASSERT_NE(runToCompletion(), nullptr);
  EXPECT_NE(GetFileAttributesW(text::toWide(folder + "\\shop").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace gentest
